// Driver keys in the registry store: one per device instance, the same one every time the
// instance is named again, and none when the store cannot be read.
#include "tests/com/temporary_store.h"

#include "platform/base/lasterror.h"
#include "platform/registry/values.h"
#include "platform/usbsys/enum_records.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::usbsys::KeepEnumRecord;

constexpr const char* kTwin1 = "USB\\VID_1E3D&PID_6025\\5&1a2b&0&1";
constexpr const char* kTwin2 = "USB\\VID_1E3D&PID_6025\\5&1a2b&0&2";
constexpr const char* kSerial = "USB\\VID_1E3D&PID_6025\\SN0001";

std::string Value(const std::string& key, const char* name)
{
    platform::registry::ScopedKey open;
    std::string text;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Enum\\" + key).c_str(), 0, KEY_READ, open.out()) !=
            ERROR_SUCCESS ||
        platform::registry::QueryString(open.get(), name, text) != ERROR_SUCCESS)
        return "<none>";
    return text;
}

TEST(EnumRecords, EachInstanceHasOneDriverKeyKeptInTheStore)
{
    fabrun_test::TemporaryStore store;
    const std::string first = KeepEnumRecord(kTwin1, "6&aa&0", "\\??\\USB#VID_1E3D&PID_6025#5&1a2b&0&1#{a5dcbf10}");
    const std::string second = KeepEnumRecord(kTwin2, "6&bb&0", "\\??\\USB#VID_1E3D&PID_6025#5&1a2b&0&2#{a5dcbf10}");
    const std::string third = KeepEnumRecord(kSerial, "", "\\??\\USB#VID_1E3D&PID_6025#SN0001#{a5dcbf10}");
    EXPECT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_NE(first, third);
    EXPECT_EQ(KeepEnumRecord(kTwin1, "6&aa&0", "\\??\\USB#VID_1E3D&PID_6025#5&1a2b&0&1#{a5dcbf10}"), first);
    EXPECT_EQ(Value(kTwin1, "Driver"), first);
    EXPECT_EQ(Value(kTwin1, "ParentIdPrefix"), "6&aa&0");
    EXPECT_EQ(Value(kSerial, "ParentIdPrefix"), "<none>") << "a device named by its serial has none";
    EXPECT_EQ(Value(std::string(kSerial) + "\\Device Parameters", "SymbolicName"),
              "\\??\\USB#VID_1E3D&PID_6025#SN0001#{a5dcbf10}");
}

bool SetValue(const std::string& key, const char* name, const std::string& text)
{
    platform::registry::ScopedKey open;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Enum\\" + key).c_str(), 0, KEY_ALL_ACCESS,
                         open.out()) == ERROR_SUCCESS &&
           RegSetValueExA(open.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool DeleteKey(const std::string& key)
{
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Enum\\" + key).c_str()) == ERROR_SUCCESS;
}

// A record that was kept, and found whole since, is kept again after this process or another
// one changed it.
TEST(EnumRecords, ARecordChangedBehindTheWalkIsKeptAgain)
{
    const std::string parameters = std::string(kTwin1) + "\\Device Parameters";
    const char* symbolicName = "\\??\\USB#VID_1E3D&PID_6025#5&1a2b&0&1#{a5dcbf10}";
    struct Case {
        const char* what;
        std::function<bool()> change;
        bool newDriverKey; // a record that lost its driver key is given another one, never the old one again
    };
    const Case cases[] = {
        {"its symbolic name changed", [&] { return SetValue(parameters, "SymbolicName", "\\??\\other"); }, false},
        {"its parent id prefix changed", [] { return SetValue(kTwin1, "ParentIdPrefix", "6&ff&0"); }, false},
        {"its device parameters deleted", [&] { return DeleteKey(parameters); }, false},
        {"its driver key emptied", [] { return SetValue(kTwin1, "Driver", ""); }, true},
        {"deleted whole", [&] { return DeleteKey(parameters) && DeleteKey(kTwin1); }, true},
    };
    for (const Case& c : cases) {
        for (bool otherProcess : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (otherProcess ? " by another process" : " by this process"));
            fabrun_test::TemporaryStore store;
            const std::string kept = KeepEnumRecord(kTwin1, "6&aa&0", symbolicName);
            ASSERT_EQ(KeepEnumRecord(kTwin1, "6&aa&0", symbolicName), kept);
            if (otherProcess) {
                pid_t child = fork();
                ASSERT_GE(child, 0);
                if (child == 0)
                    _exit(c.change() ? 0 : 1);
                int status = 0;
                ASSERT_EQ(waitpid(child, &status, 0), child);
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            } else {
                ASSERT_TRUE(c.change());
            }
            const std::string again = KeepEnumRecord(kTwin1, "6&aa&0", symbolicName);
            EXPECT_FALSE(again.empty());
            EXPECT_EQ(again != kept, c.newDriverKey) << kept << " then " << again;
            EXPECT_EQ(Value(kTwin1, "Driver"), again);
            EXPECT_EQ(Value(kTwin1, "ParentIdPrefix"), "6&aa&0");
            EXPECT_EQ(Value(parameters, "SymbolicName"), symbolicName);
        }
    }
}

TEST(EnumRecords, AStoreThatCannotBeReadGivesNoKey)
{
    fabrun_test::TemporaryStore store;
    std::ofstream(store.path()) << "not a registry store\n";
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(KeepEnumRecord(kSerial, "", "\\??\\x"), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BADDB));
}

} // namespace
