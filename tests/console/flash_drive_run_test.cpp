// Flash drives run at once through the 32-port view of the real window, with the
// flash-drive worker and the server on the bench: AutoRun starts every port, the counters
// add up, each drive gets its own serial number, the shared result log holds one whole
// section per port, and one drive's failure is its port's alone.
#include "flash_drive_fixture.h"

#include "engine/ufdworker/flash_drive_bits.h"
#include "sim/disk/fault_rules.h"
#include "sim/station/flash_drive_files.h"
#include "tests/ports/result_log_sections.h"

#include <QLabel>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace consoletest {
namespace {

constexpr unsigned kHubPorts = 8;
// umockdev (0.17) keeps at most 50 descriptors of its device nodes open at once. A port
// holds one through the steps before the image, and two while the image and stress steps
// lock the drive's volume beside it: 32 ports run the steps before the image at once
// (TestProcedureMask bits 3 and 4 skip the image and the stress test), and 8 ports the
// whole sequence.
constexpr unsigned kPortsAtOnce = 32;
const std::string kSkipImageAndStressTest = "PenDriveTestProcedureMask=0x00000018\n";

using porttest::LogSection;
using porttest::Sections;

// Hubs of eight ports on the root hub's first ports, a drive on every hub port: the walk
// lists them hub by hub as ports 1, 2, ...
class FlashDriveRuns : public FlashDriveStation {
protected:
    void PutDrives(unsigned count, const std::string& extraCisKeys = "")
    {
        for (unsigned hub = 1; hub <= (count + kHubPorts - 1) / kHubPorts; ++hub) {
            hubs.emplace_back(sim::HubSpec(1, {hub}, 1 + hub, kHubPorts));
            hubs.back().Add(bench.testbed());
        }
        for (unsigned n = 0; n < count; ++n) {
            const sim::DrivePlacement place{1, {n / kHubPorts + 1, n % kHubPorts + 1}, 10 + n, 6 + n, static_cast<char>('b' + n)};
            auto drive = std::make_shared<sim::StationFlashDrive>(sim::StationFlash(), place, "UFD" + std::to_string(n + 1));
            drive->drive.model().SetRecording(false); // long transfer runs
            drive->drive.Add(bench.testbed());
            drives.push_back(drive.get());
            benchDevices.push_back(drive);
        }
        cisIni = sim::WriteFlashDriveFiles(Station(), sim::StationFlash().geometry) + extraCisKeys;
    }

    int Drives() const { return static_cast<int>(drives.size()); }

    // The station started with every drive found, then AutoRun until every port reported.
    void AutoRunEveryPort()
    {
        ASSERT_TRUE(StartThirtyTwo());
        for (int port = 0; port < Drives(); ++port)
            ASSERT_TRUE(View().PortButton(port).isEnabled()) << "port " << port + 1;
        ASSERT_NE(frame->BlockMapHandle, nullptr);
        EXPECT_EQ(platform::WideToUtf8(frame->CisSetting.FlashPartName.Get()), "BENCH-NAND");
        frame->OnAutoRun();
        const std::string total = "Total :" + std::to_string(Drives()) + " ";
        ExpectCounters(total.c_str(), "Pass : 0 ", "Fail : 0 ");
        ASSERT_TRUE(WaitFor([&] { return frame->AutoRunActive == 0 && !View().AnyWorkerBusy(); }));
        const std::string pass = "Pass :" + std::to_string(Drives() - 1) + " ";
        ExpectCounters(total.c_str(), pass.c_str(), "Fail :1 ");
        for (int port = 0; port < Drives(); ++port)
            EXPECT_EQ(View().PortButton(port).toolTip(), port == failingPort ? "Run Fail!!" : "Run Success!!") << port + 1;
    }

    // One whole section per port, its lines together and in order, its own status; the
    // serial number each port logged is the one in its drive's CIS blocks, and none is
    // there twice.
    void ExpectOneLogSectionAndSerialNumberEach(const std::string& failure)
    {
        const std::vector<LogSection> sections = Sections(Read("result.log"));
        ASSERT_EQ(sections.size(), drives.size()) << Read("result.log");
        const std::regex header(R"(\[Device(\d+)  \d+/\d+/\d+  \d+:\d+:\d+\])");
        std::map<int, std::string> serialOfPort;
        for (const LogSection& section : sections) {
            std::smatch match;
            ASSERT_TRUE(std::regex_match(section.header, match, header)) << section.header;
            const int port = std::stoi(match[1]) - 1;
            ASSERT_EQ(section.keys.size(), 5u) << section.header;
            EXPECT_EQ(section.keys[0], "Status=" + (port == failingPort ? failure : "Run Success")) << section.header;
            ASSERT_EQ(section.keys[1].rfind("SerialNumber=", 0), 0u) << section.header;
            EXPECT_TRUE(serialOfPort.emplace(port, section.keys[1].substr(13)).second) << section.header << " twice";
            EXPECT_EQ(section.keys[2], "VID=0x1D6B") << section.header;
            EXPECT_EQ(section.keys[3], "PID=0x0104") << section.header;
            EXPECT_EQ(section.keys[4], "==============================") << section.header;
        }
        EXPECT_EQ(serialOfPort.size(), drives.size()) << "each port logged once";
        std::set<std::string> driveSerials;
        for (int port = 0; port < Drives(); ++port) {
            const std::set<std::string> serials = DriveSerialNumbers(*drives[static_cast<std::size_t>(port)]);
            ASSERT_EQ(serials.size(), 1u) << "port " << port + 1 << ": one number in both CIS blocks";
            EXPECT_EQ(*serials.begin(), serialOfPort[port]) << "port " << port + 1 << " logged its drive's number";
            driveSerials.insert(*serials.begin());
        }
        EXPECT_EQ(driveSerials.size(), drives.size()) << "no serial number twice";
    }

