// Every sender of the table, through SG_IO, as the simulated controller receives it.
#include "tests/scsi/bench_fixture.h"
#include "tests/scsi/sender_cases.h"

#include "platform/clock/clock.h"

#include <random>

namespace {

using scsitest::DiskBench;

sim::DataDirection AsSeenByTheDevice(UCHAR direction)
{
    switch (direction) {
    case scsitest::kOut: return sim::DataDirection::ToDevice;
    case scsitest::kIn: return sim::DataDirection::FromDevice;
    default: return sim::DataDirection::None;
    }
}

TEST_F(DiskBench, EverySenderReachesTheControllerAsTabled)
{
    platform::ScopedVirtualClock clock; // the 10 ms pre-waits
    std::vector<BYTE> reply(65536);
    std::mt19937 random(1103);
    for (auto& b : reply)
        b = static_cast<BYTE>(random());
    // Every vendor command answers with the reply data, whatever the controller models.
    model().AddFaultRule({sim::CommandPattern::Opcode(0xEE), sim::FaultKind::Reply, 1, 0, reply});
    const auto& pattern = scsitest::OutgoingPattern();
    std::vector<BYTE> in(65536);

    for (const auto& c : scsitest::SenderCases()) {
        SCOPED_TRACE(c.name);
        model().ClearCommands();
        std::fill(in.begin(), in.end(), 0xCC);
        ASSERT_EQ(c.send(device, pattern.data(), in.data()), 1);
        auto commands = model().Commands();
        ASSERT_EQ(commands.size(), 1u);
        const sim::CommandRecord& sent = commands[0];
        EXPECT_EQ(sent.cdb, scsitest::CdbBytes(c));
        EXPECT_EQ(sent.direction, AsSeenByTheDevice(c.direction));
        EXPECT_EQ(sent.dataLength, c.dataLength);
        EXPECT_EQ(sent.timeoutMs, c.timeoutSeconds * 1000);
        EXPECT_EQ(sent.lun, c.lun);
        bool vendor = sent.cdb[0] == 0xEE;
        if (vendor && c.direction == scsitest::kOut) {
            ASSERT_EQ(sent.dataOut.size(), c.dataLength);
            EXPECT_TRUE(std::equal(sent.dataOut.begin(), sent.dataOut.end(), pattern.begin()));
        }
        if (vendor && c.direction == scsitest::kIn && !c.carriesCallerData) {
            EXPECT_TRUE(std::equal(in.begin(), in.begin() + c.dataLength, reply.begin())) << "data in reaches the caller";
            if (c.dataLength < in.size()) {
                EXPECT_EQ(in[c.dataLength], 0xCC) << "and nothing beyond it";
            }
        }
    }
}

} // namespace
