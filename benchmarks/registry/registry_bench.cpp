// Times the registry calls of a topology walk on a store the size of a full bench: the
// enumeration records of 32 drives with their driver keys, the mounted devices, and a key
// of 24 values. Queries on an unchanged store, the first query after another process
// replaced the store, and changes (each one a locked, flushed replacement of the file).
#include "platform/debug/debug.h"
#include "platform/registry/values.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using platform::registry::ScopedKey;

constexpr int kDrives = 32;
constexpr int kValuesOfOneKey = 24;
constexpr int kRuns = 200;
constexpr int kChangeRuns = 20;

void Check(LSTATUS status, const char* what)
{
    if (status != ERROR_SUCCESS) {
        std::fprintf(stderr, "%s failed: error %ld\n", what, static_cast<long>(status));
        std::exit(1);
    }
}

// Median microseconds of `work`, each run after `prepare` (not timed).
double MedianUs(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> us;
    for (int run = 0; run < runs; ++run) {
        prepare();
        auto start = std::chrono::steady_clock::now();
        work();
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

void Report(const char* what, double us)
{
    std::printf("%-62s %9.1f us\n", what, us);
}

HKEY Create(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    Check(RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr),
          "create");
    return key;
}

void SetString(HKEY key, const std::string& name, const std::string& text)
{
    Check(RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)),
          "set");
}

std::string Serial(int drive)
{
    char serial[32];
    std::snprintf(serial, sizeof serial, "AA%014d", 4200 + drive);
    return serial;
}

void FillStore()
{
    for (int drive = 0; drive < kDrives; ++drive) {
        char driverKey[64];
        std::snprintf(driverKey, sizeof driverKey, "{36fc9e60-c465-11cf-8056-444553540000}\\%04d", drive);
        ScopedKey record;
        *record.out() = Create(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB\\vid_1d6b&pid_0a2c\\" +
                                                       Serial(drive));
        SetString(record.get(), "Driver", driverKey);
        SetString(record.get(), "ParentIdPrefix", "7&2d4f1c3&0&" + std::to_string(drive));
        ScopedKey parameters;
        *parameters.out() = Create(record.get(), "Device Parameters");
        SetString(parameters.get(), "SymbolicName",
                  "\\??\\USB#VID_1D6B&PID_0A2C#" + Serial(drive) + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
        RegCloseKey(Create(HKEY_LOCAL_MACHINE, std::string("SYSTEM\\CurrentControlSet\\Control\\Class\\") + driverKey));
        ScopedKey mounted;
        *mounted.out() = Create(HKEY_LOCAL_MACHINE, "SYSTEM\\MountedDevices");
        SetString(mounted.get(), "\\DosDevices\\" + std::string(1, static_cast<char>('D' + drive % 22)) + ":" +
                                     std::to_string(drive),
                  "_??_USBSTOR#Disk&Ven_Tarvo&Prod_Flash#" + Serial(drive));
    }
    ScopedKey settings;
    *settings.out() = Create(HKEY_CURRENT_USER, "Software\\Tarvo\\Fabrun\\Station");
    for (int value = 0; value < kValuesOfOneKey; ++value)
        SetString(settings.get(), "Setting" + std::to_string(value), "value of setting " + std::to_string(value));
}

// What the walk asks for one drive: its record found by enumeration, then its values.
void LookUpRecord(HKEY usb, int drive)
{
    ScopedKey device, record, parameters;
    std::string text;
    Check(RegOpenKeyExA(usb, "vid_1d6b&pid_0a2c", 0, KEY_READ, device.out()), "open device");
    char name[kMaxKeyNameLength + 1];
    DWORD length = sizeof name;
    Check(RegEnumKeyExA(device.get(), static_cast<DWORD>(drive), name, &length, nullptr, nullptr, nullptr, nullptr),
          "enumerate");
    Check(RegOpenKeyExA(device.get(), name, 0, KEY_READ, record.out()), "open record");
    Check(platform::registry::QueryString(record.get(), "Driver", text), "query Driver");
    Check(platform::registry::QueryString(record.get(), "ParentIdPrefix", text), "query ParentIdPrefix");
    Check(RegOpenKeyExA(record.get(), "Device Parameters", 0, KEY_READ, parameters.out()), "open parameters");
    Check(platform::registry::QueryString(parameters.get(), "SymbolicName", text), "query SymbolicName");
}

// Another process's change: a new file with the same content renamed over the store.
void ReplaceBehindOurBack(const std::string& store)
{
    std::filesystem::copy_file(store, store + ".outside", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(store + ".outside", store);
}

} // namespace

int main()
{
    std::string folder = (std::filesystem::temp_directory_path() / "fabrun-registry-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string store = folder + "/registry";
    setenv("FABRUN_REGISTRY", store.c_str(), 1);
    platform::SetDebugSink([](std::string_view) {});
    FillStore();
    std::printf("store: %ju bytes, %d drive records, one key of %d values, in %s\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(store)), kDrives, kValuesOfOneKey,
                folder.c_str());

    ScopedKey settings, usb;
    Check(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tarvo\\Fabrun\\Station", 0, KEY_ALL_ACCESS, settings.out()),
          "open settings");
    Check(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB", 0, KEY_READ, usb.out()),
          "open USB");
    auto nothing = [] {};
    auto readSettings = [&] {
        std::string text;
        for (int value = 0; value < kValuesOfOneKey; ++value)
            Check(platform::registry::QueryString(settings.get(), ("Setting" + std::to_string(value)).c_str(), text),
                  "query setting");
    };
    auto lookUpAll = [&] {
        for (int drive = 0; drive < kDrives; ++drive)
            LookUpRecord(usb.get(), drive);
    };
    auto queryOne = [&] {
        DWORD size = 0;
        Check(RegQueryValueExA(settings.get(), "Setting0", nullptr, nullptr, nullptr, &size), "query size");
    };

    Report("one value's size, store unchanged", MedianUs(kRuns, nothing, queryOne));
    Report("one value's size, first after another process's change",
           MedianUs(kRuns, [&] { ReplaceBehindOurBack(store); }, queryOne));
    Report("24 values of one key, store unchanged", MedianUs(kRuns, nothing, readSettings));
    Report("records of 32 drives (as in one walk), store unchanged", MedianUs(kRuns, nothing, lookUpAll));
    Report("existing key opened for writing (lock, nothing written)", MedianUs(kRuns, nothing, [&] {
        RegCloseKey(Create(settings.get(), "Existing"));
    }));
    int counter = 0;
    Report("value set to new data (lock, flushed replacement)", MedianUs(kChangeRuns, nothing, [&] {
        SetString(settings.get(), "Counter", std::to_string(++counter));
    }));
    Report("24 values of one key, right after our own change", MedianUs(kChangeRuns, [&] {
        SetString(settings.get(), "Counter", std::to_string(++counter));
    }, readSettings));

    std::filesystem::remove_all(folder);
    return 0;
}
