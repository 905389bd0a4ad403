// A port's enumeration record is the one whose whole Driver value is the port's driver key:
// a damaged value that holds the key, a NUL and more is another record's, never the port's.
#include "platform/registry/registry.h"
#include "server/topology/registry_info.h"
#include "tests/com/temporary_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr const char* kKey = "{36fc9e60-c465-11cf-8056-444553540000}\\0004";

void Record(const std::string& instance, const std::string& driver, const char* prefix)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1E3D&PID_6025\\" + instance).c_str(),
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver.data()),
                             static_cast<DWORD>(driver.size())),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "ParentIdPrefix", 0, REG_SZ, reinterpret_cast<const BYTE*>(prefix),
                             static_cast<DWORD>(std::strlen(prefix) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string PrefixFound(const std::string& driverKey)
{
    auto record = std::make_unique<PortRecord>();
    std::memset(record.get(), 0, sizeof(PortRecord));
    LookupUsbRegistryInfo(0x1E3D, 0x6025, driverKey, *record);
    return record->parentIdPrefix;
}

TEST(RegistryInfo, TheWholeDriverValueMustBeThePortsKey)
{
    fabrun_test::TemporaryStore store;
    // Listed first: instance names enumerate in name order.
    Record("A-DAMAGED", std::string(kKey) + std::string("\0" "7", 2) + '\0', "7&damaged&0");
    Record("B-OWN", std::string(kKey) + "7" + '\0', "7&own&0");
    EXPECT_EQ(PrefixFound(std::string(kKey) + "7"), "7&own&0");
    EXPECT_EQ(PrefixFound(kKey), "") << "the damaged record's value only starts with the key";
}

} // namespace
