// Driver keys in the registry store: one per device instance, the same one every time the
// instance is named again, and none when the store cannot be read.
#include "tests/com/temporary_store.h"

#include "platform/base/lasterror.h"
#include "platform/registry/values.h"
#include "platform/usbsys/enum_records.h"

#include <gtest/gtest.h>

#include <fstream>

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

TEST(EnumRecords, AStoreThatCannotBeReadGivesNoKey)
{
    fabrun_test::TemporaryStore store;
    std::ofstream(store.path()) << "not a registry store\n";
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(KeepEnumRecord(kSerial, "", "\\??\\x"), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BADDB));
}

} // namespace
