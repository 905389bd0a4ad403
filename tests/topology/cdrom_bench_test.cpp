// CD-ROM units in the disk scan: a composite device's CD-ROM letter joins its disk's
// entry; a device that is only a CD-ROM keeps an entry of its own, and is never taken
// for another device's disk because they share vendor, product and unit number.
#include "tests/com/temporary_store.h"
#include "walker.h"

#include "platform/storage/drive_letters.h"
#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

sim::BenchFlashDrive Drive(unsigned port, unsigned host, char letter, const char* serial, std::vector<std::uint64_t> luns,
                           sim::DriveMedia media, const char* signature)
{
    sim::DrivePlacement place{1, {port}, 9 + port, host, letter};
    sim::DiskIdentity identity;
    identity.signature = signature;
    return sim::BenchFlashDrive(sim::FlashDriveSpec(place, serial), identity, std::move(luns), place, media);
}

sim::DriveMedia DiskAndCdrom()
{
    sim::DriveMedia media;
    media.mbrSignature = 0xC0A1;
    media.cdromLun = 1;
    return media;
}

sim::DriveMedia CdromOnly()
{
    sim::DriveMedia media;
    media.cdromLun = 0;
    return media;
}

class Cdroms : public ::testing::Test, public topologytest::Walker {
protected:
    void SetUp() override
    {
        root.Add(testbed);
        composite.Add(testbed);
        cdromOnly.Add(testbed);
        std::memset(disks.get(), 0, sizeof(DiskEntry) * kPortCount);
    }

    // The device node of the volume behind each of an entry's letters.
    static std::vector<std::string> LetterNodes(const DiskEntry& entry)
    {
        std::vector<std::string> nodes;
        for (int i = 0; i < entry.driveLetterCount; ++i) {
            auto volume = platform::storage::VolumeOfDriveLetter(entry.driveLetters[i]);
            nodes.push_back(volume ? volume->node : "<none>");
        }
        return nodes;
    }

    fabrun_test::TemporaryStore store;
    // Listed after the other device's CD-ROM, so that its own CD-ROM comes last.
    sim::BenchFlashDrive composite = Drive(2, 7, 'c', "CDA001", {65536, 4096}, DiskAndCdrom(), "KQ8N");
    // Its INQUIRY lacks the maker's mark; its firmware memory tells.
    sim::BenchFlashDrive cdromOnly = Drive(1, 6, 'b', "CDB002", {4096}, CdromOnly(), "ABCD");
    sim::BenchHub root{sim::RootHubSpec(1, 4)};
    sim::Testbed testbed;
    std::unique_ptr<DiskEntry[]> disks = std::make_unique<DiskEntry[]>(kPortCount);
};

TEST_F(Cdroms, ACompositeDeviceHasOneEntryWithBothLettersAndACdromAloneOneOfItsOwn)
{
    ASSERT_EQ(topology.ScanDiskPathBySymbolicName(disks.get()), 1);
    const DiskEntry& disk = disks[0];
    EXPECT_EQ(RecordText(disk.devicePath).rfind("\\\\?\\usbstor#disk&", 0), 0u) << RecordText(disk.devicePath);
    EXPECT_EQ(LetterNodes(disk), (std::vector<std::string>{composite.PartitionNode(), composite.DiskNode(1)}));

    const DiskEntry& cdrom = disks[1];
    const std::string path(RecordText(cdrom.devicePath));
    EXPECT_EQ(path.rfind("\\\\?\\usbstor#cdrom&", 0), 0u) << path;
    EXPECT_NE(path.find("#cdb002&0#"), std::string::npos) << "the other device's CD-ROM, not joined to this disk";
    EXPECT_EQ(cdrom.valid, 1);
    EXPECT_EQ(cdrom.makerDevice, 1) << "its firmware memory answered";
    EXPECT_EQ(LetterNodes(cdrom), (std::vector<std::string>{cdromOnly.DiskNode(0)}));

    EXPECT_EQ(RecordText(disks[2].devicePath), "") << "the composite device's CD-ROM leaves no entry of its own";
}

TEST_F(Cdroms, ACdromWithoutTheMarkWhoseFirmwareMemoryDoesNotAnswerIsNotTheMakers)
{
    cdromOnly.model().SetVendorGroupHandler(
        0x80, [](sim::ScsiExchange&) { return sim::ScsiAnswer::Check(sim::kSenseIllegalRequest, 0x20, 0x00); });
    ASSERT_EQ(topology.ScanDiskPathBySymbolicName(disks.get()), 1);
    EXPECT_EQ(disks[1].valid, 1);
    EXPECT_EQ(disks[1].makerDevice, 0);
}

} // namespace
