// Registering and unregistering the built server with the regsvr32 stand-in.
#include "platform/com/com.h"
#include "portwarden/interfaces.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"
#include "tests/server_shell/captured_lines.h"
#include "tests/server_shell/registered_server.h"
#include "tests/server_shell/run_program.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <utility>

using namespace fabrun_test;

namespace {

const std::string kClassKey = "CLSID\\{C01DBC00-2BB4-4B8C-BE35-F57F1622CB5A}";

std::string RealPath(const char* path)
{
    char resolved[PATH_MAX];
    return realpath(path, resolved) != nullptr ? resolved : "";
}

ProgramRun Regsvr32(std::vector<std::string> options)
{
    options.insert(options.begin(), REGSVR32_PATH);
    options.push_back(PORTWARDEN_PATH);
    return RunProgram(options);
}

// DllRegisterServer and DllUnregisterServer of the server loaded in this process.
std::pair<DllRegisterServerFunction, DllRegisterServerFunction> RegistrationExports()
{
    void* library = ServerLibrary();
    if (library == nullptr)
        return {};
    return {reinterpret_cast<DllRegisterServerFunction>(dlsym(library, "DllRegisterServer")),
            reinterpret_cast<DllRegisterServerFunction>(dlsym(library, "DllUnregisterServer"))};
}

TEST(ServerRegistration, WritesTheClassKeysOnceAndRemovesThemWithAllTheirSubkeys)
{
    TemporaryStore store;
    // A registration left by an older copy elsewhere gives way to this one.
    for (const auto& [key, text] : {std::pair{kClassKey, "Old Component"},
                                    std::pair{kClassKey + "\\InprocServer32", "/old/system/Portwarden.ax"}}) {
        HKEY stale = CreateKey(HKEY_CLASSES_ROOT, key.c_str());
        ASSERT_EQ(SetText(stale, nullptr, text), ERROR_SUCCESS);
        RegCloseKey(stale);
    }
    ProgramRun first = Regsvr32({"/s"});
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(first.output, "") << "silent";
    ProgramRun second = Regsvr32({});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.output.find("succeeded"), std::string::npos);

    HKEY classes;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &classes), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(classes), std::vector<std::string>{kClassKey.substr(6)});
    RegCloseKey(classes);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kClassKey.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(ValueBytes(key, nullptr), std::string("Tarvo Base API Component", 25));
    EXPECT_EQ(SubkeyNames(key), std::vector<std::string>{"InprocServer32"});
    HKEY server;
    ASSERT_EQ(RegOpenKeyExA(key, "InprocServer32", 0, KEY_READ, &server), ERROR_SUCCESS);
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(server, nullptr, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(ValueBytes(server, nullptr), RealPath(PORTWARDEN_PATH) + '\0');
    EXPECT_EQ(ValueBytes(server, "ThreadingModel"), "<error 2>");
    RegCloseKey(server);
    RegCloseKey(key);

    // Others may have added keys of their own below the class key.
    RegCloseKey(CreateKey(HKEY_CLASSES_ROOT, (kClassKey + "\\InprocServer32\\Extra\\Deeper").c_str()));
    RegCloseKey(CreateKey(HKEY_CLASSES_ROOT, (kClassKey + "\\Other").c_str()));
    EXPECT_EQ(Regsvr32({"/u", "/s"}).exitCode, 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey.c_str()));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_EQ(Regsvr32({"/u", "/s"}).exitCode, 0) << "nothing left to unregister";
}

TEST(ServerRegistration, RegistryWritesThatFailAreReportedAsFailures)
{
    TemporaryStore store;
    {
        RefusedWrites refused;
        ProgramRun loud = Regsvr32({});
        EXPECT_EQ(loud.exitCode, 5);
        EXPECT_NE(loud.output.find("DllRegisterServer"), std::string::npos) << loud.output;
        ProgramRun silent = Regsvr32({"/s"});
        EXPECT_EQ(silent.exitCode, 5);
        EXPECT_EQ(silent.output, "");
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey.c_str()));

    auto [registerServer, unregisterServer] = RegistrationExports();
    ASSERT_NE(registerServer, nullptr);
    ASSERT_NE(unregisterServer, nullptr);
    {
        RefusedWrites refused;
        EXPECT_EQ(registerServer(), SELFREG_E_CLASS);
    }
    ASSERT_EQ(registerServer(), S_OK);
    {
        // No key of the tree can be deleted: the deletion stops at the first one and says so.
        RefusedWrites refused;
        EXPECT_EQ(unregisterServer(), SELFREG_E_CLASS);
        EXPECT_EQ(Regsvr32({"/u", "/s"}).exitCode, 5);
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, (kClassKey + "\\InprocServer32").c_str()));
    EXPECT_EQ(unregisterServer(), S_OK);
}

TEST(ServerRegistration, ExportsWriteTheirEntryLines)
{
    TemporaryStore store;
    auto [registerServer, unregisterServer] = RegistrationExports();
    ASSERT_NE(registerServer, nullptr);
    ASSERT_NE(unregisterServer, nullptr);
    CapturedLines lines;
    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_EQ(lines.Take(), (std::vector<std::string>{"Entry DllRegistrServer", "Entry RegistrServer"}));
    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_EQ(lines.Take(), std::vector<std::string>{"Entry DllUnregistrServer"});
}

TEST(Regsvr32, RefusesWhatItCannotRegister)
{
    TemporaryStore store;
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const Case cases[] = {
        {{REGSVR32_PATH}, 1},
        {{REGSVR32_PATH, "/x", PORTWARDEN_PATH}, 1},
        {{REGSVR32_PATH, PORTWARDEN_PATH, PORTWARDEN_PATH}, 1},
        {{REGSVR32_PATH, "/s", "/nonexistent/Portwarden.ax"}, 3},
        {{REGSVR32_PATH, "/S", NOT_A_SERVER_PATH}, 4},
        {{REGSVR32_PATH, "-U", NOT_A_SERVER_PATH}, 4},
    };
    for (const Case& c : cases) {
        ProgramRun run = RunProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    }
}

} // namespace
