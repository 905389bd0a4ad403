// The console in flash-drive mode through the real window on the bench: the start-up hands
// the server the dump folder, and each port view identifies the first present drive (its
// flash id, chip enables and channels), makes the server's block map for its ports, reads
// that drive's CIS, and starts each worker with its port's record of the map.
#include "flash_drive_fixture.h"

#include "resources/resource_ids.h"
#include "sim/station/flash_drive_files.h"

namespace consoletest {
namespace {

using FlashDriveViews = FlashDriveStation;

TEST_F(FlashDriveViews, TheDumpFolderGoesToTheServerOnlyInFlashDriveModeAndWhenItIsSet)
{
    struct Case {
        const char* name;
        bool flashDrive;
        bool folderSet;
        bool handedOver;
    };
    for (const Case& c : {Case{"flash-drive mode with a folder", true, true, true},
                          Case{"flash-drive mode without a folder", true, false, false},
                          Case{"chip mode with a folder", false, true, false}}) {
        flashDrive = c.flashDrive;
        extraStationKeys = c.folderSet ? "DebugFilePath=" + (Folder() / "dumps").string() + "\n" : "";
        ClearLines();
        ASSERT_TRUE(StartThirtyTwo()) << c.name;
        EXPECT_EQ((frame->FabrunMode & kFabrunModeFlashDrive) != 0, c.flashDrive) << c.name;
        EXPECT_EQ(HasLine("SetDebugDmpFilePathSS()"), c.handedOver) << c.name;
        frame.reset();
    }
}

// One drive after the other, each the only one and so port 1, found by Enumerate: the map
// has the view's 32 ports and the drive's chip enables and channels, and the previous map
// is freed.
TEST_F(FlashDriveViews, TheBlockMapHasTheViewsPortsAndTheFirstDrivesChipEnablesAndChannels)
{
    struct Case {
        unsigned ces, channels;
    };
    const Case cases[] = {{1, 1}, {1, 2}, {2, 4}, {4, 1}, {4, 4}, {3, 2}};
    sim::StationFlashDrive* drive = &AddDrive(1, sim::StationFlash(cases[0].ces, cases[0].channels));
    ASSERT_TRUE(StartThirtyTwo());
    for (const Case& c : cases) {
        if (&c != &cases[0]) {
            drive->drive.Unplug(bench.testbed());
            drive = &AddDrive(static_cast<unsigned>(&c - cases) + 1, sim::StationFlash(c.ces, c.channels), true);
            ClearLines();
            frame->OnEnumerate();
        }
        const std::string name = std::to_string(c.ces) + " x " + std::to_string(c.channels);
        ASSERT_NE(frame->BlockMapHandle, nullptr) << name;
        const UFDBlockMap& map = *frame->BlockMapHandle;
        EXPECT_EQ(map.portCount, 32) << name;
        EXPECT_EQ(map.ceCount, c.ces) << name;
        EXPECT_EQ(map.channelCount, c.channels) << name;
        ASSERT_NE(PortBlockMap(map, 31), nullptr) << name;
        // No flash part known: a flash-size code of 0, 512 blocks per chip enable.
        EXPECT_EQ(PortBlockMap(map, 0)->bitmapBytes & 0xFFFF, 512 / 8) << name;
        EXPECT_TRUE(HasLineStarting("CloseDiskPath(Index=0,")) << name << ": the disk is closed after the read";
    }
}

// The drive on the first present port is read, whichever port that is; its CIS gives the
// system addresses, the physical capacity and the LUN capacities.
TEST_F(FlashDriveViews, TheFirstPresentPortsCisGivesAddressesAndCapacities)
{
    AddDrive(3);
    AddDrive(5);
    ASSERT_TRUE(StartThirtyTwo());
    ASSERT_TRUE(View().PortButton(0).isEnabled());
    ASSERT_TRUE(View().PortButton(1).isEnabled());
    EXPECT_EQ(Image().Dword(cis::kPhysicalCapacity), 0u) << "no system area yet";

    const std::array<DWORD, 4> addresses{0x00000040, 0x00000080, 0x000000C0, 0x00000100};
    ASSERT_TRUE(WriteSystemArea(0, addresses, {0x1000, 0x2000, 0, 0x30}, 0x3C000));
    ClearLines();
    frame->OnEnumerate();
    EXPECT_TRUE(HasLine("ReadFlashID_UFD(0)"));
    EXPECT_FALSE(HasLine("ReadFlashID_UFD(1)")) << "only the first present port is read";
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(Image().Dword(cis::kBlockAddresses + 4 * k), addresses[k]) << k;
    EXPECT_EQ(Image().Dword(cis::kPhysicalCapacity), 0x3C000u);
    EXPECT_EQ(std::vector<DWORD>(frame->PortLunCapacities[0], frame->PortLunCapacities[0] + 4),
              (std::vector<DWORD>{0x1000, 0x2000, 0, 0x30}));
    EXPECT_EQ(frame->PortLunCapacities[1][0], 0u) << "the other port is not read";
}

// What fails on the way leaves nothing made up: no map without a flash id, no addresses
// from a failed address read, no capacities from a failed CIS read.
TEST_F(FlashDriveViews, AFailedReadLeavesNoMapAndNoValuesItDidNotRead)
{
    sim::StationFlashDrive& drive = AddDrive(1, sim::StationFlash(2, 2));
    ASSERT_TRUE(StartThirtyTwo());
    const std::array<DWORD, 4> addresses{0x10, 0x20, 0x30, 0x40};
    ASSERT_TRUE(WriteSystemArea(0, addresses, {0x800, 0, 0, 0}, 0x9000));
    frame->OnEnumerate();
    ASSERT_NE(frame->BlockMapHandle, nullptr);
    ASSERT_EQ(Image().Dword(cis::kPhysicalCapacity), 0x9000u);

    struct Case {
        const char* name;
        sim::CommandPattern pattern;
        unsigned first; // which matching command fails
        bool mapMade;
        bool addressesRead;
    };
    const Case cases[] = {
        {"flash id of chip enable 0", sim::CommandPattern::Vendor(0x90, 0x82), 1, false, false},
        {"flash id of chip enable 2", sim::CommandPattern::Vendor(0x90, 0x82), 3, false, false},
        {"system addresses", sim::CommandPattern::Vendor(0x90, 0x8C), 1, true, false},
        {"CIS block", sim::CommandPattern::Vendor(0x95, 0x89), 1, true, true},
    };
    for (const Case& c : cases) {
        frame->CisSetting.CISImage.SetDword(cis::kPhysicalCapacity, 0x1234);
        for (std::size_t k = 0; k < 4; ++k)
            frame->CisSetting.CISImage.SetDword(cis::kBlockAddresses + 4 * k, 0xA0 + static_cast<DWORD>(k));
        frame->PortLunCapacities[0][0] = 0x77;
        drive.drive.model().AddFaultRule({c.pattern, sim::FaultKind::CheckCondition, c.first, 1, {}});
        ClearLines();
        frame->OnEnumerate();
        drive.drive.model().ClearFaultRules();
        EXPECT_EQ(frame->BlockMapHandle != nullptr, c.mapMade) << c.name;
        EXPECT_TRUE(HasLineStarting("CloseDiskPath(Index=0,")) << c.name;
        EXPECT_EQ(HasLine("Fail Fail"), c.first == 1 && !c.mapMade) << c.name << ": the first flash id failed";
        if (!c.mapMade) {
            EXPECT_EQ(Image().Dword(cis::kPhysicalCapacity), 0x1234u) << c.name << ": the CIS is not read";
            EXPECT_EQ(frame->PortLunCapacities[0][0], 0x77u) << c.name;
            continue;
        }
        EXPECT_EQ(Image().Dword(cis::kPhysicalCapacity), 0u) << c.name << ": no capacity that was not read";
        EXPECT_EQ(frame->PortLunCapacities[0][0], 0x77u) << c.name;
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(Image().Dword(cis::kBlockAddresses + 4 * k), c.addressesRead ? addresses[k] : 0xA0 + k) << c.name << k;
    }
}

// The first drive's flash is looked up in the flash-part database, read at start-up: its
// part's name and parameters go into the settings, and its flash-size code sizes the map.
// A flash the database does not know leaves neither the previous name nor its parameters.
TEST_F(FlashDriveViews, TheFirstDrivesFlashPartComesFromTheDatabase)
{
    sim::nand::NandConfig small = sim::StationFlash(1, 2);
    sim::nand::NandConfig large = sim::StationFlash(2, 1);
    large.geometry.id = {0xAD, 0xDE, 0x94, 0xDA, 0x74};
    large.geometry.blocks = 4096;
    large.geometry.pagesPerBlock = 128;
    sim::nand::NandConfig unknown = sim::StationFlash();
    unknown.geometry.id = {0x2C, 0x64, 0x44, 0x4B, 0xA9};
    WriteStationFile("Kelvra.dll", sim::ScrambledFlashDatabase(sim::FlashDatabaseText({sim::FlashPartLine("SMALL-NAND", small.geometry),
                                                                                       sim::FlashPartLine("LARGE-NAND", large.geometry)}),
                                                                7));
    sim::StationFlashDrive* drive = &AddDrive(1, small);
    ASSERT_TRUE(StartThirtyTwo());
    EXPECT_TRUE(boxes.empty()) << "the database was read";

    struct Case {
        const char* part; // "" when the database has none
        const sim::nand::NandConfig* flash;
        int bitmapBytes;
    };
    const Case cases[] = {{"SMALL-NAND", &small, 1024 / 8}, {"LARGE-NAND", &large, 4096 / 8}, {"", &unknown, 512 / 8}};
    for (const Case& c : cases) {
        if (&c != &cases[0]) {
            drive->drive.Unplug(bench.testbed());
            drive = &AddDrive(static_cast<unsigned>(&c - cases) + 1, *c.flash, true);
            frame->OnEnumerate();
        }
        EXPECT_EQ(platform::WideToUtf8(frame->CisSetting.FlashPartName.Get()), c.part);
        const auto& id = c.flash->geometry.id;
        const bool known = *c.part != '\0';
        EXPECT_EQ(std::vector<BYTE>(Image().bytes + cis::kFlashId, Image().bytes + cis::kFlashId + 5),
                  known ? std::vector<BYTE>(id.begin(), id.end()) : std::vector<BYTE>(5, 0))
            << c.part;
        EXPECT_EQ(Image().Word(cis::kPagesPerBlock), known ? c.flash->geometry.pagesPerBlock : 0) << c.part;
        ASSERT_NE(frame->BlockMapHandle, nullptr) << c.part;
        EXPECT_EQ(PortBlockMap(*frame->BlockMapHandle, 0)->bitmapBytes & 0xFFFF, c.bitmapBytes) << c.part;
        EXPECT_EQ(frame->BlockMapHandle->ceCount, c.flash->geometry.ceCount) << c.part;
        EXPECT_EQ(frame->BlockMapHandle->channelCount, c.flash->geometry.channelCount) << c.part;
    }
}

// Without its database a flash-drive station tells the operator at start-up; a chip-mode
// station does not read it.
TEST_F(FlashDriveViews, AMissingDatabaseIsReportedOnlyInFlashDriveMode)
{
    for (bool flashDriveMode : {true, false}) {
        flashDrive = flashDriveMode;
        boxes.clear();
        ASSERT_TRUE(StartThirtyTwo());
        ASSERT_EQ(boxes.size(), flashDriveMode ? 1u : 0u) << flashDriveMode;
        if (flashDriveMode) {
            EXPECT_EQ(boxes[0].text, u"Can't open fdb file");
        }
        EXPECT_EQ(frame->FlashParts() != nullptr, flashDriveMode);
        frame.reset();
    }
}

// The step mask has a key of its own in flash-drive mode. The station selects the mode after
// the settings load and saves under that key at exit, so it reads that key too: the mask the
// operator set for flash drives steers the runs and comes back unchanged, and the chip-mode
// key is left alone.
TEST_F(FlashDriveViews, TheFlashDriveStepMaskIsReadAndSavedUnderItsOwnKey)
{
    for (bool flashDriveMode : {true, false}) {
        flashDrive = flashDriveMode;
        cisIni = "[CIS_Setting]\nHDTestProcedureMask=0x00000001\nPenDriveTestProcedureMask=0x00000018\n";
        ASSERT_TRUE(StartThirtyTwo());
        EXPECT_EQ(DWORD{frame->CisSetting.TestProcedureMask}, flashDriveMode ? 0x18u : 0x01u) << flashDriveMode;
        frame.reset();
        const std::string saved = Read("DefaultCIS.ini");
        EXPECT_NE(saved.find("HDTestProcedureMask=0x00000001"), std::string::npos) << flashDriveMode << saved;
        EXPECT_NE(saved.find("PenDriveTestProcedureMask=0x00000018"), std::string::npos) << flashDriveMode << saved;
    }
}

// A worker gets its port's record of the map and the flash-drive idle icon; without a map
// (chip mode, or no flash identified) it gets none.
TEST_F(FlashDriveViews, EachWorkerGetsItsPortsRecordOfTheMap)
{
    sim::StationFlashDrive& first = AddDrive(1);
    AddDrive(2);
    ASSERT_TRUE(StartThirtyTwo());
    ASSERT_NE(frame->BlockMapHandle, nullptr);
    for (int port : {1, 0}) {
        View().PortButton(port).click();
        EXPECT_EQ(View().ThreadParam(port).blockMapEntry, PortBlockMap(*frame->BlockMapHandle, port)) << port;
        EXPECT_NE(View().ThreadParam(port).blockMapEntry, nullptr) << port;
        EXPECT_TRUE(ShowsIcon(port, res::IDI_IDLE_FLASH_16)) << port;
        ASSERT_TRUE(WaitForIdle(port));
    }

    first.drive.model().AddFaultRule({sim::CommandPattern::Vendor(0x90, 0x82), sim::FaultKind::CheckCondition, 1, 0, {}});
    frame->OnEnumerate();
    ASSERT_EQ(frame->BlockMapHandle, nullptr);
    View().PortButton(1).click();
    EXPECT_EQ(View().ThreadParam(1).blockMapEntry, nullptr) << "no record of the freed map stays behind";
    ASSERT_TRUE(WaitForIdle(1));
}

TEST_F(FlashDriveViews, ChipModeReadsNoFlashAndMakesNoMap)
{
    flashDrive = false;
    AddDrive(1);
    ClearLines();
    ASSERT_TRUE(StartThirtyTwo());
    frame->OnEnumerate();
    EXPECT_FALSE(HasLine("ReadFlashID_UFD(0)"));
    EXPECT_EQ(frame->BlockMapHandle, nullptr);
    View().PortButton(0).click();
    EXPECT_EQ(View().ThreadParam(0).blockMapEntry, nullptr);
    EXPECT_TRUE(ShowsIcon(0, res::IDI_IDLE_CHIP_16));
    ASSERT_TRUE(WaitForIdle(0));
}

// The views that find their ports over libusb describe a chip in port record 0: it has no
// disk, so no flash id is read and no map made. A switch to such a view frees the 32-port
// view's map; the switch back makes a new one.
TEST_F(FlashDriveViews, EveryViewIdentifiesItsFirstPresentPortAndASwitchReplacesTheMap)
{
    PlugChip();
    AddDrive(1);
    ASSERT_TRUE(StartThirtyTwo());
    ASSERT_NE(frame->BlockMapHandle, nullptr);
    for (UINT command : {res::ID_DEVICE_NUMBER_16, res::ID_DEVICE_NUMBER_8, res::ID_DEVICE_NUMBER_4, res::ID_DEVICE_NUMBER_1}) {
        ClearLines();
        frame->OnCommand(command);
        EXPECT_TRUE(View().PortButton(0).isEnabled()) << command << ": the chip on port 1";
        EXPECT_TRUE(HasLine("ReadFlashID_UFD(0)")) << command;
        EXPECT_TRUE(HasLine("Fail Fail")) << command;
        EXPECT_EQ(frame->BlockMapHandle, nullptr) << command;
    }
    frame->OnCommand(res::ID_DEVICE_NUMBER_32);
    ASSERT_NE(frame->BlockMapHandle, nullptr);
    EXPECT_EQ(frame->BlockMapHandle->portCount, 32);
}

} // namespace
} // namespace consoletest
