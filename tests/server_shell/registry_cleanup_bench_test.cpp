// Registry clean-up and safe removal as the station reaches them through the interface, on
// a store the bench walk filled: the model's USB and mass-storage records go and every
// other key stays, a clean-up killed half-way leaves a whole store, the ignore-serial flag
// changes how the walk names the model's drives, and a drive is removed only while none
// of its volumes is mounted.
#include "tests/server_shell/captured_lines.h"
#include "tests/server_shell/server_on_bench.h"

#include "platform/clock/clock.h"
#include "platform/registry/values.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace fabrun_test;
namespace fs = std::filesystem;

constexpr WORD kVendor = 0x1E3D, kProduct = 0x6025;
constexpr const char* kUsbRecords = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1E3D&PID_6025";
constexpr const char* kStorageRecords =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\DISK&VEN_TARVO&PROD_FLASH_DISK&REV_1.00";

std::string Folded(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The store's text split at its "key" lines: whether each key lies in one of the trees
// named, and the lines of the keys that do not (which must never change).
struct StoreParts {
    std::set<std::string> inTrees; // key paths, folded
    std::string others;
};

StoreParts SplitStore(const std::string& text, std::initializer_list<const char*> trees)
{
    StoreParts parts;
    std::istringstream lines(text);
    bool inTree = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("key ", 0) == 0) {
            const std::string path = Folded(line.substr(4));
            inTree = std::any_of(trees.begin(), trees.end(), [&](const char* tree) {
                const std::string root = Folded(tree);
                return path == root || path.rfind(root + "\\", 0) == 0;
            });
            if (inTree)
                parts.inTrees.insert(path);
        }
        if (!inTree)
            parts.others += line + "\n";
    }
    return parts;
}

