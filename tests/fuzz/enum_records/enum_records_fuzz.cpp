// The USB enumeration records of the registry store, as the station keeps and reads them,
// under any records a store may already hold: any instance names, Driver values of any
// type and bytes, prefixes and symbolic names, and driver keys already taken. Keeping a
// record gives a driver key that the record then holds, and the same key the next time;
// two records kept in one store never get the same new key; the record holds the prefix
// and symbolic name it was kept with. A port's lookup takes only the record whose whole
// Driver value is the port's driver key, and fills its texts into the port record
// terminated and cut at their fields; a deleted device's records are gone.
//
// Input: a count byte of records already in the store (at most 4), each: vendor and product
// id (two bytes each), a flags byte (bit 0: the device key in upper case; bit 1: a Driver
// value; bit 2: of another type than text; bit 3: the Driver value is a key of the usual
// form numbered by the next byte, else bytes; bit 4: a ParentIdPrefix; bit 5: a symbolic
// name), the instance name, then what the flags ask for; texts are a length byte and that
// many bytes. Then operations until the input ends (see Run).
#include "platform/debug/debug.h"
#include "platform/registry/registry.h"
#include "platform/registry/values.h"
#include "platform/usbsys/enum_records.h"
#include "server/registry/key_tree.h"
#include "server/topology/registry_info.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <strings.h>
#include <vector>

namespace {

using platform::registry::ScopedKey;

constexpr const char* kUsbEnum = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
constexpr const char* kDriverClass = "{36fc9e60-c465-11cf-8056-444553540000}";

struct Existing {
    WORD vendor = 0, product = 0;
    std::string deviceKey, instance;
    std::optional<std::string> driver; // as text, when it is REG_SZ
};

const std::string& StorePath()
{
    static const std::string path = [] {
        std::string made = fuzz::ScratchFolder() + "/registry";
        setenv("FABRUN_REGISTRY", made.c_str(), 1);
        platform::SetDebugSink([](std::string_view) {});
        return made;
    }();
    return path;
}

// A key name: no separator, no NUL, not empty.
std::string Name(std::string_view bytes)
{
    std::string name(bytes);
    std::replace(name.begin(), name.end(), '\\', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    return name.empty() ? std::string("0") : name.substr(0, kMaxKeyNameLength);
}

std::string DeviceKey(WORD vendor, WORD product, bool upper)
{
    char text[32];
    std::snprintf(text, sizeof text, upper ? "VID_%04X&PID_%04X" : "vid_%04x&pid_%04x", vendor, product);
    return text;
}

std::string NumberedKey(unsigned number)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s\\%04u", kDriverClass, number);
    return text;
}

void SetValue(HKEY key, const char* name, DWORD type, std::string_view bytes)
{
    FUZZ_CHECK(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())) ==
               ERROR_SUCCESS);
}

std::vector<Existing> FillStore(fuzz::Input& input)
{
    std::remove(StorePath().c_str());
    std::vector<Existing> existing;
    const int count = input.Byte() % 5;
    for (int i = 0; i < count; ++i) {
        Existing record;
        record.vendor = static_cast<WORD>(input.Byte() | input.Byte() << 8);
        record.product = static_cast<WORD>(input.Byte() | input.Byte() << 8);
        const BYTE flags = input.Byte();
        record.deviceKey = DeviceKey(record.vendor, record.product, (flags & 1) != 0);
        record.instance = Name(input.Bytes(40));
        ScopedKey key;
        FUZZ_CHECK(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUsbEnum + record.deviceKey + "\\" + record.instance).c_str(), 0,
                                   nullptr, 0, KEY_ALL_ACCESS, nullptr, key.out(), nullptr) == ERROR_SUCCESS);
        if ((flags & 2) != 0) {
            std::string driver;
            if ((flags & 8) != 0) {
                driver = NumberedKey(input.Byte());
                driver.push_back('\0');
                ScopedKey taken;
                RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Control\\Class\\" + driver).c_str(), 0,
                                nullptr, 0, KEY_READ, nullptr, taken.out(), nullptr);
            } else {
                driver = std::string(input.Bytes(60));
            }
            const DWORD type = (flags & 4) != 0 ? REG_BINARY : REG_SZ;
            SetValue(key.get(), "Driver", type, driver);
            if (type == REG_SZ) {
                while (!driver.empty() && driver.back() == '\0')
                    driver.pop_back();
                record.driver = driver;
            }
        }
        if ((flags & 16) != 0)
            SetValue(key.get(), "ParentIdPrefix", REG_SZ, input.Bytes(40));
        if ((flags & 32) != 0) {
            ScopedKey parameters;
            FUZZ_CHECK(RegCreateKeyExA(key.get(), "Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                       parameters.out(), nullptr) == ERROR_SUCCESS);
            SetValue(parameters.get(), "SymbolicName", REG_SZ, input.Bytes(80));
        }
        existing.push_back(record);
    }
    return existing;
}

std::optional<std::string> Text(const std::string& path, const char* name)
{
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        return std::nullopt;
    std::string text;
    if (platform::registry::QueryString(key.get(), name, text) != ERROR_SUCCESS)
        return std::nullopt;
    return text;
}

bool Terminated(const char* field, std::size_t size)
{
    return std::memchr(field, '\0', size) != nullptr;
}

// Key names as the store compares them: ASCII letters without case.
std::string Folded(std::string name)
{
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name;
}

