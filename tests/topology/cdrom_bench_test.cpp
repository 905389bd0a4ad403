// CD-ROM units in the disk scan and the walk: a composite device's CD-ROM letter joins its
// disk's entry; a device that is only a CD-ROM keeps an entry of its own, is never taken
// for another device's disk because they share vendor, product and unit number, and is
// matched to its own port (and no other) with its letter.
#include "tests/com/temporary_store.h"
#include "walker.h"

#include "platform/storage/drive_letters.h"
#include "platform/storage/mounted_devices.h"
#include "server/topology/cdrom_volumes.h"
#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

sim::BenchFlashDrive Drive(unsigned port, unsigned host, char letter, std::optional<std::string> serial,
                           std::vector<std::uint64_t> luns, sim::DriveMedia media, const char* signature)
{
    sim::DrivePlacement place{1, {port}, 9 + port, host, letter};
    sim::DiskIdentity identity;
    identity.signature = signature;
    return sim::BenchFlashDrive(sim::FlashDriveSpec(place, std::move(serial)), identity, std::move(luns), place, media);
}

sim::DriveMedia DiskAndCdrom()
{
    sim::DriveMedia media;
    media.mbrSignature = 0xC0A1;
    media.cdromLun = 1;
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
    sim::BenchFlashDrive cdromOnly = Drive(1, 6, 'b', "CDB002", {4096}, sim::CdromOnly(), "ABCD");
    // Two of one model without serial numbers, added only where a test says so.
    sim::BenchFlashDrive cdromTwin3 = Drive(3, 8, 'd', std::nullopt, {4096}, sim::CdromOnly(), "KQ8N");
    sim::BenchFlashDrive cdromTwin4 = Drive(4, 9, 'e', std::nullopt, {4096}, sim::CdromOnly(), "KQ8N");
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
    ASSERT_EQ(RunWalk(), 1);
    EXPECT_EQ(records[0].portNumber, 2u) << "only the composite device is recorded";
    EXPECT_EQ(records[1].hubTier, 0);
}

TEST_F(Cdroms, ACdromOnlyDriveIsWalkedMatchedToItsOwnPortAndLettered)
{
    ASSERT_EQ(RunWalk(), 1);
    const PortRecord& cdrom = records[0];
    ASSERT_EQ(cdrom.present, 1);
    EXPECT_EQ(cdrom.portNumber, 1u);
    EXPECT_EQ(cdrom.DevicePath().rfind("\\\\?\\usbstor#cdrom&", 0), 0u) << cdrom.DevicePath();
    EXPECT_NE(cdrom.DevicePath().find("#cdb002&0#"), std::string_view::npos) << cdrom.DevicePath();
    EXPECT_EQ(RecordText(cdrom.serialNumber), "CDB002");
    EXPECT_EQ(cdrom.disk.valid, 1);
    EXPECT_EQ(cdrom.disk.ready, 1);
    EXPECT_EQ(LetterNodes(cdrom.disk), (std::vector<std::string>{cdromOnly.DiskNode(0)}));

    const PortRecord& disk = records[1];
    ASSERT_EQ(disk.present, 1);
    EXPECT_EQ(disk.portNumber, 2u);
    EXPECT_EQ(disk.DevicePath().rfind("\\\\?\\usbstor#disk&", 0), 0u) << disk.DevicePath();
    EXPECT_EQ(LetterNodes(disk.disk), (std::vector<std::string>{composite.PartitionNode(), composite.DiskNode(1)}));
    EXPECT_EQ(records[2].hubTier, 0) << "the composite device's CD-ROM is no port of its own";

    PortRecord polled = cdrom;
    EXPECT_EQ(topology.PollingSingleUSBPort(&polled), 1);
    EXPECT_EQ(polled.present, 1);
    EXPECT_EQ(polled.changed, 0);
    EXPECT_EQ(polled.DevicePath(), cdrom.DevicePath());
}

TEST_F(Cdroms, TwinCdromOnlyDrivesWithoutSerialNumbersEachGoToTheirOwnPort)
{
    cdromTwin3.Add(testbed);
    cdromTwin4.Add(testbed);
    ASSERT_EQ(RunWalk(), 1);
    ASSERT_EQ(records[2].portNumber, 3u);
    ASSERT_EQ(records[3].portNumber, 4u);
    EXPECT_NE(records[2].DevicePath(), records[3].DevicePath());
    EXPECT_EQ(LetterNodes(records[2].disk), (std::vector<std::string>{cdromTwin3.DiskNode(0)}));
    EXPECT_EQ(LetterNodes(records[3].disk), (std::vector<std::string>{cdromTwin4.DiskNode(0)}));
}

