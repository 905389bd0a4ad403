#include "fsbuild/iso9660/iso_identifiers.h"

#include <gtest/gtest.h>

using namespace iso9660;

struct NameCase {
    std::u16string name;
    std::string primary;
    std::string joliet; // UCS-2 big-endian bytes
};

class NameMapping : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameMapping, PrimaryKeepsDCharactersAndJolietKeepsTheName)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(MapPrimaryIdentifier(c.name), c.primary);
    EXPECT_EQ(EncodeUcs2BigEndian(c.name), c.joliet);
}

INSTANTIATE_TEST_SUITE_P(Cases, NameMapping,
    ::testing::Values(NameCase{u"my disk 1", "MY_DISK_1", std::string("\0m\0y\0 \0d\0i\0s\0k\0 \0001", 18)},
                      NameCase{u"read.me.txt", "READ_ME_TXT", std::string("\0r\0e\0a\0d\0.\0m\0e\0.\0t\0x\0t", 22)},
                      NameCase{u"AZaz09", "AZAZ09", std::string("\0A\0Z\0a\0z\0\060\0\071", 12)},
                      // one "_" per character, also for characters outside ASCII
                      NameCase{u"Gr\u00fc\u00dfe", "GR__E", std::string("\0G\0r\0\xfc\0\xdf\0e", 10)},
                      // a surrogate pair is one character
                      NameCase{u"a\U0001F600b", "A_B", std::string("\0a\xd8\x3d\xde\x00\0b", 8)}));

TEST(NameBounds, LongNamesAreCutToWhatTheFieldsHold)
{
    struct Case {
        std::u16string name;
        std::u16string joliet;
    };
    std::u16string emoji = u"\U0001F600";
    const Case cases[] = {
        {std::u16string(64, u'n'), std::u16string(64, u'n')},
        {std::u16string(65, u'n'), std::u16string(64, u'n')},
        // the extension stays
        {std::u16string(70, u's') + u".data", std::u16string(59, u's') + u".data"},
        // an "extension" of more than 15 units is not one
        {u"a." + std::u16string(70, u'e'), u"a." + std::u16string(62, u'e')},
        {u"." + std::u16string(70, u'h'), u"." + std::u16string(63, u'h')},
        // no half surrogate pair at the cut
        {std::u16string(59, u'x') + emoji + u"yy.txt", std::u16string(59, u'x') + u".txt"},
        {std::u16string(58, u'x') + emoji + u"yyy.txt", std::u16string(58, u'x') + emoji + u".txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BoundJolietName(c.name), c.joliet) << c.name.size();
    EXPECT_EQ(MapPrimaryIdentifier(std::u16string(255, u'p')), std::string(221, 'P'));
}
