// The controller operations around the format: flash id, ISP loading, CPU reset with its
// wait, chip resets, cache clear and medium unload, on a simulated controller.
#include "server/nand/flash_scan.h"
#include "tests/nand/nand_bench.h"

#include <array>

namespace {

using namespace nandtest;
using sim::CommandPattern;
using sim::FaultKind;

using ControllerOps = NandBench;

TEST_F(ControllerOps, FlashIdHasOneGroupPerChannelOfTheCe)
{
    Build(SmallFlash(2, 2));
    std::array<BYTE, 64> id{};
    ASSERT_EQ(format.ReadFlashID(handles, kPort, 1, id.data()), 1);
    const BYTE expected[5] = {0xEC, 0xDA, 0x10, 0x95, 0x44};
    for (int channel = 0; channel < 4; ++channel)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(id[16 * channel + i], channel < 2 ? expected[i] : 0) << "channel " << channel;
    ASSERT_EQ(format.ReadFlashID(handles, kPort, 2, id.data()), 1);
    EXPECT_EQ(id[0], 0) << "no third CE";
    EXPECT_EQ(format.ReadFlashID(handles, kPort, 0, nullptr), 0);
    EXPECT_EQ(format.ReadFlashID(handles, 32, 0, id.data()), 0) << "no such port";
}

TEST_F(ControllerOps, TheFlashAnswersOnlyOnceTheIspCodeIsLoaded)
{
    sim::nand::NandConfig config = SmallFlash();
    config.requireIspLoad = true;
    Build(config);
    std::vector<BYTE> isp(0x4000, 0x5A);
    EXPECT_EQ(Scan(0), 0) << "no flash access before the ISP code";
    ASSERT_EQ(format.InitIsp(handles, kPort, 0xC000, 0x4000, isp.data()), 1);
    EXPECT_TRUE(nand().ispLoaded());
    EXPECT_EQ(Scan(0), 1);
    EXPECT_EQ(format.InitIsp(handles, kPort, 0xC000, 0x10001, isp.data()), 0) << "longer than one request";
    EXPECT_EQ(format.InitIsp(handles, kPort, 0xC000, 0x4000, nullptr), 0);
}

TEST_F(ControllerOps, IspLoadWithBitZeroWaitsUntilTheDeviceIsReady)
{
    Build(SmallFlash());
    drive->disk().NotReadyForPolls(2); // the controller restarts with the code loaded
    std::vector<BYTE> isp(0x4000, 1);
    Lines lines;
    ASSERT_EQ(format.InitIsp(handles, kPort, 0xC001, 0x4000, isp.data()), 1);
    EXPECT_TRUE(lines.Has(" Sent TURdy(2)"));
    EXPECT_FALSE(lines.Has(" Sent TURdy(3)"));
    EXPECT_EQ(drive->disk().CommandCount({0x00, 0, 0}), 3u) << "TEST UNIT READY";
}

TEST_F(ControllerOps, CpuResetWaitsForTheDeviceAndGivesUpAfterSixPolls)
{
    struct Case {
        const char* name;
        unsigned notReadyPolls;
        std::optional<sim::FaultRule> fault;
        INT result;
        const char* line;
    };
    const Case cases[] = {
        {"ready after two polls", 2, std::nullopt, 1, nullptr},
        {"ready at the sixth poll", 5, std::nullopt, 1, nullptr},
        {"never ready", 6, std::nullopt, 0, "CPU_Rst_Timeout(3)"},
        {"trigger never written", 0, ControllerFault(RegisterWrite(0x2311)), 0, "CPU Rst Fail"},
        {"reset refused", 0, ControllerFault(CommandPattern::Vendor(0x02, 0x01)), 0, "CPU Rst Fail"},
        {"configuration unreadable", 0, ControllerFault(CommandPattern::Vendor(0x02, 0x88), FaultKind::FailedCall), 0,
         "CPU Rst Fail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::nand::NandConfig config = SmallFlash();
        config.cpuResetNotReadyPolls = c.notReadyPolls;
        Build(config);
        if (c.fault)
            Plan(*c.fault);
        Lines lines;
        EXPECT_EQ(format.CpuReset(handles, kPort), c.result);
        if (c.line != nullptr) {
            EXPECT_TRUE(lines.Has(c.line));
        }
        TearDown();
    }
}

TEST_F(ControllerOps, CpuResetTriggersTheResetAndMendsTheLunConfiguration)
{
    Build(SmallFlash());
    std::array<BYTE, 48> config{};
    config[0x20] = 0x15;
    ASSERT_EQ(vendor.ConfigureLUNWrite(handles[kPort], 0x8A, 0, 0, 0, 48, config.data()), 1);
    Lines lines;
    ASSERT_EQ(format.CpuReset(handles, kPort), 1);
    ASSERT_FALSE(nand().RegisterWrites(0x001C).empty());
    EXPECT_EQ(nand().RegisterWrites(0x001C).back() & 0x40, 0x40);
    EXPECT_EQ(nand().RegisterWrites(0x2311), std::vector<std::uint8_t>{1});
    EXPECT_EQ(nand().cpuResets(), 1u);
    EXPECT_EQ(nand().LunConfiguration()[0x20], 0x65);
    EXPECT_TRUE(lines.Has(" CPUReset Change buf[0x20] 15 -> 65"));
}

TEST_F(ControllerOps, ChipResetsWriteTheirSequences)
{
    Build(SmallFlash());
    ASSERT_EQ(format.ChipReset(handles, kPort), 1);
    EXPECT_EQ(nand().Register(0x001C) & 0x20, 0) << "bit 5 cleared";
    EXPECT_EQ(nand().RegisterWrites(0x0001), (std::vector<std::uint8_t>{0x80, 0x00, 0x80, 0x80}));
    Plan(ControllerFault(RegisterWrite(0x0001), FaultKind::CheckCondition, 1, 1));
    EXPECT_EQ(format.ChipReset(handles, kPort), 0) << "a failed write is no reset, whichever it was";

    ASSERT_EQ(format.ChipResetEx(handles, kPort), 1);
    EXPECT_EQ(drive->disk().CommandCount({0xEE, 0xF1, 0x00}), 1u) << "the test command EE F1";
    Plan(ControllerFault(CommandPattern::Vendor(0x02, 0x01))); // group 0x02 refuses the CPU reset
    EXPECT_EQ(format.ChipResetEx(handles, kPort), 1) << "sub-command 2 is not the CPU reset";
}

TEST_F(ControllerOps, CacheClearAndMediumUnload)
{
    Build(SmallFlash());
    EXPECT_EQ(format.CacheClear(handles, kPort), 1);
    Plan(ControllerFault(CommandPattern::Vendor(0x6F)));
    EXPECT_EQ(format.CacheClear(handles, kPort), 0);
    ASSERT_EQ(format.MediumLoadUnload(handles, kPort, 0, 0x02), 1);
    EXPECT_FALSE(drive->disk().mediumLoaded());
}

} // namespace
