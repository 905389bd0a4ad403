#include "server/shell/registration.h"

#include "platform/com/com.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "portwarden/interfaces.h"
#include "server/shell/debug_line.h"
#include "server/shell/module_path.h"

#include <string>

namespace portwarden {
namespace {

// "CLSID\{C01DBC00-...}": the class id in the upper-case braced form, as ANSI text.
bool ClassKeyPath(std::string& path)
{
    LPOLESTR text = nullptr;
    if (FAILED(StringFromCLSID(CLSID_PortwardenComponent, &text)))
        return false;
    path = "CLSID\\" + platform::WideToAnsi(text);
    CoTaskMemFree(text);
    return true;
}

LSTATUS SetDefaultText(HKEY key, const std::string& text)
{
    return RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

// Creates `subKey` under `parent` with `text` as its default value; the new key is
// returned open in `created`.
LSTATUS CreateKeyWithText(HKEY parent, const std::string& subKey, const std::string& text, HKEY& created)
{
    LSTATUS status = RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                     nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        DebugLine("RegCreateKeyEx %s failed: %d", subKey.c_str(), static_cast<int>(status));
        return status;
    }
    status = SetDefaultText(created, text);
    if (status != ERROR_SUCCESS)
        DebugLine("RegSetValueEx %s failed: %d", subKey.c_str(), static_cast<int>(status));
    return status;
}

} // namespace

HRESULT RegisterServer()
{
    OutputDebugStringA("Entry RegistrServer");
    std::string classKey, library;
    if (!ClassKeyPath(classKey) || !OwnLibraryPath(library))
        return SELFREG_E_CLASS;
    HKEY key = nullptr, server = nullptr;
    LSTATUS status = CreateKeyWithText(HKEY_CLASSES_ROOT, classKey, "Tarvo Base API Component", key);
    if (status == ERROR_SUCCESS)
        status = CreateKeyWithText(key, "InprocServer32", library, server);
    if (server != nullptr)
        RegCloseKey(server);
    if (key != nullptr)
        RegCloseKey(key);
    return status == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServer()
{
    std::string classKey;
    if (!ClassKeyPath(classKey))
        return SELFREG_E_CLASS;
    LSTATUS status = DeleteKeyTree(HKEY_CLASSES_ROOT, classKey.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return S_OK;
    DebugLine("Unregister %s failed: %d", classKey.c_str(), static_cast<int>(status));
    return SELFREG_E_CLASS;
}

LSTATUS DeleteKeyTree(HKEY parent, const char* name)
{
    HKEY key;
    LSTATUS status = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS)
        return status;
    // Room for any key name, whatever its characters take in ANSI.
    char child[kMaxKeyNameLength * 4 + 1];
    while (true) {
        DWORD length = sizeof child;
        status = RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        // A subkey that stays would be found again at index 0: stop at the first failure.
        if (status == ERROR_SUCCESS)
            status = DeleteKeyTree(key, child);
        if (status != ERROR_SUCCESS) {
            RegCloseKey(key);
            return status;
        }
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name);
}

} // namespace portwarden
