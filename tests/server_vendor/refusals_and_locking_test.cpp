// What the vendor slots refuse before sending anything (lengths the request or the CDB
// cannot carry, addresses past 16 bits, ports past the table, missing buffers), the
// system address block, and the per-device lock that keeps a sequence whole while another
// caller talks to the same device: a protected transfer against a register poll and
// against disk reads, and a flash scan against a register poll.
#include "tests/server_vendor/vendor_bench.h"

#include "platform/devio/devio.h"
#include "portwarden/block_map.h"
#include "portwarden/sys_address_block.h"
#include "sim/disk/controller_commands.h"
#include "sim/nand/nand_controller.h"

#include <cstring>
#include <functional>
#include <thread>

namespace {

using namespace vendortest;

PackedBlockTag Tag(const char* text)
{
    PackedBlockTag tag{};
    std::memcpy(tag.characters, text, 6);
    return tag;
}

TEST_F(VendorBench, RefusedCallsSendNothing)
{
    struct Case {
        const char* name;
        std::function<INT(BYTE* buffer)> call;
    };
    auto* c2 = ctrl2;
    auto* c1 = ctrl;
    HANDLE* h = handles;
    const BYTE f = kFlashPort, b = kBridgePort;
    const std::vector<Case> cases = {
        {"ReadCode beyond the length field", [=](BYTE* x) { return c2->ReadCode(h, f, 0, 65536, x); }},
        {"ReadCode of a negative length", [=](BYTE* x) { return c2->ReadCode(h, f, 0, -1, x); }},
        {"ReadData past 16-bit addresses", [=](BYTE* x) { return c2->ReadData(h, f, 1, 0x10000, 4, x); }},
        {"ReadWriteXdata of a negative register", [=](BYTE* x) { return c2->ReadWriteXdata(h, f, 1, -1, 1, x); }},
        {"ReadWriteXdata beyond the length field", [=](BYTE* x) { return c2->ReadWriteXdata(h, f, 0, 0, 0x10000, x); }},
        {"ReadLUNDATA of part of a sector", [=](BYTE* x) { return c2->ReadLUNDATA(h, f, 1, 0, 1000, x); }},
        {"WriteLUNDATA beyond the request", [=](BYTE* x) { return c2->ReadLUNDATA(h, f, 0, 0, 65536 + 512, x); }},
        {"ReadEEPROM beyond the length field", [=](BYTE* x) { return c2->ReadEEPROM(h, f, 1, 0, 0, 0, 70000, x); }},
        {"WritePartition of a negative length", [=](BYTE* x) { return c2->ReadPartition(h, f, 0, 0, -5, x); }},
        {"InitSgmt beyond the request", [=](BYTE* x) { return c2->InitSgmt(h, f, 0, 0, 0, 65537, x); }},
        {"ReadSpare beyond the length field", [=](BYTE* x) { return c2->ReadSpare(h, f, 1, 0, 0, 0, 65536, x); }},
        {"CheckBad beyond the length field", [=](BYTE* x) { return c2->CheckBad(h, f, 0, 0, 0, 0, 0, 65536, x); }},
        {"ReadWriteBlock of part of a sector", [=](BYTE* x) { return c2->ReadWriteBlock(h, f, 1, 2, 0, Tag("CISSYS"), 0, 1000, x); }},
        {"ReadWriteBlock beyond the request",
         [=](BYTE* x) { return c2->ReadWriteBlock(h, f, 0, 2, 0, Tag("CISSYS"), 0, 65536 + 512, x); }},
        {"ReadWriteBlock of a negative length", [=](BYTE* x) { return c2->ReadWriteBlock(h, f, 1, 4, 0, Tag("ISPSYS"), 0, -512, x); }},
        {"a port past the table", [=](BYTE* x) { return c2->ReadDeivceID(h, 32, x); }},
        {"no handle table", [=](BYTE* x) { return c2->ReadDeivceID(nullptr, f, x); }},
        {"no buffer", [=](BYTE*) { return c2->ReadFlashID(h, f, 0, nullptr); }},
        {"ReadEEPROM_USD beyond the length field", [=](BYTE* x) { return c1->ReadEEPROM_USD(h, b, 1, 0xA0, 0, 0, 65536, x); }},
        {"ReadFW_USD of a negative length", [=](BYTE* x) { return c1->ReadFW_USD(h, b, 0, 0x33, 0, -1, x); }},
        {"GetPMInfo_USD beyond the length field", [=](BYTE* x) { return c1->GetPMInfo_USD(h, b, 65536, x); }},
        {"ATAIdentify_USD beyond the request", [=](BYTE* x) { return c1->ATAIdentify_USD(h, b, 65537, x); }},
        {"ReadSPI_USD beyond the length field", [=](BYTE* x) { return c1->ReadSPI_USD(h, b, 1, 0, 0, 0, 0, 65536, x); }},
        {"SetTimer_USD past 16 bits", [=](BYTE*) { return c1->SetTimer_USD(h, b, 70000); }},
        {"EnableSuspned_USD on a port past the table", [=](BYTE*) { return c1->EnableSuspned_USD(h, 40, 1); }},
    };
    std::vector<BYTE> buffer(2 * 65536, 0x5A);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flash().ClearCommands();
        bridgeDisk().ClearCommands();
        lines.Take();
        EXPECT_EQ(c.call(buffer.data()), 0);
        EXPECT_TRUE(flash().Commands().empty());
        EXPECT_TRUE(bridgeDisk().Commands().empty());
        const auto written = lines.Take();
        ASSERT_FALSE(written.empty());
        const std::string& last = written.back();
        EXPECT_TRUE(last.find("refused") != std::string::npos || last.find("no buffer given") != std::string::npos ||
                    last.find("no device handle table") != std::string::npos)
            << last;
    }
}

