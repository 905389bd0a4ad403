// The standard commands end to end: CSTDCMDControl through SG_IO to the simulated
// controller, with the faults it can be made to show.
#include "platform/base/lasterror.h"
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"
#include "tests/scsi/bench_fixture.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

using scsitest::DiskBench;
using scsitest::Pattern;

std::string Text(const BYTE* bytes, std::size_t length)
{
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

class StandardCommands : public DiskBench {
protected:
    CSTDCMDControl standard;
};

TEST_F(StandardCommands, InquiryCarriesTheMakersIdentity)
{
    BYTE inquiry[128] = {};
    ASSERT_EQ(standard.SendInquiry(device, 0, 0, inquiry), 1);
    EXPECT_EQ(inquiry[0] & 0x0F, 0x03) << "chip type";
    EXPECT_EQ(Text(&inquiry[8], 8), "TARVO   ");
    EXPECT_EQ(Text(&inquiry[16], 16), "Flash Disk      ");
    EXPECT_EQ(Text(&inquiry[36], 4), "KQ8N");
    EXPECT_EQ(std::vector<BYTE>(&inquiry[40], &inquiry[44]), (std::vector<BYTE>{0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(inquiry[51], 0x5A);
}

TEST_F(StandardCommands, ReadCapacityBytesComeAsTheDeviceSendsThem)
{
    struct Case {
        UCHAR lun;
        std::uint64_t sectors;
    };
    for (const Case& c : {Case{0, scsitest::kLun0Sectors}, Case{1, scsitest::kLun1Sectors}}) {
        BYTE capacity[8] = {};
        ASSERT_EQ(standard.SendReadCapacity(device, c.lun, capacity), 1);
        DWORD lastLba = DWORD{capacity[0]} << 24 | DWORD{capacity[1]} << 16 | DWORD{capacity[2]} << 8 | capacity[3];
        EXPECT_EQ(lastLba, c.sectors - 1);
        EXPECT_EQ(std::vector<BYTE>(&capacity[4], &capacity[8]), (std::vector<BYTE>{0, 0, 2, 0}));
    }
}

TEST_F(StandardCommands, WrittenSectorsStayInTheirUnit)
{
    auto first = Pattern(65536, 1), second = Pattern(65536, 7);
    // 64 KiB from sector 100 crosses the store's chunk boundary at sector 128.
    ASSERT_EQ(standard.SendWrite10(device, 0, 0, 0, 100, 65536, first.data()), 1);
    ASSERT_EQ(standard.SendWrite10(device, 1, 0, 0, 100, 65536, second.data()), 1);
    std::vector<BYTE> back(65536);
    ASSERT_EQ(standard.SendRead10(device, 0, 0, 0, 100, 65536, back.data()), 1);
    EXPECT_EQ(back, first);
    ASSERT_EQ(standard.SendRead10(device, 1, 0, 0, 100, 65536, back.data()), 1);
    EXPECT_EQ(back, second);
    ASSERT_EQ(standard.SendRead10(device, 0, 0, 0, 100 + 128, 512, back.data()), 1);
    EXPECT_TRUE(std::all_of(back.begin(), back.begin() + 512, [](BYTE b) { return b == 0; })) << "never written";
    EXPECT_EQ(model().ReadSectors(1, 100, 128), second);
}

// The callers count a device as ready when the request succeeded and the status is 0.
TEST_F(StandardCommands, TestUnitReadyHandsTheStatusBack)
{
    struct Case {
        const char* name;
        std::function<void(sim::FlashDisk&)> arrange;
        int result;
        UCHAR status;
    };
    const Case cases[] = {
        {"ready", [](sim::FlashDisk&) {}, 1, 0},
        {"becoming ready", [](sim::FlashDisk& d) { d.NotReadyForPolls(1); }, 1, 2},
        {"check condition", [](sim::FlashDisk& d) { d.FailCommand(1, sim::FaultKind::CheckCondition); }, 1, 2},
        {"failed call", [](sim::FlashDisk& d) { d.FailCommand(1, sim::FaultKind::FailedCall); }, 0, 0},
        {"adapter error", [](sim::FlashDisk& d) { d.FailCommand(1, sim::FaultKind::AdapterError); }, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange(model());
        UCHAR status = 0x77;
        EXPECT_EQ(standard.SendTestUnitReady(device, 0, 0, 0, &status), c.result);
        EXPECT_EQ(status, c.status);
    }
}

TEST_F(StandardCommands, NotReadyLastsTheGivenPolls)
{
    model().NotReadyForPolls(3);
    std::vector<UCHAR> statuses;
    for (int poll = 0; poll < 5; ++poll) {
        UCHAR status = 0x77;
        ASSERT_EQ(standard.SendTestUnitReady(device, 0, 0, 0, &status), 1);
        statuses.push_back(status);
    }
    EXPECT_EQ(statuses, (std::vector<UCHAR>{2, 2, 2, 0, 0}));
}

TEST_F(StandardCommands, AFaultFailsTheCommandItHitsAndNoOther)
{
    const sim::FaultKind kinds[] = {sim::FaultKind::FailedCall, sim::FaultKind::AdapterError,
                                    sim::FaultKind::CheckCondition};
    auto written = Pattern(4096, 3);
    ASSERT_EQ(standard.SendWrite10(device, 0, 0, 0, 0, 4096, written.data()), 1);
    for (auto kind : kinds) {
        model().FailCommand(2, kind);
        std::vector<int> results;
        for (int command = 0; command < 3; ++command) {
            std::vector<BYTE> back(4096, 0xCC);
            results.push_back(standard.SendRead10(device, 0, 0, 0, 0, 4096, back.data()));
            EXPECT_EQ(back == written, results.back() == 1) << "data reaches the caller only on success";
        }
        EXPECT_EQ(results, (std::vector<int>{1, 0, 1}));
    }
}

TEST_F(StandardCommands, LoadUnloadTakesTheMediumAwayAndBack)
{
    UCHAR status = 0;
    ASSERT_EQ(standard.SCSI_LoadUnload(device, 0, 0, 0, 0x02), 1); // eject
    EXPECT_FALSE(model().mediumLoaded());
    EXPECT_EQ(standard.SendTestUnitReady(device, 0, 0, 0, &status), 1);
    EXPECT_EQ(status, 2);
    BYTE sector[512];
    EXPECT_EQ(standard.SendRead10(device, 0, 0, 0, 0, 512, sector), 0);
    ASSERT_EQ(standard.SCSI_LoadUnload(device, 0, 0, 0, 0x03), 1); // load
    EXPECT_EQ(standard.SendTestUnitReady(device, 0, 0, 0, &status), 1);
    EXPECT_EQ(status, 0);
}

TEST_F(StandardCommands, CommandsTheControllerRefusesFail)
{
    CVCommCMDControl vendor;
    BYTE data[512];
    EXPECT_EQ(standard.SendRead10(device, 1, 0, 0, static_cast<DWORD>(scsitest::kLun1Sectors - 1), 1024, data), 0)
        << "runs past the end of the unit";
    model().ClearCommands();
    EXPECT_EQ(vendor.TestCommandRead(device, 0x77EE, 0, 0x00010000, 0, 0, data), 0) << "unknown vendor group";
    auto sent = model().VendorCommands();
    ASSERT_EQ(sent.size(), 1u) << "the controller still records it";
    EXPECT_EQ(sent[0].cdb[1], 0x77);
}

TEST_F(StandardCommands, AtaIdentifyBringsTheWholeBlock)
{
    CVCommCMDControl vendor;
    std::vector<BYTE> identify(512, 0xCC);
    ASSERT_EQ(vendor.ATACommandRead(device, 0x08A1, 0x0D000000, 0x00A00000, 0xEC00, 0, 512, identify.data()), 1);
    std::string serial;
    for (int word = 10; word < 20; ++word) {
        serial += static_cast<char>(identify[2 * word + 1]);
        serial += static_cast<char>(identify[2 * word]);
    }
    EXPECT_EQ(serial, "SIM0000001          ");
    EXPECT_EQ(identify[510], 0xA5) << "all 512 bytes are copied, not CDB bytes 7..8 worth";
    BYTE sum = 0;
    for (BYTE b : identify)
        sum = static_cast<BYTE>(sum + b);
    EXPECT_EQ(sum, 0) << "the last byte too: the block's checksum";
}

// Workers of different ports send at once, each on its own handle.
TEST_F(StandardCommands, ConcurrentHandlesEachGetTheirOwnData)
{
    constexpr int kWorkers = 4, kRounds = 50;
    std::atomic<int> wrong{0};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kWorkers; ++worker)
        workers.emplace_back([&, worker] {
            HANDLE own = OpenUnit(worker % 2);
            if (own == INVALID_HANDLE_VALUE) {
                ++wrong;
                return;
            }
            CSTDCMDControl sender;
            for (int round = 0; round < kRounds; ++round) {
                auto data = Pattern(4096, static_cast<BYTE>(worker * 64 + round));
                std::vector<BYTE> back(4096);
                DWORD lba = static_cast<DWORD>(worker * 1000 + round * 8);
                if (sender.SendWrite10(own, 0, 0, 0, lba, 4096, data.data()) != 1 ||
                    sender.SendRead10(own, 0, 0, 0, lba, 4096, back.data()) != 1 || back != data)
                    ++wrong;
            }
            CloseHandle(own);
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
