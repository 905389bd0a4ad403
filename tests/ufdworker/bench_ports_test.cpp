// Many ports run at once on the bench, one worker per drive, all through the one server
// object: each drive gets its own tables, CIS and serial number, the shared log gets one
// whole section per port, and one drive's failure changes no other port's result.
#include "engine/ports/run_result.h"
#include "engine/ufdworker/flash_drive_bits.h"
#include "engine/ufdworker/ufd_run_thread.h"
#include "sim/disk/fault_rules.h"
#include "tests/ports/result_log_sections.h"
#include "tests/ports/worker_run.h"
#include "tests/scsi/unit_descriptors.h"
#include "tests/ufdworker/bench_station.h"

#include <sys/stat.h>

#include <atomic>
#include <map>
#include <regex>
#include <set>
#include <thread>

namespace {

using namespace ufdbench;

constexpr unsigned kFailingPort = 5;
constexpr unsigned kMaxDrives = 32;

// umockdev (0.17) keeps at most 50 descriptors of its device nodes open at once and aborts
// past them. A port holds one (its drive's handle) through the tables, CIS, firmware and
// boot code, and two while it writes its image or runs the stress test (its volume's,
// which holds the volume lock, besides). So 32 ports run up to the boot code, and the
// whole sequence runs on 24 (48 descriptors; 32 would take 64).
struct PortsRun {
    const char* name;
    unsigned drives;
    DWORD skippedSteps; // TestProcedureMask
    sim::FaultRule fault; // on the failing port's drive
    int failure;
    const char* status; // the failing port's in the log
};

void PrintTo(const PortsRun& run, std::ostream* out)
{
    *out << run.name;
}

const PortsRun kRuns[] = {
    // Every image write of one drive fails.
    {"WholeSequenceOn24", 24, 0, {sim::CommandPattern::Opcode(0x2A), sim::FaultKind::CheckCondition, 1, 0, {}},
     RunResult::WritePublicLunImageFail, "Status=Error: Write Public Lun Image fail"},
    // The first boot code piece of one drive is refused.
    {"UpToTheBootCodeOn32", 32, ufd::kSkipLunImages | ufd::kSkipStressTest,
     {sim::CommandPattern::Vendor(0x80, 0x81), sim::FaultKind::CheckCondition, 1, 0, {}}, RunResult::BootCodeDownloadFail,
     "Status=Error: Boot Code DownLoad fail"},
};

using porttest::LogSection;
using porttest::Sections;

class BenchPorts : public BenchStation, public ::testing::WithParamInterface<PortsRun> {
protected:
    void SetUp() override
    {
        drives = GetParam().drives;
        Start(drives);
        UseOneImageRun(*frame, station.folder, Pattern(512 * 1024, 3));
        Settings().TestProcedureMask = GetParam().skippedSteps;
        Settings().USB_VID = u"0x1D6B";
        Settings().USB_PID = u"0x0104";
        ASSERT_LE(drives, kMaxDrives);
        views.resize(drives);
        for (unsigned n = 0; n < drives; ++n) {
            views[n] = std::make_unique<porttest::RecordingView>();
            PreparePort(params[n], *views[n], static_cast<int>(n));
        }
    }

    unsigned drives = 0;
    PortThreadParam params[kMaxDrives] = {};
    std::vector<std::unique_ptr<porttest::RecordingView>> views;
};

TEST_P(BenchPorts, EveryPortKeepsItsOwnDriveResultAndSerialNumber)
{
    const PortsRun& run = GetParam();
    nand[kFailingPort]->disk().AddFaultRule(run.fault);
    const unsigned heldBefore = scsitest::UnitDescriptors(); // the drives' handles in the table
    std::vector<PortResult> results(drives);
    std::vector<std::thread> workers;
    for (unsigned n = 0; n < drives; ++n)
        workers.emplace_back([&, n] { results[n] = porttest::RunWorkerThread(UFDRunThread, params[n], *views[n]); });
    for (auto& worker : workers)
        worker.join();

    unsigned passed = 0, failed = 0;
    for (unsigned n = 0; n < drives; ++n) {
        EXPECT_EQ(results[n].port, static_cast<int>(n));
        EXPECT_EQ(results[n].result, n == kFailingPort ? run.failure : RunResult::Success) << n;
        (results[n].result == RunResult::Success ? passed : failed) += 1;
    }
    EXPECT_EQ(passed + failed, drives);
    EXPECT_EQ(failed, 1u);
    EXPECT_EQ(scsitest::UnitDescriptors(), heldBefore) << "the runs left no descriptor of their drives open";

    // One whole section per port, its keys together and in order; no serial number twice.
    const std::vector<LogSection> sections = Sections(ReadBytes(station.folder.File("result.log")));
    ASSERT_EQ(sections.size(), drives);
    std::set<int> ports;
    std::set<std::string> serials;
    const std::regex header(R"(\[Device(\d+)  \d+/\d+/\d+  \d+:\d+:\d+\])");
    for (const LogSection& section : sections) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(section.header, match, header)) << section.header;
        const int port = std::stoi(match[1]) - 1;
        ports.insert(port);
        ASSERT_EQ(section.keys.size(), 5u) << section.header;
        EXPECT_EQ(section.keys[0], port == static_cast<int>(kFailingPort) ? run.status : "Status=Run Success");
        EXPECT_EQ(section.keys[1].rfind("SerialNumber=", 0), 0u);
        serials.insert(section.keys[1]);
        EXPECT_EQ(section.keys[2], "VID=0x1D6B");
        EXPECT_EQ(section.keys[3], "PID=0x0104");
        EXPECT_EQ(section.keys[4], "==============================");
    }
    EXPECT_EQ(ports.size(), drives);
    EXPECT_EQ(serials.size(), drives) << "no serial number twice";
    EXPECT_EQ(station.SavedNumber(), 0x7000u + drives);

    // Each drive's CIS carries the serial number its port logged.
    for (unsigned n = 0; n < drives; ++n) {
        const auto& flash = nand[n]->nand();
        unsigned cisBlocks = 0;
        for (unsigned block = 0; block < kBlocks; ++block)
            cisBlocks += flash.PageTag(0, block, 0) == "CISSYS";
        EXPECT_EQ(cisBlocks, 2u) << n;
    }
}

// The bench's own guard (sim_stat_guard): many threads asking at once about the drives'
// nodes each get their own node's numbers, as the port workers' volume locks need.
TEST_P(BenchPorts, NodesAskedAboutAtOnceKeepTheirOwnNumbers)
{
    std::vector<dev_t> first(drives);
    for (unsigned n = 0; n < drives; ++n) {
        struct stat node;
        ASSERT_EQ(::stat(nand[n]->DevNode().c_str(), &node), 0);
        first[n] = node.st_rdev;
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (unsigned n = 0; n < drives; ++n)
        threads.emplace_back([&, n] {
            for (int i = 0; i < 300; ++i) {
                struct stat node;
                if (::stat(nand[n]->DevNode().c_str(), &node) != 0 || !S_ISBLK(node.st_mode) || node.st_rdev != first[n])
                    ++wrong;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Runs, BenchPorts, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<PortsRun>& info) { return std::string(info.param.name); });

} // namespace
