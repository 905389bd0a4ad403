// A test's own registry store with the built server registered by regsvr32, COM
// initialised, and the server's exports at hand.
#pragma once

#include "platform/com/com.h"
#include "portwarden/interfaces.h"
#include "tests/com/temporary_store.h"
#include "tests/server_shell/run_program.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace fabrun_test {

// The server library, loaded once for the whole test program as it stays loaded in the
// station (the platform libraries it brings keep process-wide tables that expect it).
inline void* ServerLibrary()
{
    static void* library = dlopen(PORTWARDEN_PATH, RTLD_NOW);
    return library;
}

// The registration and COM set-up, for fixtures that have a base of their own.
class ServerSession {
protected:
    void StartSession()
    {
        ASSERT_EQ(RunProgram({REGSVR32_PATH, "/s", PORTWARDEN_PATH}).exitCode, 0);
        void* library = ServerLibrary();
        ASSERT_NE(library, nullptr) << dlerror();
        getClassObject = reinterpret_cast<DllGetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
        canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(dlsym(library, "DllCanUnloadNow"));
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }

    void EndSession() { CoUninitialize(); }

    template <class Interface>
    Interface* Create(REFIID riid)
    {
        Interface* object = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_PortwardenComponent, nullptr, CLSCTX_INPROC_SERVER, riid,
                                   reinterpret_cast<void**>(&object)),
                  S_OK);
        return object;
    }

    TemporaryStore store;
    DllGetClassObjectFunction getClassObject = nullptr;
    DllCanUnloadNowFunction canUnloadNow = nullptr;
};

class RegisteredServer : public ::testing::Test, protected ServerSession {
protected:
    void SetUp() override { StartSession(); }
    void TearDown() override { EndSession(); }
};

} // namespace fabrun_test
