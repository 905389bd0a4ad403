// Whole flash-drive runs on the bench for flash whose tables follow rules of their own kind.
// The worker gives no flash type; the server builds for the type its scan of the port
// classified, and the worker's block carries that type from the search into the build. The
// flash uses a third of each block (a stress test past it fails), and path 0 has the most
// bad blocks, so only the kind's own rules put the TAT on path 0 and keep the tables of
// 0x5030 flash off the odd path.
#include "engine/ports/run_result.h"
#include "engine/ufdworker/ufd_run_thread.h"
#include "platform/debug/debug.h"
#include "tests/nand/flash_kinds.h"
#include "tests/nand/table_checker.h"
#include "tests/ports/worker_run.h"
#include "tests/ufdworker/bench_station.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

using namespace ufdbench;

struct FlashKind {
    const char* name;
    nandtest::FlashId id;
    unsigned type;
    bool evenPathsOnly;
    bool reservedGroups; // its reserved blocks are four-block groups
};

void PrintTo(const FlashKind& kind, std::ostream* out)
{
    *out << kind.name;
}

class BenchFlashKinds : public BenchStation, public ::testing::WithParamInterface<FlashKind> {
protected:
    void SetUp() override
    {
        sim::nand::NandGeometry flash = BenchFlash();
        flash.channelCount = 2;
        flash.id = GetParam().id;
        Start(1, flash);
        auto& model = nand[0]->nand();
        for (unsigned block = 500; block < 520; ++block)
            model.MarkFactoryBad(0, block);
        for (const sim::nand::FaultRule& rule : nandtest::ProgramsPastAThirdFail(kPagesPerBlock))
            model.AddFault(rule);
        UseOneImageRun(*frame, station.folder, Pattern(512 * 1024, 3));
        Settings().USB_VID = u"0x1D6B";
        Settings().USB_PID = u"0x0104";
        PreparePort(param, view, 0);
        previousSink = platform::SetDebugSink([this](std::string_view line) {
            std::lock_guard guard(linesLock);
            lines.emplace_back(line);
        });
    }
    void TearDown() override
    {
        platform::SetDebugSink(std::move(previousSink));
        BenchStation::TearDown();
    }

    bool Logged(const std::string& line)
    {
        std::lock_guard guard(linesLock);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // The CIS as the run wrote it to its first block on path 0, part 2 in host order again.
    CISImage WrittenCis()
    {
        const auto& flash = nand[0]->nand();
        for (unsigned block = 0; block < kBlocks; ++block)
            if (flash.PageTag(0, block, 0) == "CISSYS") {
                const std::vector<BYTE> page = flash.PageData(0, block, 0);
                CISImage written{};
                std::copy(page.begin(), page.begin() + sizeof written.bytes, written.bytes);
                CisPart2ToBigEndian(written.Part2());
                for (std::size_t i = 282; i < 286; ++i) // the database's capacity stays big-endian
                    written.bytes[i] = page[i];
                return written;
            }
        ADD_FAILURE() << "no CIS block on path 0";
        return {};
    }

    porttest::RecordingView view;
    PortThreadParam param{};
    std::mutex linesLock;
    std::vector<std::string> lines;
    platform::DebugSink previousSink;
};

TEST_P(BenchFlashKinds, TheRunBuildsTablesForTheScannedKind)
{
    const FlashKind& kind = GetParam();
    const PortResult result = porttest::RunWorkerThread(UFDRunThread, param, view);
    ASSERT_EQ(result.result, RunResult::Success);
    char line[96];
    std::snprintf(line, sizeof line, " @@ FindISPAndCISUseBlock(0): flash type 0x%04X from the port's scan", kind.type);
    EXPECT_TRUE(Logged(line)) << line;
    std::snprintf(line, sizeof line, " @@ Flash Type   = 0x%04X", kind.type);
    EXPECT_TRUE(Logged(line)) << "the build is for the same type";
    std::snprintf(line, sizeof line, " @@ BuildUFDSystemTable(0): flash type 0x%04X from the port's scan", kind.type);
    EXPECT_FALSE(Logged(line)) << "the worker's block carries the type from the search into the build";

    CISImage written = WrittenCis();
    const BYTE* part2 = written.Part2().data();
    const unsigned paths = part2[48];
    ASSERT_EQ(paths, 2u);
    // One group start a path for each of the log blocks (part 2 byte 50) and eight free blocks.
    const unsigned groupWords = kind.reservedGroups ? paths * (part2[50] + 8u) : 0;
    const auto& flash = nand[0]->nand();
    const nandtest::TableFacts facts = nandtest::CheckTables(flash, part2, {true, 2, {0, 0, 0, 0}, groupWords});
    EXPECT_TRUE(facts.problems.empty()) << ::testing::PrintToString(facts.problems);
    EXPECT_EQ(facts.tatA[0][0], 0x00) << "the TAT of third-page flash lies on path 0";
    for (BYTE chip : facts.tableChips)
        EXPECT_TRUE(!kind.evenPathsOnly || (chip & 0x0F) == 0) << "a table on odd channel " << (chip & 0x0F);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BenchFlashKinds,
                         ::testing::Values(FlashKind{"Toshiba5030", nandtest::kToshiba5030Id, 0x5032, true, true},
                                           FlashKind{"SamsungTlc", nandtest::kSamsungTlcId, 0x1032, false, false}),
                         [](const ::testing::TestParamInfo<FlashKind>& info) { return std::string(info.param.name); });

} // namespace
