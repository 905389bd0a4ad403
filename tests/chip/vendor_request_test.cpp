// The vendor requests reach the chip with the encodings the chip expects, and a reply
// that is short or missing never passes for data.
#include "chip_test_support.h"
#include "engine/usb/vendor_requests.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using chiptest::ConfigFor;
using sim::ChipRequest::Register;
using Effect = sim::RequestFault::Effect;

using VendorRequests = chiptest::OpenedChip;

TEST_F(VendorRequests, RegistersAreAddressedByTheirWholeSixteenBits)
{
    Build(ConfigFor(ChipProductId::RZ522));
    const int countBefore = VdrCommandCount.load();
    for (WORD reg : {0x0015, 0x007E, 0x1205, 0x2AE2, 0x2AE5}) {
        ASSERT_EQ(Write_Register(reg, handle(), static_cast<BYTE>(reg ^ 0x5A)), 1) << reg;
        EXPECT_EQ(chip->RegisterWrites(reg), 1u) << reg;
    }
    chip->SetRegister(0x2AE3, 0xC4);
    BYTE value = 0;
    ASSERT_EQ(Read_Register(0x2AE3, handle(), &value, true), 1);
    EXPECT_EQ(value, 0xC4);
    ASSERT_EQ(Read_Register(0x0158, handle(), &value, false), 1);
    EXPECT_EQ(value, 0x37) << "trim low byte default";
    EXPECT_EQ(VdrCommandCount.load() - countBefore, 7) << "each request that moved data is counted";
}

TEST_F(VendorRequests, DataRequestsAddressTheTargetsWithinTheFlash)
{
    Build(ConfigFor(ChipProductId::RZ522));
    std::vector<BYTE> marks(0x80000);
    for (std::size_t i = 0; i < marks.size(); ++i)
        marks[i] = static_cast<BYTE>(i * 7 + (i >> 16));
    chip->LoadFlash(0, marks);
    struct Case {
        DWORD address;
        BYTE target;
        DWORD linear;
    };
    for (auto c : {Case{0x000000, SpiTargetHub, 0x000000}, Case{0x07FFE0, SpiTargetHub, 0x07FFE0},
                   Case{0x000040, SpiTargetPD1, 0x010040}, Case{0x00BFF0, SpiTargetPD2, 0x02BFF0}}) {
        BYTE buffer[40] = {};
        ASSERT_EQ(SPI_Read_Data(c.address, handle(), 0x03, 4, 32, buffer, c.target), 1);
        EXPECT_EQ(0, std::memcmp(buffer + 4, marks.data() + c.linear, 32)) << std::hex << c.address << " target " << int(c.target);
    }
}

TEST_F(VendorRequests, ProgramOnlyTakesAfterWriteEnableAndWithoutProtection)
{
    Build(ConfigFor(ChipProductId::RZ526));
    BYTE data[32];
    for (int i = 0; i < 32; ++i)
        data[i] = static_cast<BYTE>(i);
    ASSERT_EQ(SPI_WriteEN(0x06, handle()), 1);
    ASSERT_EQ(SPI_Write_Data(0x100, handle(), 0x02, 0, 32, data, SpiTargetPD2), 1);
    EXPECT_EQ(chip->Flash()[0x20100], 0xFF) << "the flash starts block-protected";

    ASSERT_EQ(SPI_WriteEN(0x06, handle()), 1);
    {
        platform::ScopedVirtualClock clock;
        ASSERT_EQ(SPI_WriteSTS(0x01, handle()), 1);
        EXPECT_EQ(clock.clock().SleptTotal(), 1000 * 10'000) << "a status write is followed by 1000 ms";
    }
    BYTE status = 0xFF;
    ASSERT_EQ(SPI_Read(handle(), 0x05, &status), 1);
    EXPECT_EQ(status, 0x00);
    ASSERT_EQ(SPI_Write_Data(0x100, handle(), 0x02, 0, 32, data, SpiTargetPD2), 1);
    EXPECT_EQ(chip->Flash()[0x20101], 0xFF) << "no write enable, no program";
    ASSERT_EQ(SPI_WriteEN(0x06, handle()), 1);
    ASSERT_EQ(SPI_Write_Data(0x100, handle(), 0x02, 0, 32, data, SpiTargetPD2), 1);
    EXPECT_EQ(chip->Flash()[0x2011F], 31);
}

// Every IN request, with the chip answering one byte short: the request fails and the
// caller's byte or buffer keeps what it held.
TEST_F(VendorRequests, ShortInRepliesFail)
{
    sim::ChipConfig config = ConfigFor(ChipProductId::RZ522);
    for (BYTE request : {Register, sim::ChipRequest::SpiReadStatus, sim::ChipRequest::SpiReadData, sim::ChipRequest::Identity})
        config.faults.push_back({.request = request, .count = sim::Never, .effect = Effect::Short});
    Build(config);

    BYTE value = 0xEE;
    EXPECT_EQ(Read_Register(0x0158, handle(), &value, false), 0);
    EXPECT_EQ(value, 0xEE);
    BYTE status = 0xEE;
    EXPECT_EQ(SPI_Read(handle(), 0x05, &status), 0) << "a missing status byte must not read as ready";
    EXPECT_EQ(status, 0xEE);
    BYTE buffer[32];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(SPI_Read_Data(0, handle(), 0x03, 0, 32, buffer, SpiTargetPD2), 0);
    BYTE identity[8] = {0x80, 0xE2, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00};
    EXPECT_EQ(VDR_Test(identity, handle()), 0);
    EXPECT_EQ(identity[1], 0xE2) << "a failed read leaves the setup record as it was";
}

TEST_F(VendorRequests, VdrTestNeverMovesMoreThanItsEightByteBuffer)
{
    Build(ConfigFor(ChipProductId::RZ522));
    BYTE setup[8] = {0x80, sim::ChipRequest::NoOp, 0, 0, 0, 0, 0x40, 0x00}; // asks for 64 bytes
    ASSERT_EQ(VDR_Test(setup, handle()), 1);
    EXPECT_EQ(chip->LastSetup().length, 8) << "the request is cut to the buffer";
    for (BYTE byte : setup)
        EXPECT_EQ(byte, 0) << "the reply fills the record";

    BYTE identity[8] = {0x80, 0xE2, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00};
    ASSERT_EQ(VDR_Test(identity, handle()), 1);
    EXPECT_EQ(identity[2], 0x52);
    EXPECT_EQ(identity[3], 0x02) << "low byte of the product id";
    const BYTE restart[8] = {0x00, sim::ChipRequest::ResetA0, 0, 0, 0, 0, 0, 0};
    BYTE copy[8];
    std::memcpy(copy, restart, 8);
    EXPECT_EQ(VDR_Test(copy, handle()), 1);
    EXPECT_EQ(std::memcmp(copy, restart, 8), 0) << "an OUT request leaves the record alone";
}

TEST_F(VendorRequests, UnknownRequestsStallAndFail)
{
    Build(ConfigFor(ChipProductId::RZ522));
    EXPECT_EQ(SPI_WriteEN(0x04, handle()), 0) << "write disable is not a request the chip knows";
    BYTE setup[8] = {0x40, 0x77, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(VDR_Test(setup, handle()), 0);
}

} // namespace
