// The COM runtime for in-process servers. CoCreateInstance finds the server library in
// the registry (HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, default value: its full
// path), loads it, asks its DllGetClassObject for the class factory, creates the object
// and releases the factory. Libraries stay loaded until this thread's last CoUninitialize,
// which unloads every library whose DllCanUnloadNow answers S_OK. Objects may be called
// from any thread without marshalling.
#pragma once

#include "platform/com/unknown.h"

using LPOLESTR = char16_t*;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// Counted per thread: the first call answers S_OK, further ones S_FALSE.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

// A failed creation always leaves *object null.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, LPVOID* object);

// The braced text of a class id, allocated with CoTaskMemAlloc.
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
LPVOID CoTaskMemAlloc(SIZE_T size);
void CoTaskMemFree(LPVOID memory);
