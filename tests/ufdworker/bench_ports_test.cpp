// Many ports run at once on the bench, one worker per drive, all through the one server
// object: each drive gets its own tables, CIS and serial number, the shared log gets one
// whole section per port, and one drive's failure changes no other port's result.
#include "engine/ports/run_result.h"
#include "engine/ufdworker/ufd_run_thread.h"
#include "sim/disk/fault_rules.h"
#include "tests/ports/result_log_sections.h"
#include "tests/ports/worker_run.h"
#include "tests/ufdworker/bench_station.h"

#include <sys/stat.h>

#include <atomic>
#include <map>
#include <regex>
#include <set>
#include <thread>

namespace {

using namespace ufdbench;

// umockdev (0.17) keeps at most 50 descriptors of its device nodes open at once; each port
// holds its drive's handle and, while it writes, its volume's and its lookups', so 32 ports
// overflow it and the bench aborts. 24 stay within it.
constexpr unsigned kDrives = 24;
constexpr unsigned kFailingPort = 5;

using porttest::LogSection;
using porttest::Sections;

class BenchPorts : public BenchStation {
protected:
    void SetUp() override
    {
        Start(kDrives);
        UseOneImageRun(*frame, station.folder, Pattern(512 * 1024, 3));
        Settings().USB_VID = u"0x1D6B";
        Settings().USB_PID = u"0x0104";
        for (unsigned n = 0; n < kDrives; ++n) {
            views[n] = std::make_unique<porttest::RecordingView>();
            PreparePort(params[n], *views[n], static_cast<int>(n));
        }
    }

    PortThreadParam params[kDrives] = {};
    std::unique_ptr<porttest::RecordingView> views[kDrives];
};

TEST_F(BenchPorts, EveryPortKeepsItsOwnDriveResultAndSerialNumber)
{
    // Every image write of one drive fails.
    nand[kFailingPort]->disk().AddFaultRule({sim::CommandPattern::Opcode(0x2A), sim::FaultKind::CheckCondition, 1, 0, {}});
    std::vector<PortResult> results(kDrives);
    std::vector<std::thread> workers;
    for (unsigned n = 0; n < kDrives; ++n)
        workers.emplace_back([&, n] { results[n] = porttest::RunWorkerThread(UFDRunThread, params[n], *views[n]); });
    for (auto& worker : workers)
        worker.join();

    unsigned passed = 0, failed = 0;
    for (unsigned n = 0; n < kDrives; ++n) {
        EXPECT_EQ(results[n].port, static_cast<int>(n));
        EXPECT_EQ(results[n].result, n == kFailingPort ? RunResult::WritePublicLunImageFail : RunResult::Success) << n;
        (results[n].result == RunResult::Success ? passed : failed) += 1;
    }
    EXPECT_EQ(passed + failed, kDrives);
    EXPECT_EQ(failed, 1u);

    // One whole section per port, its keys together and in order; no serial number twice.
    const std::vector<LogSection> sections = Sections(ReadBytes(station.folder.File("result.log")));
    ASSERT_EQ(sections.size(), kDrives);
    std::set<int> ports;
    std::set<std::string> serials;
    const std::regex header(R"(\[Device(\d+)  \d+/\d+/\d+  \d+:\d+:\d+\])");
    for (const LogSection& section : sections) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(section.header, match, header)) << section.header;
        const int port = std::stoi(match[1]) - 1;
        ports.insert(port);
        ASSERT_EQ(section.keys.size(), 5u) << section.header;
        EXPECT_EQ(section.keys[0], port == static_cast<int>(kFailingPort) ? "Status=Error: Write Public Lun Image fail"
                                                                          : "Status=Run Success");
        EXPECT_EQ(section.keys[1].rfind("SerialNumber=", 0), 0u);
        serials.insert(section.keys[1]);
        EXPECT_EQ(section.keys[2], "VID=0x1D6B");
        EXPECT_EQ(section.keys[3], "PID=0x0104");
        EXPECT_EQ(section.keys[4], "==============================");
    }
    EXPECT_EQ(ports.size(), kDrives);
    EXPECT_EQ(serials.size(), kDrives) << "no serial number twice";
    EXPECT_EQ(station.SavedNumber(), 0x7000u + kDrives);

    // Each drive's CIS carries the serial number its port logged.
    for (unsigned n = 0; n < kDrives; ++n) {
        const auto& flash = nand[n]->nand();
        unsigned cisBlocks = 0;
        for (unsigned block = 0; block < kBlocks; ++block)
            cisBlocks += flash.PageTag(0, block, 0) == "CISSYS";
        EXPECT_EQ(cisBlocks, 2u) << n;
    }
}


// The bench's own guard (sim_stat_guard): many threads asking at once about the drives'
// nodes each get their own node's numbers, as the port workers' volume locks need.
TEST_F(BenchPorts, NodesAskedAboutAtOnceKeepTheirOwnNumbers)
{
    dev_t first[kDrives];
    for (unsigned n = 0; n < kDrives; ++n) {
        struct stat node;
        ASSERT_EQ(::stat(nand[n]->DevNode().c_str(), &node), 0);
        first[n] = node.st_rdev;
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (unsigned n = 0; n < kDrives; ++n)
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

} // namespace