bool KeyExists(const std::string& pathBelowMachine)
{
    platform::registry::ScopedKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, pathBelowMachine.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

std::string BelowMachine(const char* path)
{
    return std::string(path).substr(std::string("HKEY_LOCAL_MACHINE\\").size());
}

class CleanUpOnBench : public BenchServer {
protected:
    // The walk, with the maker's four drives found.
    void Walk()
    {
        ASSERT_EQ(ctrl->EnumerateScanUSBPort(records.get()), 1);
        ASSERT_EQ(records[3].present, 1);
    }

    // The records of earlier drives of the model, as walks left them, added to the store.
    void AddEarlierDrives(int count)
    {
        std::string text = store.Text();
        for (int n = 0; n < count; ++n) {
            const std::string instance = "EARLIER" + std::to_string(1000 + n);
            text += std::string("key ") + kUsbRecords + "\\" + instance + "\nvalue 1 Driver ={36fc9e60-c465-11cf-8056-444553540000}\\" +
                    std::to_string(2000 + n) + "\nkey " + kUsbRecords + "\\" + instance +
                    "\\Device%20Parameters\nvalue 1 SymbolicName =\\??\\USB#VID_1E3D&PID_6025#" + instance +
                    "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}\nkey " + kStorageRecords + "\\" + instance +
                    "&0\nvalue 1 FriendlyName =TARVO%20Flash%20Disk%20USB%20Device\n";
        }
        ASSERT_TRUE(store.Replace(text));
    }

    int CleanUp() { return ctrl->DeleteDevRegistryRecordEx(kVendor, kProduct, u"Tarvo", u"Flash_Disk", u"1.00"); }
};

TEST_F(CleanUpOnBench, RemovesTheModelsRecordsAndLeavesEveryOtherKey)
{
    Walk();
    const std::string before = store.Text();
    const StoreParts walked = SplitStore(before, {kUsbRecords, kStorageRecords});
    // The walk wrote both kinds: each drive's USB record and its unit's mass-storage record.
    for (const char* instance : {"\\sn0001", "\\sn0004", "\\device%20parameters"})
        EXPECT_TRUE(std::any_of(walked.inTrees.begin(), walked.inTrees.end(),
                                [&](const std::string& path) { return path.find(instance) != std::string::npos; }))
            << instance;
    EXPECT_EQ(walked.inTrees.count(Folded(std::string(kStorageRecords) + "\\SN0001&0")), 1u);
    EXPECT_NE(walked.others.find("VID_05E3&PID_0610"), std::string::npos) << "the hubs' records are among the others";

    EXPECT_EQ(CleanUp(), 1);
    EXPECT_FALSE(KeyExists(BelowMachine(kUsbRecords)));
    EXPECT_FALSE(KeyExists(BelowMachine(kStorageRecords)));
    const StoreParts after = SplitStore(store.Text(), {kUsbRecords, kStorageRecords});
    EXPECT_TRUE(after.inTrees.empty());
    EXPECT_EQ(after.others, walked.others) << "every other key and value as the walk left it";
    EXPECT_EQ(CleanUp(), 1) << "records already gone: \"Key not found.\"";

    // The next walk writes the records of the drives still plugged in again.
    Walk();
    EXPECT_TRUE(KeyExists(BelowMachine(kStorageRecords) + "\\SN0001&0"));
}

TEST_F(CleanUpOnBench, TextsThatWouldNameAnotherKeyAreRefusedBeforeAnythingIsDeleted)
{
    Walk();
    const std::string before = store.Text();
    const struct Case {
        const char16_t *vendor, *product, *revision;
    } cases[] = {
        {u"Tarvo", u"Flash_Disk", u"1.00\\SN0001&0"},
        {u"Tarvo\\..", u"Flash_Disk", u"1.00"},
        {u"Tarvo", u"\\", u"1.00"},
        {u"Tarvo", nullptr, u"1.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::WideToUtf8(c.vendor) + "|" + (c.product ? platform::WideToUtf8(c.product) : "(null)") + "|" +
                     platform::WideToUtf8(c.revision));
        EXPECT_EQ(ctrl->DeleteDevRegistryRecordEx(kVendor, kProduct, c.vendor, c.product, c.revision), 0);
        EXPECT_EQ(store.Text(), before);
    }
}

// Runs the clean-up in a child process that `kill` stops; the child's exit status.
int CleanUpInChild(const std::function<int()>& cleanUp, const std::function<void(pid_t)>& kill)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0)
        _exit(cleanUp() == 1 ? 0 : 1);
    kill(child);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST_F(CleanUpOnBench, ACleanUpKilledHalfWayLeavesAWholeStoreThatTheNextRunFinishes)
{
    Walk();
    AddEarlierDrives(300);
    const StoreParts full = SplitStore(store.Text(), {kUsbRecords, kStorageRecords});
    ASSERT_GT(full.inTrees.size(), 900u);

    // Killed after the tenth replacement of the store, wherever it is then.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, store.folder().c_str(), IN_MOVED_TO), 0);
    const int status = CleanUpInChild([&] { return CleanUp(); }, [&](pid_t child) {
        alignas(inotify_event) char events[4096];
        for (int replaced = 0; replaced < 10;) {
            const ssize_t got = read(watch, events, sizeof events);
            ASSERT_GT(got, 0);
            for (char* at = events; at < events + got;) {
                auto* event = reinterpret_cast<inotify_event*>(at);
                if (event->len > 0 && std::string(event->name) == "registry")
                    ++replaced;
                at += sizeof(inotify_event) + event->len;
            }
        }
        ::kill(child, SIGKILL);
    });
    close(watch);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child ended on its own: " << status;

    const StoreParts killed = SplitStore(store.Text(), {kUsbRecords, kStorageRecords});
    EXPECT_TRUE(KeyExists("SYSTEM")) << "the store still reads";
    EXPECT_EQ(killed.others, full.others);
    EXPECT_LT(killed.inTrees.size(), full.inTrees.size());
    EXPECT_FALSE(killed.inTrees.empty()) << "killed half-way, not at the end";
    EXPECT_TRUE(std::includes(full.inTrees.begin(), full.inTrees.end(), killed.inTrees.begin(), killed.inTrees.end()))
        << "only deleted, nothing else written";

    EXPECT_EQ(CleanUp(), 1);
    const StoreParts finished = SplitStore(store.Text(), {kUsbRecords, kStorageRecords});
    EXPECT_TRUE(finished.inTrees.empty());
    EXPECT_EQ(finished.others, full.others);
}

TEST_F(CleanUpOnBench, ACleanUpKilledWhileWritingTheStoreLeavesTheStoreAsItWas)
{
    Walk();
    const std::string before = store.Text();
    // A file may grow to half the store only: the first replacement is cut off by SIGXFSZ.
    const int status = CleanUpInChild(
        [&] {
            rlimit noCore{0, 0}, half{before.size() / 2, before.size() / 2};
            setrlimit(RLIMIT_CORE, &noCore);
            setrlimit(RLIMIT_FSIZE, &half);
            return CleanUp();
        },
        [](pid_t) {});
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(store.Text(), before);
    EXPECT_EQ(CleanUp(), 1) << "the half-written temporary file is no obstacle";
    EXPECT_FALSE(KeyExists(BelowMachine(kUsbRecords)));
}

