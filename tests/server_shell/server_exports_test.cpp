// The server library exports its four entry points and nothing else, as an independent
// tool (nm) reads its dynamic symbol table.
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(ServerExports, AreExactlyTheFourEntryPoints)
{
    std::string command = std::string(NM_PROGRAM) + " -D --defined-only " + PORTWARDEN_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        names.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                            "DllUnregisterServer"}));
}

} // namespace
