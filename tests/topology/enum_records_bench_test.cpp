// The devices' enumeration records and driver keys in the registry store, and the walk
// reading its ParentIdPrefix, serial and SymbolicName back from them.
#include "bench_tree.h"
#include "tests/com/temporary_store.h"

#include "platform/registry/values.h"
#include "walker.h"

#include <fstream>
#include <set>

namespace {

using platform::registry::ScopedKey;

constexpr const char* kDeviceKey = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1E3D&PID_6025\\";

std::string StringValue(const std::string& keyPath, const char* name)
{
    ScopedKey key;
    std::string text;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS ||
        platform::registry::QueryString(key.get(), name, text) != ERROR_SUCCESS)
        return "<none>";
    return text;
}

class EnumRecords : public topologytest::BenchTree, public topologytest::Walker {
protected:
    fabrun_test::TemporaryStore store;
};

TEST_F(EnumRecords, EachDeviceInstanceHasItsRecordAndDriverKey)
{
    ASSERT_EQ(RunWalk(), 1);
    struct Case {
        const char* name;
        int record;
        bool namedBySerial;
    } cases[] = {{"drive 2", 0, false}, {"drive 3", 1, false}, {"drive 4", 2, true}, {"drive 1", 3, true}};
    std::set<std::string> driverKeys;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PortRecord& r = records[c.record];
        const std::string driverKey(RecordText(r.driverKeyName));
        driverKeys.insert(driverKey);
        const std::string symbolicName(RecordText(r.symbolicName));
        const std::size_t from = symbolicName.find("PID_6025#") + 9;
        const std::string instance = symbolicName.substr(from, symbolicName.find("#{") - from);
        const std::string prefix(RecordText(r.parentIdPrefix));
        const std::string key = kDeviceKey + instance;
        EXPECT_EQ(StringValue(key, "Driver"), driverKey);
        EXPECT_EQ(StringValue(key + "\\Device Parameters", "SymbolicName"), symbolicName);
        if (c.namedBySerial) {
            // No ParentIdPrefix: the instance name serves as prefix and serial.
            EXPECT_EQ(StringValue(key, "ParentIdPrefix"), "<none>");
            EXPECT_EQ(instance, RecordText(r.serialNumber));
            EXPECT_EQ(prefix, instance);
        } else {
            EXPECT_EQ(StringValue(key, "ParentIdPrefix"), prefix);
            EXPECT_NE(r.DevicePath().find("#" + prefix + "&0#"), std::string_view::npos) << "its disk is named after it";
        }
        EXPECT_EQ(driverKey.rfind("{36fc9e60-c465-11cf-8056-444553540000}\\", 0), 0u) << driverKey;
        ScopedKey classKey;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Control\\Class\\" + driverKey).c_str(), 0,
                                KEY_READ, classKey.out()),
                  ERROR_SUCCESS);
        EXPECT_NE(RecordText(r.symbolicName).find("#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"), std::string_view::npos);
    }
    EXPECT_EQ(driverKeys.size(), 4u);
}

TEST_F(EnumRecords, ADeviceKeepsItsDriverKeyWhileItComesAndGoes)
{
    ASSERT_EQ(RunWalk(), 1);
    const std::string key(RecordText(records[3].driverKeyName)); // drive 1
    drive1.Unplug(testbed);
    ASSERT_EQ(RunWalk(), 1);
    drive1.Plug(testbed);
    ASSERT_EQ(RunWalk(), 1);
    EXPECT_EQ(RecordText(records[3].driverKeyName), key);
    UsbTopology another(standard, vendor, switches);
    ASSERT_EQ(another.EnumerateScanUSBPort(records.get()), 1);
    EXPECT_EQ(RecordText(records[3].driverKeyName), key) << "the key lives in the store, not in the walk";
}

TEST_F(EnumRecords, AStoreThatCannotBeReadRecordsNoPort)
{
    std::ofstream(store.path()) << "not a registry store\n";
    EXPECT_EQ(RunWalk(), 1) << "the disks still answer";
    EXPECT_EQ(records[0].hubTier, 0) << "without driver keys no port is recorded";
}

} // namespace