TEST(SysAddressBlockRecord, FieldOffsets)
{
    EXPECT_EQ(offsetof(SysAddressBlock, addresses), 0u);
    EXPECT_EQ(offsetof(SysAddressBlock, rest), 16u);
    SysAddressBlock block{};
    portwarden::SetSystemBlockAddress(block, portwarden::SystemBlock::Isp1, 0x01020304);
    const BYTE expected[4] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(std::memcmp(reinterpret_cast<const BYTE*>(&block) + 8, expected, 4), 0) << "ISP 1 at 8, big-endian";
}

TEST_F(VendorBench, SystemAddressBlockRoundTripAndTheNotBuiltRule)
{
    using portwarden::SystemBlock;
    SysAddressBlock block{};
    ASSERT_EQ(ctrl2->ReadSYSAddress(handles, kFlashPort, 1, reinterpret_cast<BYTE*>(&block)), 1);
    EXPECT_FALSE(portwarden::SystemAreaBuilt(block)) << "a fresh device";

    const struct {
        SystemBlock which;
        DWORD address;
    } addresses[] = {{SystemBlock::Cis1, 0x120}, {SystemBlock::Cis2, 0x121}, {SystemBlock::Isp1, 0x1A000200},
                     {SystemBlock::Isp2, 0x1A000201}};
    for (const auto& a : addresses)
        portwarden::SetSystemBlockAddress(block, a.which, a.address);
    for (std::size_t i = 0; i < sizeof block.rest; ++i)
        block.rest[i] = static_cast<BYTE>(0xC0 + i);
    ASSERT_EQ(ctrl2->ReadSYSAddress(handles, kFlashPort, 0, reinterpret_cast<BYTE*>(&block)), 1);
    const auto held = flash().controller().Snapshot().sysAddressBlock;
    EXPECT_EQ(std::vector<BYTE>(held.begin(), held.begin() + 4), (std::vector<BYTE>{0, 0, 0x01, 0x20}));

    SysAddressBlock back{};
    ASSERT_EQ(ctrl2->ReadSYSAddress(handles, kFlashPort, 1, reinterpret_cast<BYTE*>(&back)), 1);
    EXPECT_TRUE(portwarden::SystemAreaBuilt(back));
    for (const auto& a : addresses)
        EXPECT_EQ(portwarden::SystemBlockAddress(back, a.which), a.address);
    EXPECT_EQ(std::memcmp(back.rest, block.rest, sizeof block.rest), 0) << "carried as given";

    BYTE status[512];
    ASSERT_EQ(ctrl2->EraseSys(handles, kFlashPort, 0, 0, 0, 0, 0, sizeof status, status), 1);
    ASSERT_EQ(ctrl2->ReadSYSAddress(handles, kFlashPort, 1, reinterpret_cast<BYTE*>(&back)), 1);
    EXPECT_FALSE(portwarden::SystemAreaBuilt(back)) << "the system area erased";
}

