// The server library exports its four entry points and nothing else.
#include "tests/server_shell/exported_names.h"

#include <gtest/gtest.h>

namespace {

TEST(ServerExports, AreExactlyTheFourEntryPoints)
{
    EXPECT_EQ(fabrun_test::ExportedNames(NM_PROGRAM, PORTWARDEN_PATH),
              (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}));
}

} // namespace