TEST_F(Cdroms, ACdromTakesOnlyTheFirstLetterWhoseRecordNamesIt)
{
    ASSERT_EQ(topology.ScanDiskPathBySymbolicName(disks.get()), 1);
    ASSERT_EQ(disks[1].driveLetterCount, 1);
    const char letter = disks[1].driveLetters[0];
    // A record left behind names the volume under a later letter as well.
    const std::string path(RecordText(disks[1].devicePath));
    ASSERT_EQ(platform::storage::KeepLetterRecord('Y', platform::storage::RecordDataOfVolume(path)), ERROR_SUCCESS);
    ASSERT_EQ(topology.ScanDiskPathBySymbolicName(disks.get()), 1);
    EXPECT_EQ(std::string(disks[1].driveLetters, disks[1].driveLetterCount), std::string(1, letter));
}

TEST_F(Cdroms, ACdromThatIsNotReadyKeepsNoCapacityFromTheCallersEntry)
{
    std::memset(disks.get(), 0xEE, sizeof(DiskEntry) * kPortCount);
    cdromOnly.model().NotReadyForPolls(1);
    ASSERT_EQ(topology.ScanDiskPathBySymbolicName(disks.get()), 1);
    const DiskEntry& cdrom = disks[1];
    ASSERT_NE(RecordText(cdrom.devicePath).find("#cdb002&0#"), std::string_view::npos);
    EXPECT_EQ(cdrom.valid, 1);
    EXPECT_EQ(cdrom.ready, 0);
    EXPECT_EQ(std::vector<BYTE>(cdrom.capacity, cdrom.capacity + 8), std::vector<BYTE>(8, 0));
    EXPECT_EQ(disks[0].ready, 1) << "the composite device's disk answered";
    EXPECT_NE(std::vector<BYTE>(disks[0].capacity, disks[0].capacity + 8), std::vector<BYTE>(8, 0));
}

// Whether a CD-ROM volume path and a disk path name units of one device: they may differ
// in the unit number and the interface class, never in the device instance.
struct Pairing {
    const char* what;
    const char* disk;
    const char* cdrom;
    bool same;
};

void PrintTo(const Pairing& pairing, std::ostream* out)
{
    *out << pairing.what;
}

class CdromPairing : public ::testing::TestWithParam<Pairing> {};

TEST_P(CdromPairing, TellsUnitsOfOneDeviceFromUnitsOfAnother)
{
    EXPECT_EQ(SameDiskInstance(GetParam().disk, GetParam().cdrom), GetParam().same);
}

#define DISK_PATH(unit) "\\\\?\\usbstor#disk&ven_tarvo&prod_flash_disk&rev_1.00#" unit "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"
#define CDROM_PATH(product, unit) \
    "\\\\?\\usbstor#cdrom&ven_tarvo&prod_" product "&rev_1.00#" unit "#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}"

INSTANTIATE_TEST_SUITE_P(
    Table, CdromPairing,
    ::testing::Values(Pairing{"by_serial", DISK_PATH("cda001&0"), CDROM_PATH("flash_disk", "cda001&1"), true},
                      Pairing{"by_place", DISK_PATH("6&1a2b3c4d&0&0"), CDROM_PATH("flash_disk", "6&1a2b3c4d&0&1"), true},
                      Pairing{"letter_case", "\\\\?\\USBSTOR#DISK&VEN_TARVO&PROD_FLASH_DISK&REV_1.00#CDA001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
                              CDROM_PATH("flash_disk", "cda001&1"), true},
                      Pairing{"a_unit_of_its_own_product", DISK_PATH("cda001&0"), CDROM_PATH("cd-rom", "cda001&1"), false},
                      Pairing{"another_drive_by_serial", DISK_PATH("cda001&0"), CDROM_PATH("flash_disk", "cdb002&0"), false},
                      Pairing{"another_drive_by_place", DISK_PATH("6&1a2b3c4d&0&0"), CDROM_PATH("flash_disk", "6&5e6f7a8b&0&0"),
                              false},
                      Pairing{"a_disk_on_another_bus",
                              "\\\\?\\scsi#disk&ven_tarvo&prod_flash_disk#6&1a2b3c4d&0&000000#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
                              CDROM_PATH("flash_disk", "6&1a2b3c4d&0&1"), false},
                      Pairing{"paths_too_short", "\\\\?\\usbstor", "\\\\?\\usbstor#cdrom", false}),
    [](const ::testing::TestParamInfo<Pairing>& info) { return std::string(info.param.what); });

#undef DISK_PATH
#undef CDROM_PATH

} // namespace
