#include "engine/cis/cis_image.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace {

// Big-endian reads straight from the bytes, independent of the host's order.
unsigned BigEndian16(const CISImage& image, std::size_t at)
{
    return image.bytes[at] << 8 | image.bytes[at + 1];
}

unsigned long BigEndian32(const CISImage& image, std::size_t at)
{
    return static_cast<unsigned long>(image.bytes[at]) << 24 | image.bytes[at + 1] << 16 | image.bytes[at + 2] << 8 |
           image.bytes[at + 3];
}

CISImage Patterned()
{
    CISImage image;
    for (std::size_t i = 0; i < cis::kImageSize; ++i)
        image.bytes[i] = static_cast<BYTE>(i * 7 + 3);
    return image;
}

TEST(CisChecksum, MakesTheWordsOfPart1SumToZero)
{
    CISImage zero = {};
    StoreCisChecksum(zero.Part1());
    EXPECT_EQ(zero.bytes[0], 0);
    EXPECT_EQ(zero.bytes[1], 0);

    CISImage one = {};
    one.bytes[2] = 0x12;
    one.bytes[3] = 0x34;
    one.bytes[0] = 0xAA; // the old checksum counts as 0
    StoreCisChecksum(one.Part1());
    EXPECT_EQ(BigEndian16(one, 0), 0x10000u - 0x1234u);

    CISImage image = Patterned();
    StoreCisChecksum(image.Part1());
    unsigned sum = 0;
    for (std::size_t at = 0; at < cis::kPart1Size; at += 2)
        sum += BigEndian16(image, at);
    EXPECT_EQ(sum % 0x10000, 0u);
    EXPECT_EQ(CisChecksum(image.Part1()), BigEndian16(image, 0)) << "the stored checksum is ignored when recomputing";
}

struct Field {
    std::size_t offset;
    std::size_t size;
};

// Stores host-order values into `fields`, converts, and checks that each field now reads
// big-endian as its value and every other byte is unchanged; a second conversion restores all.
template <std::size_t Count, class Convert>
void CheckConversion(const std::array<Field, Count>& fields, Convert convert)
{
    CISImage image = Patterned();
    for (std::size_t i = 0; i < Count; ++i) {
        if (fields[i].size == 2)
            image.SetWord(fields[i].offset, static_cast<WORD>(0xA100 + i));
        else
            image.SetDword(fields[i].offset, 0xB2C3D400u + static_cast<DWORD>(i));
    }
    const CISImage before = image;
    convert(image);
    std::set<std::size_t> converted;
    for (std::size_t i = 0; i < Count; ++i) {
        unsigned long expected = fields[i].size == 2 ? 0xA100u + i : 0xB2C3D400ul + i;
        unsigned long actual = fields[i].size == 2 ? BigEndian16(image, fields[i].offset) : BigEndian32(image, fields[i].offset);
        EXPECT_EQ(actual, expected) << fields[i].offset;
        for (std::size_t b = 0; b < fields[i].size; ++b)
            converted.insert(fields[i].offset + b);
    }
    for (std::size_t at = 0; at < cis::kImageSize; ++at) {
        if (!converted.contains(at)) {
            EXPECT_EQ(image.bytes[at], before.bytes[at]) << "byte " << at << " is not a big-endian field";
        }
    }
    convert(image);
    EXPECT_EQ(std::memcmp(image.bytes, before.bytes, cis::kImageSize), 0);
}

TEST(CisByteOrder, Part1LunAndSystemFieldsGoBigEndianIdsStay)
{
    std::array<Field, 10> fields{{{16, 4}, {20, 4}, {24, 4}, {28, 4}, {32, 4}, {36, 4}, {40, 4}, {44, 4}, {56, 4}, {60, 4}}};
    CheckConversion(fields, [](CISImage& image) { CisPart1ToBigEndian(image.Part1()); });
}

TEST(CisByteOrder, Part2ListedFieldsGoBigEndianTheRestPassesUnchanged)
{
    std::array<Field, 12> fields{{{272, 2}, {274, 2}, {276, 2}, {280, 2}, {310, 2}, {312, 2}, {314, 2}, {316, 4},
                                  {384, 4}, {388, 4}, {392, 4}, {396, 4}}};
    CheckConversion(fields, [](CISImage& image) { CisPart2ToBigEndian(image.Part2()); });
}

TEST(CisLowBytes, OneBytePerCharacterZeroFilledNoTerminatorWhenFull)
{
    BYTE field[8];
    std::fill(std::begin(field), std::end(field), BYTE{0x55});
    StoreLowBytes(field, 5, u"ab\u00e9\u4e2d");
    EXPECT_EQ(std::vector<BYTE>(field, field + 8), (std::vector<BYTE>{'a', 'b', 0xE9, 0x2D, 0, 0x55, 0x55, 0x55}));
    StoreLowBytes(field, 5, u"abcdefgh");
    EXPECT_EQ(std::vector<BYTE>(field, field + 8), (std::vector<BYTE>{'a', 'b', 'c', 'd', 'e', 0x55, 0x55, 0x55}));
}

} // namespace
