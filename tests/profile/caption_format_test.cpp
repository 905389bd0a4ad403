#include "engine/ini/caption_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FormatCase {
    std::u16string format;
    bool safe;
};

TEST(CaptionFormat, OnlyOneIntegerConversionReachesPrintf)
{
    const FormatCase cases[] = {
        {u"[Device %02d]:", true},
        {u"%d", true},
        {u"\u88dd\u7f6e %-3i", true},
        {u"100%% %X", true},
        {u"%+.2u", true},
        {u"[Device]", false},          // no conversion
        {u"%d %d", false},             // a second argument printf would invent
        {u"%s", false},
        {u"%n%d", false},
        {u"%ld", false},               // length modifiers read a wider argument
        {u"%*d", false},
        {u"%999999d", false},          // output as wide as the translator wishes
        {u"%.100d", false},
        {u"%#x", false},
        {u"50%", false},               // a lone '%' at the end
        {std::u16string(u"%d\0%s", 5), false},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(IsSingleIntegerFormat(c.format), c.safe) << std::string(c.format.begin(), c.format.end());
}

TEST(CaptionFormat, UnsafeTranslationFallsBackToEnglish)
{
    EXPECT_EQ(CheckedIntegerFormat(u"[Ger\u00e4t %02d]:", u"[Device %02d]:"), u"[Ger\u00e4t %02d]:");
    EXPECT_EQ(CheckedIntegerFormat(u"[Ger\u00e4t %s]:", u"[Device %02d]:"), u"[Device %02d]:");
    EXPECT_EQ(FormatInteger(u"[Ger\u00e4t %02d]:", 7), u"[Ger\u00e4t 07]:");
}

} // namespace