void CheckKeep(fuzz::Input& input, std::map<std::string, std::string>& kept, const std::set<std::string>& takenBefore,
               std::vector<Existing>& known)
{
    const WORD vendor = static_cast<WORD>(input.Byte() | input.Byte() << 8);
    const WORD product = static_cast<WORD>(input.Byte() | input.Byte() << 8);
    const std::string instance = Name(input.Bytes(40));
    const std::string instanceId = "USB\\" + DeviceKey(vendor, product, true) + "\\" + instance;
    const std::string prefix(input.Bytes(30));
    const std::string symbolic(input.Bytes(80));
    if (prefix.find('\0') != std::string::npos || symbolic.find('\0') != std::string::npos)
        return; // texts the station makes never hold a NUL
    const std::string key = platform::usbsys::KeepEnumRecord(instanceId, prefix, symbolic);
    if (key.empty())
        return; // the store refused (a damaged record); the last error says why
    const std::string record = "SYSTEM\\CurrentControlSet\\Enum\\" + instanceId;
    FUZZ_CHECK(Text(record, "Driver") == key);
    FUZZ_CHECK(Text(record + "\\Device Parameters", "SymbolicName") == symbolic);
    if (!prefix.empty())
        FUZZ_CHECK(Text(record, "ParentIdPrefix") == prefix);
    FUZZ_CHECK(platform::usbsys::KeepEnumRecord(instanceId, prefix, symbolic) == key);
    auto [at, added] = kept.emplace(Folded(instanceId), key);
    if (!added) {
        FUZZ_CHECK(at->second == key);
        return;
    }
    known.push_back({vendor, product, DeviceKey(vendor, product, true), instance, key});
    // A key this store did not hold before goes to one record only.
    if (!takenBefore.contains(key))
        for (const auto& [other, otherKey] : kept)
            FUZZ_CHECK(other == Folded(instanceId) || otherKey != key);
}

void CheckLookup(fuzz::Input& input, const std::vector<Existing>& existing)
{
    const BYTE pick = input.Byte();
    WORD vendor, product;
    std::string driverKey;
    if (!existing.empty() && (pick & 0x80) == 0) {
        const Existing& e = existing[pick % existing.size()];
        vendor = e.vendor;
        product = e.product;
        driverKey = e.driver.value_or(NumberedKey(pick));
        if ((pick & 0x40) != 0)
            driverKey = driverKey.substr(0, driverKey.size() / 2);
    } else {
        vendor = static_cast<WORD>(input.Byte() | input.Byte() << 8);
        product = static_cast<WORD>(input.Byte() | input.Byte() << 8);
        driverKey = NumberedKey(input.Byte());
    }
    auto record = std::make_unique<PortRecord>();
    std::memset(record.get(), 0, sizeof(PortRecord));
    LookupUsbRegistryInfo(vendor, product, driverKey, *record);
    FUZZ_CHECK(Terminated(record->parentIdPrefix, sizeof record->parentIdPrefix));
    FUZZ_CHECK(Terminated(record->serialNumber, sizeof record->serialNumber));
    FUZZ_CHECK(Terminated(record->symbolicName, sizeof record->symbolicName));
    const bool found = record->parentIdPrefix[0] != '\0' || record->serialNumber[0] != '\0' || record->symbolicName[0] != '\0';
    if (!found)
        return;
    // Some record of this device holds the whole key as its Driver value.
    bool matches = false;
    for (const Existing& e : existing)
        if (e.vendor == vendor && e.product == product && e.driver && e.driver->size() == driverKey.size() &&
            ::strncasecmp(e.driver->data(), driverKey.data(), driverKey.size()) == 0)
            matches = true;
    FUZZ_CHECK(matches);
}

void CheckDelete(fuzz::Input& input, const std::vector<Existing>& existing)
{
    if (existing.empty())
        return;
    const Existing& e = existing[input.Byte() % existing.size()];
    const std::string path = kUsbEnum + e.deviceKey;
    const int result = portwarden::DeleteKeyTree(path);
    ScopedKey key;
    const LSTATUS opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out());
    if (result == 1)
        FUZZ_CHECK(opened == ERROR_FILE_NOT_FOUND);
}

} // namespace

// Operations: a byte, 0 keep a record (vendor and product id, two bytes each; the instance
// name, the prefix and the symbolic name), 1 a port's lookup (a byte picking a record whose
// vendor, product and Driver value it uses, bit 6 with only half the value; with bit 7 set
// vendor and product id and a driver key number follow instead), 2 deleting a device's
// records (a byte picking it).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StorePath();
    fuzz::Input input(data, size);
    std::vector<Existing> existing = FillStore(input);
    std::set<std::string> takenBefore;
    for (unsigned number = 0; number < 256; ++number) {
        ScopedKey key;
        const std::string name = NumberedKey(number);
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Control\\Class\\" + name).c_str(), 0, KEY_READ,
                          key.out()) == ERROR_SUCCESS)
            takenBefore.insert(name);
    }
    for (const Existing& e : existing)
        if (e.driver)
            takenBefore.insert(*e.driver);
    std::map<std::string, std::string> kept;
    for (int operations = 0; operations < 8 && !input.Empty(); ++operations) {
        switch (input.Byte() % 3) {
        case 0:
            CheckKeep(input, kept, takenBefore, existing);
            break;
        case 1:
            CheckLookup(input, existing);
            break;
        default:
            CheckDelete(input, existing);
            existing.clear(); // what is left of them is no longer known
            kept.clear();
            break;
        }
    }
    return 0;
}
