#include "platform/usbsys/enum_records.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/registry/store.h"
#include "platform/registry/values.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace platform::usbsys {
namespace {

using registry::ScopedKey;

constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr const char* kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr const char* kUsbDriverClass = "{36fc9e60-c465-11cf-8056-444553540000}";
constexpr unsigned kDriverKeyNumbers = 10000; // "\0000" .. "\9999"

struct WholeRecord {
    std::string parentIdPrefix;
    std::string symbolicName;
    std::string driverKey;
};

struct Records {
    // Two threads naming one new device must not allocate two keys for it.
    std::mutex lock;
    // Numbers below this one were taken when this process last looked.
    unsigned next = 0;
    // The records found whole, by instance id, in the version of the store `checkedIn`:
    // while the store is that version, keeping one of them again would write nothing and
    // find the same driver key. The walk names every device several times.
    registry::SeenVersion checkedIn;
    std::unordered_map<std::string, WholeRecord> whole;
};

Records& State()
{
    static Records* state = new Records;
    return *state;
}

const std::string* DriverKeyOfWholeRecord(const Records& state, const std::shared_ptr<const registry::Key>& top,
                                          const std::string& instanceId, const std::string& parentIdPrefix,
                                          const std::string& symbolicName)
{
    if (!state.checkedIn.Is(top))
        return nullptr;
    auto found = state.whole.find(instanceId);
    if (found == state.whole.end() || found->second.parentIdPrefix != parentIdPrefix ||
        found->second.symbolicName != symbolicName)
        return nullptr;
    return &found->second.driverKey;
}

// Remembers a record the calls kept, as whole in `before`, the version that was current
// before them, only when that version is still current after them: then nothing, not
// even our own write, replaced the store in between, and every call found the record in
// that version. Otherwise it is checked again the next time.
void RememberWholeRecord(Records& state, const std::shared_ptr<const registry::Key>& before, const std::string& instanceId,
                         WholeRecord record)
{
    std::shared_ptr<const registry::Key> after;
    if (before == nullptr || registry::LoadStore(after) != ERROR_SUCCESS || after != before)
        return;
    if (!state.checkedIn.Is(before)) {
        state.whole.clear();
        state.checkedIn.Remember(before);
    }
    state.whole.insert_or_assign(instanceId, std::move(record));
}

// Claims the first free number: creating its key is the claim, so two processes never
// take the same one.
LSTATUS AllocateDriverKey(unsigned& next, std::string& driverKey)
{
    for (; next < kDriverKeyNumbers; ++next) {
        char name[64];
        std::snprintf(name, sizeof name, "%s\\%04u", kUsbDriverClass, next);
        ScopedKey key;
        DWORD disposition = 0;
        LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + name).c_str(), 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, key.out(), &disposition);
        if (status != ERROR_SUCCESS)
            return status;
        if (disposition == REG_CREATED_NEW_KEY) {
            driverKey = name;
            ++next;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_NO_MORE_ITEMS;
}

LSTATUS KeepRecord(const std::string& instanceId, const std::string& parentIdPrefix, const std::string& symbolicName,
                   std::string& driverKey)
{
    ScopedKey record;
    LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kEnumKey + instanceId).c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, record.out(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = registry::QueryString(record.get(), "Driver", driverKey);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && driverKey.empty())) {
        if ((status = AllocateDriverKey(State().next, driverKey)) != ERROR_SUCCESS)
            return status;
        status = registry::KeepString(record.get(), "Driver", driverKey);
    }
    if (status == ERROR_SUCCESS && !parentIdPrefix.empty())
        status = registry::KeepString(record.get(), "ParentIdPrefix", parentIdPrefix);
    if (status != ERROR_SUCCESS)
        return status;
    ScopedKey parameters;
    status = RegCreateKeyExA(record.get(), "Device Parameters", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, parameters.out(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    return registry::KeepString(parameters.get(), "SymbolicName", symbolicName);
}

} // namespace

std::string KeepEnumRecord(const std::string& instanceId, const std::string& parentIdPrefix,
                           const std::string& symbolicName)
{
    auto& state = State();
    std::lock_guard guard(state.lock);
    // A store that cannot be read leaves `before` empty: the calls below report it.
    std::shared_ptr<const registry::Key> before;
    if (registry::LoadStore(before) == ERROR_SUCCESS) {
        if (const auto* driverKey = DriverKeyOfWholeRecord(state, before, instanceId, parentIdPrefix, symbolicName))
            return *driverKey;
    }
    std::string driverKey;
    const LSTATUS status = KeepRecord(instanceId, parentIdPrefix, symbolicName, driverKey);
    if (status != ERROR_SUCCESS) {
        DebugPrintf("enumeration record of %s not kept: error %ld", instanceId.c_str(), static_cast<long>(status));
        SetLastError(static_cast<DWORD>(status));
        return {};
    }
    RememberWholeRecord(state, before, instanceId, {parentIdPrefix, symbolicName, driverKey});
    return driverKey;
}

} // namespace platform::usbsys
