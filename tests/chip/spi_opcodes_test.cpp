// The settings' LunTypeBitMap selects the flash type by bits 30, 14 and 13 in that order
// of precedence; the type's row gives the erase opcode the download sends.
#include "engine/usb/spi_opcodes.h"

#include <gtest/gtest.h>

namespace {

struct TypeRow {
    DWORD lunTypeBitMap;
    BYTE spiType;
    BYTE eraseOpcode;
};

class FlashTypeSelection : public ::testing::TestWithParam<TypeRow> {};

TEST_P(FlashTypeSelection, FollowsBits30Then14Then13)
{
    const auto row = GetParam();
    const BYTE type = SpiTypeFromLunTypeBitMap(row.lunTypeBitMap);
    EXPECT_EQ(type, row.spiType);
    const SpiOpcodeRow* opcodes = OpcodeRowFor(type);
    ASSERT_NE(opcodes, nullptr);
    EXPECT_EQ((*opcodes)[SpiChipErase], row.eraseOpcode);
}

constexpr DWORD Bit(int n)
{
    return DWORD{1} << n;
}

INSTANTIATE_TEST_SUITE_P(Bits, FlashTypeSelection,
                         ::testing::Values(TypeRow{0, 0, 0xC7}, TypeRow{Bit(13), 3, 0x62}, TypeRow{Bit(14), 2, 0x60},
                                           TypeRow{Bit(14) | Bit(13), 2, 0x60}, TypeRow{Bit(30), 1, 0x60},
                                           TypeRow{Bit(30) | Bit(13), 1, 0x60}, TypeRow{Bit(30) | Bit(14) | Bit(13), 1, 0x60},
                                           // The neighbours of the selecting bits select nothing.
                                           TypeRow{Bit(12) | Bit(15) | Bit(29) | Bit(31), 0, 0xC7},
                                           TypeRow{0xFFFFFFFF, 1, 0x60}));

TEST(FlashTypeSelection, OnlyTheTableRowsAreFlashTypes)
{
    EXPECT_NE(OpcodeRowFor(10), nullptr);
    EXPECT_EQ(OpcodeRowFor(11), nullptr);
}

} // namespace