    // The serial numbers in the CIS blocks of a drive's flash, as its NAND holds them.
    static std::set<std::string> DriveSerialNumbers(const sim::StationFlashDrive& drive)
    {
        std::set<std::string> serials;
        for (unsigned block = 0; block < drive.nand.geometry().blocks; ++block) {
            if (drive.nand.PageTag(0, block, 0) != "CISSYS")
                continue;
            const std::vector<std::uint8_t> page = drive.nand.PageData(0, block, 0);
            const char* serial = reinterpret_cast<const char*>(page.data() + cis::kSerialNumber);
            serials.emplace(serial, strnlen(serial, cis::kSerialNumberSize));
        }
        return serials;
    }

    std::vector<sim::BenchHub> hubs;
    std::vector<sim::StationFlashDrive*> drives;
    int failingPort = -1;
};

TEST_F(FlashDriveRuns, PortsRunAtOnceAndEachKeepsItsOwnResultAndSerialNumber)
{
    PutDrives(kPortsAtOnce, kSkipImageAndStressTest);
    // The boot code of one drive never takes.
    failingPort = 13;
    drives[13]->drive.model().AddFaultRule({sim::CommandPattern::Vendor(0x80, 0x81), sim::FaultKind::CheckCondition, 1, 0, {}});
    AutoRunEveryPort();
    ExpectOneLogSectionAndSerialNumberEach("Error: Boot Code DownLoad fail");
    ASSERT_EQ(boxes.size(), 1u) << "the failing port's worker told the operator";
    EXPECT_EQ(boxes[0].text, u"Boot Code download fail");
}

TEST_F(FlashDriveRuns, EightPortsRunTheWholeSequenceAtOnceWithTheirImages)
{
    PutDrives(8);
    // Every write of one drive's image fails.
    failingPort = 5;
    drives[5]->drive.model().AddFaultRule({sim::CommandPattern::Opcode(0x2A), sim::FaultKind::CheckCondition, 1, 0, {}});
    AutoRunEveryPort();
    ExpectOneLogSectionAndSerialNumberEach("Error: Write Public Lun Image fail");
    const std::string image = Read("public.img");
    for (int port = 0; port < Drives(); ++port) {
        const std::vector<std::uint8_t> written =
            drives[static_cast<std::size_t>(port)]->drive.model().ReadSectors(0, 0x40, static_cast<std::uint32_t>(image.size() / 512));
        EXPECT_EQ(std::string(written.begin(), written.end()) == image, port != failingPort) << "port " << port + 1;
        // The rates as the 32-port view writes them (the bench's clock is virtual: no time
        // passes within a transfer).
        for (bool read : {true, false}) {
            const QLabel& label = View().RateLabel(port, read);
            EXPECT_TRUE(label.isVisible()) << port + 1;
            EXPECT_TRUE(std::regex_match(label.text().toStdString(), std::regex(read ? R"(R:\d+\.\d\dMB/s)" : R"(W:\d+\.\d\dMB/s)")))
                << port + 1 << ": " << label.text().toStdString();
        }
    }
}

// With one result file per serial number, a run that gives its drive no number (it fails
// before the CIS step) writes into no file of an earlier drive on the port: that drive's
// file keeps its own result alone.
TEST_F(FlashDriveRuns, ARunThatGivesNoSerialNumberWritesIntoNoEarlierDrivesResultFile)
{
    PutDrives(1, kSkipImageAndStressTest);
    const fs::path results = Folder() / "results";
    fs::create_directory(results);
    ASSERT_TRUE(StartThirtyTwo());
    frame->FabrunMode |= ufd::kModeSerialTextFiles;
    frame->CisSetting.LogFilePath = platform::Utf8ToWide(results.string());
    View().PortButton(0).click();
    ASSERT_TRUE(WaitForIdle(0));
    const std::set<std::string> given = DriveSerialNumbers(*drives[0]);
    ASSERT_EQ(given.size(), 1u);

    // Only the boot code runs, and fails.
    frame->CisSetting.TestProcedureMask = 0x1F;
    drives[0]->drive.model().AddFaultRule({sim::CommandPattern::Vendor(0x80, 0x81), sim::FaultKind::CheckCondition, 1, 0, {}});
    View().PortButton(0).click();
    ASSERT_TRUE(WaitForIdle(0));

    std::map<std::string, std::vector<LogSection>> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(results)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = Sections(std::string(std::istreambuf_iterator<char>(in), {}));
    }
    const std::string earlier = *given.begin() + ".txt";
    ASSERT_EQ(files.size(), 2u) << "a file for each run";
    ASSERT_EQ(files[earlier].size(), 1u) << earlier;
    ASSERT_FALSE(files[earlier][0].keys.empty());
    EXPECT_EQ(files[earlier][0].keys[0], "Status=Run Success");
    files.erase(earlier);
    ASSERT_EQ(files.begin()->second.size(), 1u) << files.begin()->first;
    ASSERT_FALSE(files.begin()->second[0].keys.empty());
    EXPECT_EQ(files.begin()->second[0].keys[0], "Status=Error: Boot Code DownLoad fail") << files.begin()->first;
}

} // namespace
} // namespace consoletest
