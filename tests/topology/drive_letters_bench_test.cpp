// Drive letters of the walk's disks: each port's disk gets the letter of its partition, a
// letter stays with its disk while other disks come and go, and the system disk gets none.
#include "bench_tree.h"
#include "tests/com/temporary_store.h"
#include "walker.h"

#include "platform/devio/devio.h"
#include "platform/registry/values.h"
#include "platform/storage/disk_numbers.h"
#include "platform/storage/drive_letters.h"
#include "platform/storage/volume_api.h"
#include "platform/storage/volumes.h"
#include "platform/text/text.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace {

class DriveLetters : public topologytest::BenchTree, public topologytest::Walker {
protected:
    // The letter of each drive's disk after a walk, by the drive's partition node.
    std::map<std::string, char> LettersByPartition()
    {
        std::map<std::string, char> letters;
        EXPECT_EQ(RunWalk(), 1);
        for (int i = 0; i < kPortCount && records[i].hubTier != 0; ++i) {
            const DiskEntry& disk = records[i].disk;
            EXPECT_EQ(disk.driveLetterCount, 1) << records[i].DevicePath();
            if (disk.driveLetterCount != 1)
                continue;
            auto volume = platform::storage::VolumeOfDriveLetter(disk.driveLetters[0]);
            if (volume)
                letters[volume->node] = disk.driveLetters[0];
        }
        return letters;
    }

    fabrun_test::TemporaryStore store;
};

TEST_F(DriveLetters, AThreeTierWalkGivesEachPortTheLetterOfItsOwnPartition)
{
    auto letters = LettersByPartition();
    ASSERT_EQ(letters.size(), 4u) << "four ports, each with its own disk's volume";
    for (auto* drive : {&drive1, &drive2, &drive3, &drive4})
        EXPECT_EQ(letters.count(drive->PartitionNode()), 1u) << drive->PartitionNode();
    for (const auto& [node, letter] : letters)
        EXPECT_TRUE(letter >= 'C' && letter <= 'Z') << letter;
}

TEST_F(DriveLetters, TheSystemDiskHasNoLetter)
{
    const DWORD drives = GetLogicalDrives();
    int lettered = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0)
            continue;
        ++lettered;
        auto volume = platform::storage::VolumeOfDriveLetter(letter);
        ASSERT_TRUE(volume);
        EXPECT_EQ(volume->node.rfind("/dev/sd", 0), 0u) << letter << ": " << volume->node;
    }
    EXPECT_EQ(lettered, 5) << "the five USB disks; never the virtio system disk";
}

TEST_F(DriveLetters, ALetterStaysWithItsDiskWhileAnotherComesAndGoes)
{
    const auto before = LettersByPartition();
    drive1.Unplug(testbed);
    auto after = LettersByPartition();
    for (auto* drive : {&drive2, &drive3, &drive4})
        EXPECT_EQ(after[drive->PartitionNode()], before.at(drive->PartitionNode())) << drive->PartitionNode();

    drive1.Plug(testbed);
    after = LettersByPartition();
    for (auto* drive : {&drive1, &drive2, &drive3, &drive4})
        EXPECT_EQ(after[drive->PartitionNode()], before.at(drive->PartitionNode())) << drive->PartitionNode();
}

TEST_F(DriveLetters, ANewDiskDoesNotTakeTheLetterOfOneThatIsAway)
{
    const char away = LettersByPartition().at(drive1.PartitionNode());
    drive1.Unplug(testbed);
    auto newcomer = topologytest::Drive({1, 4, 1}, 15, 11, 'g', "SN0005");
    newcomer.Plug(testbed);
    auto letters = LettersByPartition();
    ASSERT_EQ(letters.count(newcomer.PartitionNode()), 1u);
    EXPECT_NE(letters[newcomer.PartitionNode()], away);

    drive1.Plug(testbed);
    EXPECT_EQ(LettersByPartition().at(drive1.PartitionNode()), away) << "it gets its letter back";
    newcomer.Unplug(testbed);
}

TEST_F(DriveLetters, ALetterIsNotGivenToAnotherDeviceBehindItsVolumesNode)
{
    const char away = LettersByPartition().at(drive1.PartitionNode());
    // Another device now answers behind drive 1's node (its serial tells); no walk since,
    // so the device listing still names drive 1 there.
    AnotherDeviceAnswersBehindDrive1();
    auto volume = platform::storage::VolumeOfDriveLetter(away);
    EXPECT_FALSE(volume) << away << ": " << volume->node;
}