// The flag is read when a drive comes, as the hub driver reads it: a drive that stays
// plugged in keeps its name, and so its driver key, disk path and letter.
TEST_F(CleanUpOnBench, IgnoredSerialsNameTheModelsDrivesByTheirPlaceWhenTheyCome)
{
    const struct Case {
        const char* name;
        WORD vendor, product; // whose serials are ignored
        bool replugged;
        bool byPlace;
    } cases[] = {
        {"another model's serials ignored", 0x1234, 0xABCD, true, false},
        {"the model's serials ignored, the drives stay", kVendor, kProduct, false, false},
        {"the model's serials ignored, the drives come again", kVendor, kProduct, true, true},
    };
    Walk();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(ctrl->SetIgnoredRegistry(c.vendor, c.product), 1);
        platform::registry::ScopedKey flags;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\usbflags", 0, KEY_READ,
                                flags.out()),
                  ERROR_SUCCESS);
        DWORD type = 0;
        std::vector<BYTE> data;
        char name[32];
        std::snprintf(name, sizeof name, "IgnoreHWSerNum%04x%04x", c.vendor, c.product);
        ASSERT_EQ(platform::registry::QueryValue(flags.get(), name, type, data), ERROR_SUCCESS) << name;
        EXPECT_EQ(type, REG_BINARY);
        EXPECT_EQ(data, std::vector<BYTE>{1});

        if (c.replugged) {
            for (auto* drive : {&drive1, &drive4})
                drive->Unplug(testbed);
            ASSERT_EQ(ctrl->EnumerateScanUSBPort(records.get()), 1);
            for (auto* drive : {&drive1, &drive4})
                drive->Plug(testbed);
        }
        Walk();
        for (int record : {2, 3}) { // drives 4 and 1, which report serial numbers
            const PortRecord& r = records[record];
            const std::string serial(RecordText(r.serialNumber));
            const std::string prefix(RecordText(r.parentIdPrefix));
            EXPECT_EQ(serial, record == 2 ? "SN0004" : "SN0001") << "the device's own serial string";
            EXPECT_EQ(prefix == serial, !c.byPlace) << prefix;
            EXPECT_NE(r.DevicePath().find("#" + Folded(prefix) + "&0#"), std::string_view::npos) << r.DevicePath();
            EXPECT_EQ(RecordText(r.symbolicName).find(serial) == std::string_view::npos, c.byPlace);
        }
    }
}

TEST_F(RegisteredServer, SetIgnoredRegistryReportsAStoreThatCannotBeWritten)
{
    auto* ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
    ASSERT_NE(ctrl, nullptr);
    {
        RefusedWrites refused;
        EXPECT_EQ(ctrl->SetIgnoredRegistry(kVendor, kProduct), 0);
    }
    EXPECT_EQ(ctrl->SetIgnoredRegistry(kVendor, kProduct), 1);
    ctrl->Release();
}

// A mount of its own for the test process: a file system whose source is the drive's
// partition node, which is how the mount table names what a mount holds.
class PrivateMount {
public:
    PrivateMount(const std::string& source, const fs::path& at) : at_(at)
    {
        fs::create_directories(at_);
        mounted_ = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                   mount(source.c_str(), at_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~PrivateMount() { Unmount(); }
    bool mounted() const { return mounted_; }
    void Unmount()
    {
        if (mounted_)
            umount(at_.c_str());
        mounted_ = false;
        std::error_code ignored;
        fs::remove(at_, ignored);
    }

private:
    fs::path at_;
    bool mounted_ = false;
};

TEST_F(CleanUpOnBench, RemovalIsVetoedWhileAVolumeIsMountedAndDisconnectsAnIdleDrive)
{
    Walk();
    const DWORD disk = records[3].disk.devInst; // drive 1
    const std::string removal = testbed.RootDir() + drive1.SysPath() + "/remove";
    PrivateMount mount(drive1.PartitionNode(), store.folder() + "/mnt");
    if (!mount.mounted())
        GTEST_SKIP() << "mounting needs root: " << std::strerror(errno);

    CapturedLines lines;
    {
        platform::ScopedVirtualClock clock;
        EXPECT_EQ(ctrl->DeviceSafeRemoval(disk), 0) << "vetoed three times";
        EXPECT_EQ(clock.clock().SleptTotal(), 3 * 500 * 10'000) << "500 ms after each attempt";
    }
    const auto vetoed = lines.Take();
    EXPECT_EQ(std::count_if(vetoed.begin(), vetoed.end(),
                            [](const std::string& line) { return line.find("veto 5 STORAGE\\VOLUME\\") != std::string::npos; }),
              3)
        << ::testing::PrintToString(vetoed);
    std::ifstream untouched(removal);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(untouched), {}), "") << "nothing asked of the kernel";

    mount.Unmount();
    EXPECT_EQ(ctrl->DeviceSafeRemoval(disk), 1);
    std::ifstream asked(removal);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(asked), {}), "1") << "the kernel is told to disconnect it";
    std::ifstream other(testbed.RootDir() + drive4.SysPath() + "/remove");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(other), {}), "") << "and no other drive";
}

} // namespace
