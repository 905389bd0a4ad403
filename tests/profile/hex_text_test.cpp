#include "engine/ini/hex_text.h"

#include <gtest/gtest.h>

namespace {

struct HexCase {
    std::u16string_view text;
    std::size_t length;
    std::size_t start;
    ULONGLONG expected;
};

class HexText : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexText, ParsesDigitsUpToTheFirstOther)
{
    const HexCase& c = GetParam();
    EXPECT_EQ(HexTextToUInt64(c.text, c.length, c.start), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexText,
    ::testing::Values(HexCase{u"0x1A2b", 6, 2, 0x1A2B}, HexCase{u"0x12G4", 6, 2, 0x12}, HexCase{u"0x", 2, 2, 0},
                      HexCase{u"1234", 4, 2, 0x34}, HexCase{u"00ab", 4, 0, 0xAB},
                      HexCase{u"0xFEDCBA9876543210", 18, 2, 0xFEDCBA9876543210},
                      HexCase{u"123456789ABCDEF012", 18, 0, 0x3456789ABCDEF012}, // low 64 bits kept
                      HexCase{u"12345", 3, 0, 0x123},                             // stops at the length
                      HexCase{u"12", 40, 0, 0x12},                                // a length past the text ends there
                      HexCase{u"12", 2, 2, 0}, HexCase{u"12", 2, 7, 0}, HexCase{u" 12", 3, 0, 0},
                      HexCase{u"x12", 3, 0, 0}));

} // namespace