// A protected transfer on one caller's handle while another caller polls the encryption
// register through a handle of its own on the same device: the poller never sees
// encryption off, and no command of it falls inside a transfer's sequence.
TEST_F(VendorBench, AProtectedTransferIsNeverInterleavedWithAnotherCallersCommands)
{
    HANDLE other[kPortCount];
    other[kFlashPort] = CreateFileA(flashDrive.DiskNode(0).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other[kFlashPort], INVALID_HANDLE_VALUE);
    flash().SetRecording(true);
    flash().ClearCommands();
    lines.Take();
    std::vector<BYTE> seen;
    std::thread poller([&] {
        for (int i = 0; i < 150; ++i) {
            BYTE value = 0xCC;
            if (ctrl2->ReadWriteXdata(other, kFlashPort, 1, 0x2809, 1, &value) == 1)
                seen.push_back(value);
        }
    });
    std::vector<BYTE> buffer(1024);
    int transferred = 0;
    for (int i = 0; i < 15; ++i)
        transferred += ctrl2->ReadWriteBlock(handles, kFlashPort, 1, 2, 0, Tag("CISSYS"), 0x200, 1024, buffer.data());
    poller.join();
    CloseHandle(other[kFlashPort]);

    EXPECT_EQ(transferred, 15);
    EXPECT_EQ(seen, std::vector<BYTE>(150, 0x01));
    const auto sequence = Describe(flash().Commands());
    const std::vector<std::string> rest = {"read 2608", "write 2608=06", "block read flags=80 kind=02", "write 2809=01",
                                           "write 2608=05"};
    int sequences = 0;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        if (sequence[i] != "write 2809=00")
            continue;
        ++sequences;
        ASSERT_LE(i + rest.size() + 1, sequence.size());
        EXPECT_EQ(std::vector<std::string>(sequence.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                           sequence.begin() + static_cast<std::ptrdiff_t>(i + 1 + rest.size())),
                  rest);
    }
    EXPECT_EQ(sequences, 15);
}

// A second caller on a handle of its own to the same device.
class SecondCaller {
public:
    explicit SecondCaller(const std::string& node)
    {
        handles_[kFlashPort] = CreateFileA(node.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ~SecondCaller() { CloseHandle(handles_[kFlashPort]); }
    SecondCaller(const SecondCaller&) = delete;
    SecondCaller& operator=(const SecondCaller&) = delete;
    bool opened() const { return handles_[kFlashPort] != INVALID_HANDLE_VALUE; }
    HANDLE* handles() { return handles_; }

private:
    HANDLE handles_[kPortCount] = {};
};

// Disk reads of another caller while protected transfers run: no READ(10) reaches the
// device between a transfer's encryption switched off and its registers put back, where
// it would read the medium with encryption off.
TEST_F(VendorBench, NoDiskReadFallsInsideAProtectedTransfer)
{
    SecondCaller other(flashDrive.DiskNode(0));
    ASSERT_TRUE(other.opened());
    flash().SetRecording(true);
    flash().ClearCommands();
    int read = 0;
    std::thread reader([&] {
        std::vector<BYTE> sector(4096);
        for (int i = 0; i < 200; ++i)
            read += ctrl->ReadDisk(other.handles(), kFlashPort, static_cast<DWORD>(8 * i), 4096, sector.data());
    });
    std::vector<BYTE> buffer(1024);
    int transferred = 0;
    for (int i = 0; i < 40; ++i)
        transferred += ctrl2->ReadWriteBlock(handles, kFlashPort, 1, 2, 0, Tag("CISSYS"), 0x200, 1024, buffer.data());
    reader.join();

    EXPECT_EQ(read, 200);
    EXPECT_EQ(transferred, 40);
    bool inside = false;
    int readsInside = 0, sequences = 0;
    for (const std::string& command : Describe(flash().Commands())) {
        if (command == "write 2809=00") {
            inside = true;
            ++sequences;
        } else if (command == "write 2608=05") {
            inside = false;
        } else if (inside && command.rfind("28 ", 0) == 0) {
            ++readsInside;
        }
    }
    EXPECT_EQ(sequences, 40);
    EXPECT_EQ(readsInside, 0);
}

// A flash scan (encryption switched off and on for every group of blocks) while another
// caller polls the encryption register: the poll never sees it off.
TEST_F(VendorBench, AFlashScanIsNeverInterleavedWithAnotherCallersCommands)
{
    sim::nand::NandConfig config;
    config.geometry.blocks = 2048;
    sim::nand::NandController nand(config);
    nand.Attach(flash());
    UFDBlockMap* map = ctrl->CreateUFDBlockMap(16, 1, 1, 2048 / 8);
    ASSERT_NE(map, nullptr);
    SecondCaller other(flashDrive.DiskNode(0));
    ASSERT_TRUE(other.opened());
    std::vector<BYTE> seen;
    std::thread poller([&] {
        for (int i = 0; i < 300; ++i) {
            BYTE value = 0xCC;
            if (ctrl2->ReadWriteXdata(other.handles(), kFlashPort, 1, 0x2809, 1, &value) == 1)
                seen.push_back(value);
        }
    });
    int scanned = 0;
    for (int i = 0; i < 10; ++i)
        scanned += ctrl->ScanFlashBlock(handles, kFlashPort, map->ports[kFlashPort], 64, 2048, 0x02);
    poller.join();
    ctrl->DeleteUFDBlockMap(map);

    EXPECT_EQ(scanned, 10);
    EXPECT_EQ(seen, std::vector<BYTE>(300, 0x01));
}

} // namespace
