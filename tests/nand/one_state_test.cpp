// The bench's flash drive holds each fact once: the flash behind the controller owns what
// the flash commands reach (blocks, spares, marks, the flash id), the controller owns its
// registers, LUN configuration, ISP segments and system address block, and neither keeps
// a copy of the other's. CIS and ISP blocks written through the protected transfer land
// in the flash at the rows the block search chose.
#include "server/nand/find_isp_cis.h"
#include "server/nand/nand_port.h"
#include "server/vendor/protected_block.h"
#include "sim/disk/controller_commands.h"
#include "tests/nand/nand_bench.h"

#include <array>
#include <cstring>

namespace {

using namespace nandtest;

constexpr WORD kPagesPerBlock = 64;

std::vector<BYTE> Pattern(std::size_t length, BYTE seed)
{
    std::vector<BYTE> data(length);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(seed + i * 13);
    return data;
}

class OneState : public SearchBench {
protected:
    // The row address the station makes of a found-block entry (page 0 of the block).
    static DWORD RowOf(const MapPtrEntry& entry)
    {
        const BYTE chip = static_cast<BYTE>(entry.channel | entry.ce << 4);
        return *nand::RowAddress(chip, nand::FoundBlock(entry), 0, kPagesPerBlock);
    }
    INT Transfer(bool read, const char* tag, BYTE kind, DWORD row, std::vector<BYTE>& data)
    {
        vendor::BlockRequest request;
        request.read = read;
        request.kind = kind;
        std::memcpy(request.tag.data(), tag, request.tag.size());
        request.block = row;
        request.length = static_cast<DWORD>(data.size());
        request.buffer = data.data();
        return vendor::TransferBlock(vendor, handles[kPort], request);
    }
    sim::ControllerState Controller() { return drive->disk().controller().Snapshot(); }
};

TEST_F(OneState, CisAndIspBlocksLiveInTheFlashAtTheRowsTheSearchChose)
{
    MakePort(SmallFlash(1, 2), kPagesPerBlock);
    params.searchPaths = 2;
    ASSERT_EQ(Scan(0), 1);
    ASSERT_EQ(nand::FindIspAndCisBlocks(*port, record(), &found, &params), 1);
    ASSERT_EQ(INT{found.count}, 4);

    const struct {
        const char* tag;
        BYTE kind;
        std::size_t length;
        const MapPtrEntry& entry;
    } writes[] = {{"CISSYS", 2, 1024, entries[0]}, {"ISPSYS", 4, 2048, entries[1]}};
    for (const auto& w : writes) {
        SCOPED_TRACE(w.tag);
        std::vector<BYTE> data = Pattern(w.length, w.kind);
        ASSERT_EQ(Transfer(false, w.tag, w.kind, RowOf(w.entry), data), 1);
        std::vector<BYTE> back(w.length, 0);
        ASSERT_EQ(Transfer(true, w.tag, w.kind, RowOf(w.entry), back), 1);
        EXPECT_EQ(back, data) << "read back under the same protection";
        const unsigned path = nand().Path(w.entry.ce, w.entry.channel);
        const auto block = static_cast<unsigned>(nand::FoundBlock(w.entry));
        EXPECT_EQ(nand().PageTag(path, block, 0), w.tag);
        EXPECT_FALSE(nand().PageEncrypted(path, block, 0)) << "programmed with encryption off";
        const auto page = nand().PageData(path, block, 0);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), page.begin()));
    }
    EXPECT_EQ(nand().Register(0x2809), 0x01) << "encryption put back";
    const sim::ControllerState controller = Controller();
    EXPECT_TRUE(controller.blocks.empty()) << "the controller keeps no block copies";
    EXPECT_TRUE(controller.spares.empty());
}

TEST_F(OneState, ErasingTheSystemAreaErasesItsBlocksAndForgetsTheirAddresses)
{
    Build(SmallFlash());
    nand().Program(0, 40, 0, Pattern(2048, 1), "CISSYS", false);
    nand().Program(0, 41, 0, Pattern(2048, 2), "RWTest", false);
    std::array<BYTE, 64> addresses{};
    addresses[3] = 40;
    ASSERT_EQ(vendor.SystemAccessWrite(handles[kPort], 0x8D, 0, 0, 0, 0, 64, addresses.data()), 1);
    std::array<BYTE, 512> status{};
    ASSERT_EQ(vendor.BlockCheckErase(handles[kPort], 1, 0, 0, 0, 512, 0, 0, 0, 0, status.data()), 1);
    EXPECT_FALSE(nand().PageProgrammed(0, 40, 0)) << "a system block";
    EXPECT_TRUE(nand().PageProgrammed(0, 41, 0));
    ASSERT_EQ(vendor.SystemAccessRead(handles[kPort], 0x8C, 0, 0, 0, 0, 64, addresses.data()), 1);
    EXPECT_EQ(std::vector<BYTE>(addresses.begin(), addresses.begin() + 4), (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}))
        << "the system area reads as not built";
    EXPECT_EQ(Controller().systemAreaErases, 1u);
}

TEST_F(OneState, TheControllerOwnsTheLunConfigurationAndTheIspSegments)
{
    sim::nand::NandConfig config = SmallFlash();
    config.requireIspLoad = true;
    Build(config);
    std::array<BYTE, 48> lun{};
    lun[7] = 0x77;
    ASSERT_EQ(vendor.ConfigureLUNWrite(handles[kPort], 0x8A, 0, 0, 0, 48, lun.data()), 1);
    EXPECT_EQ(Controller().lunConfiguration[7], 0x77);
    EXPECT_EQ(nand().LunConfiguration()[7], 0x77);

    std::vector<BYTE> isp(0x4000, 0x5A);
    ASSERT_EQ(format.InitIsp(handles, kPort, 0xC000, 0x4000, isp.data()), 1);
    const sim::ControllerState controller = Controller();
    ASSERT_EQ(controller.ispSegments.count(0xC000), 1u);
    EXPECT_EQ(controller.ispSegments.at(0xC000), isp);
    EXPECT_TRUE(nand().ispLoaded()) << "the flash gate opens on the controller's segment";
}

// A CPU reset brings the controller's registers back to the values they had at power-on,
// the flash's settings among them.
TEST_F(OneState, ACpuResetRestoresTheFlashsPowerOnRegisters)
{
    sim::nand::NandConfig config = SmallFlash();
    config.encryption = 0x00;
    config.flashAccess = 0x41;
    config.cpuResetNotReadyPolls = 0;
    Build(config);
    nand().SetRegister(0x2809, 0x01);
    nand().SetRegister(0x2600, 0x03);
    ASSERT_EQ(vendor.ConfigureLUNWrite(handles[kPort], 0x01, 0, 0, 0, 0, nullptr), 1);
    EXPECT_EQ(nand().cpuResets(), 1u);
    EXPECT_EQ(nand().Register(0x2809), 0x00);
    EXPECT_EQ(nand().Register(0x2600), 0x41);
}

} // namespace
