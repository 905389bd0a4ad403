#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;

TEST(Text, RoundTripsBmpAndSupplementaryCharacters)
{
    std::u16string wide = u"Gr\u00fc\u00dfe \u4e2d\u6587 \U0001F600";
    std::string narrow = WideToAnsi(wide);
    EXPECT_EQ(narrow, "Gr\xc3\xbc\xc3\x9f" "e \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80");
    EXPECT_EQ(AnsiToWide(narrow), wide);
}

TEST(Text, InvalidNarrowBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(AnsiToWide("a\xff" "b"), u"a\ufffdb");
    EXPECT_EQ(WideToAnsi(std::u16string(1, char16_t(0xD800))), "?");
}

struct FieldCase {
    const char* text;
    std::size_t size;
    FieldEnd end;
    const char* expected; // expected bytes, zero-filled to size
    std::size_t copied;
};

class CopyToFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(CopyToFieldTest, NeverOverflowsNorSplitsACharacter)
{
    const FieldCase& c = GetParam();
    char field[16];
    std::memset(field, 0x55, sizeof field);
    EXPECT_EQ(CopyToField(field, c.size, c.text, c.end), c.copied);
    char expected[16] = {};
    std::memcpy(expected, c.expected, std::strlen(c.expected));
    EXPECT_EQ(std::memcmp(field, expected, c.size), 0);
    EXPECT_EQ(static_cast<unsigned char>(field[c.size]), 0x55) << "wrote past the field";
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyToFieldTest,
    ::testing::Values(FieldCase{"abcdef", 6, FieldEnd::ZeroFilled, "abcdef", 6},
                      FieldCase{"abcdefgh", 6, FieldEnd::ZeroFilled, "abcdef", 6},
                      FieldCase{"abcdef", 6, FieldEnd::Terminated, "abcde", 5},
                      FieldCase{"ab", 6, FieldEnd::ZeroFilled, "ab", 2},
                      // "\xc3\xbc" is one character: it must not be cut in half at the end
                      FieldCase{"abcd\xc3\xbc", 5, FieldEnd::ZeroFilled, "abcd", 4},
                      FieldCase{"abc\xc3\xbc", 5, FieldEnd::Terminated, "abc", 3},
                      FieldCase{"\xf0\x9f\x98\x80x", 3, FieldEnd::ZeroFilled, "", 0}));

TEST(Text, WideFieldKeepsSurrogatePairsWhole)
{
    char16_t field[4];
    EXPECT_EQ(CopyWideToWideField(field, 4, u"ab\U0001F600"), 2u);
    EXPECT_EQ(std::u16string(field), u"ab");
    EXPECT_EQ(CopyWideToWideField(field, 4, u"a\U0001F600"), 3u);
    EXPECT_EQ(std::u16string(field), u"a\U0001F600");
}

TEST(Text, WindowsConversionSizeProtocol)
{
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    char16_t small[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 2), 0);
    char16_t wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    char narrow[8];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00e9", 1, narrow, 8, nullptr, nullptr), 2);
}

// Half a surrogate pair has no narrow form: it becomes '?', and the callers that must know
// (a write that has to read back) are told.
TEST(Text, ALoneSurrogateIsReportedAsLost)
{
    char narrow[8];
    BOOL usedDefault = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\xD800", 2, narrow, 8, nullptr, &usedDefault), 2);
    EXPECT_EQ(std::string(narrow, 2), "a?");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\U0001F600", 3, narrow, 8, nullptr, &usedDefault), 5);
    EXPECT_FALSE(usedDefault);
    bool lossless = true;
    EXPECT_EQ(WideToAnsi(u"\xDC00z", &lossless), "?z");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(WideToAnsi(u"\u4e2d", &lossless), "\xe4\xb8\xad");
    EXPECT_TRUE(lossless);
}

TEST(Text, CaseInsensitiveComparison)
{
    EXPECT_TRUE(WideEqualsNoCase(u"Setting", u"SETTING"));
    EXPECT_FALSE(WideEqualsNoCase(u"Setting", u"Settings"));
    // Without any setlocale call in the program, non-ASCII letters still fold.
    EXPECT_TRUE(WideEqualsNoCase(u"\u00c4nderung \u0417\u0410\u041f\u0418\u0421\u042c", u"\u00e4NDERUNG \u0437\u0430\u043f\u0438\u0441\u044c"));
}