TEST_F(DriveLetters, ADiskPathDoesNotOpenAnotherDeviceBehindItsNode)
{
    ASSERT_EQ(RunWalk(), 1);
    std::string path;
    for (int i = 0; i < kPortCount && records[i].hubTier != 0; ++i)
        if (records[i].DevicePath().find("sn0001") != std::string::npos)
            path = records[i].DevicePath();
    ASSERT_FALSE(path.empty()) << "drive 1 is walked";
    AnotherDeviceAnswersBehindDrive1();
    HANDLE disk = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(disk, INVALID_HANDLE_VALUE) << path;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    if (disk != INVALID_HANDLE_VALUE)
        CloseHandle(disk);
}

TEST_F(DriveLetters, ADeviceIsFoundByItsNumberWhicheverNodeTheCallerNames)
{
    auto partition = platform::storage::VolumeDeviceOfNode(drive2.PartitionNode());
    ASSERT_TRUE(partition);
    for (const std::string& node : {drive2.PartitionNode(), drive1.PartitionNode(), std::string("/dev/nonesuch"), std::string()}) {
        auto found = platform::storage::FindDevice(partition->device.dev, node);
        ASSERT_TRUE(found) << node;
        EXPECT_EQ(found->device.node, drive2.PartitionNode()) << node;
        EXPECT_EQ(found->disk.node, drive2.DiskNode()) << node;
    }
}

TEST_F(DriveLetters, ADiskNumberCountsADiskThatCameBackUnderItsNameWithAnotherDeviceNumber)
{
    auto numberOfDrive3 = [&] {
        auto disk = platform::storage::VolumeDeviceOfNode(drive3.PartitionNode());
        return disk ? platform::storage::NumberOfDisk(disk->disk) : -1;
    };
    const int before = numberOfDrive3();
    ASSERT_GE(before, 1) << "drive 1's disk comes before drive 3's";
    // Drive 1's disk leaves and a disk numbered above drive 3's comes back under its name.
    const std::string entry = testbed.RootDir() + "/sys/block/" + drive1.DiskNode().substr(5);
    const auto target = std::filesystem::read_symlink(entry);
    std::ofstream(entry + "/dev") << "8:250\n";
    std::filesystem::remove(entry);
    std::filesystem::create_symlink(target, entry);
    EXPECT_EQ(numberOfDrive3(), before - 1);
}

TEST_F(DriveLetters, ADiskWithoutAMediumKeepsTheOthersNumbersButIsNoPhysicalDrive)
{
    auto numberOf = [&](const sim::BenchFlashDrive& drive) {
        auto disk = platform::storage::VolumeDeviceOfNode(drive.PartitionNode());
        return disk ? platform::storage::NumberOfDisk(disk->disk) : -1;
    };
    const int number1 = numberOf(drive1);
    const int number3 = numberOf(drive3);
    ASSERT_GE(number1, 0);
    ASSERT_GT(number3, number1);
    Drive1LosesItsMedium();
    EXPECT_EQ(numberOf(drive3), number3);
    auto physical3 = platform::storage::DiskByNumber(number3);
    ASSERT_TRUE(physical3);
    EXPECT_EQ(physical3->disk.node, drive3.DiskNode());
    EXPECT_FALSE(platform::storage::DiskByNumber(number1));
}

TEST_F(DriveLetters, TheScanReplacesTheLettersTheCallersEntriesHeld)
{
    auto disks = std::make_unique<DiskEntry[]>(kPortCount);
    std::memset(disks.get(), 0xEE, sizeof(DiskEntry) * kPortCount);
    ASSERT_EQ(topology.ScanDiskPathBySymbolicName(disks.get()), 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(disks[i].driveLetterCount, 1) << RecordText(disks[i].devicePath);
        EXPECT_EQ(disks[i].driveLetters[1], 0);
    }
}

TEST_F(DriveLetters, TheLetterIsKeptAsAMountedDeviceRecordNamingTheVolume)
{
    const char letter = LettersByPartition().at(drive1.PartitionNode());
    platform::registry::ScopedKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\MountedDevices", 0, KEY_READ, key.out()), ERROR_SUCCESS);
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    ASSERT_EQ(platform::registry::QueryValue(key.get(), (std::string("\\DosDevices\\") + letter + ":").c_str(), type, data),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    std::u16string wide(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const std::string text = platform::WideToAnsi(wide);
    EXPECT_EQ(text.rfind("\\??\\storage#volume#_??_usbstor#disk&ven_tarvo", 0), 0u) << text;
    EXPECT_NE(text.find("#sn0001&0#"), std::string::npos) << text;
}

} // namespace
