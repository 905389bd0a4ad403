#include "engine/ini/language.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageText, FollowsTheLanguageKeyAtEveryLookup)
{
    ScratchFolder folder;
    WriteBytes(folder.File("Fabrun.ini"), "[Setting]\nLanguage=CHT\n[CHT]\nSetting=\xe8\xa8\xad\xe5\xae\x9a\n"
                                          "[JPN]\nSetting=\xe8\xa8\xad\xe5\xae\x9a\xe3\x80\x80\n");
    CIniFile station(folder.WideFile("Fabrun.ini"));
    EXPECT_EQ(LanguageSection(station), u"CHT");
    EXPECT_EQ(LanguageText(station, u"Setting", u"Setting"), u"\u8a2d\u5b9a");
    EXPECT_EQ(LanguageText(station, u"Cancel", u"Cancel"), u"Cancel") << "a caption the section lacks";

    station.WriteString(u"Setting", u"Language", u"JPN");
    EXPECT_EQ(LanguageText(station, u"Setting", u"Setting"), u"\u8a2d\u5b9a\u3000");
    station.WriteString(u"Setting", u"Language", u"");
    EXPECT_EQ(LanguageText(station, u"Setting", u"Setting"), u"Setting");
}

TEST(LanguageText, NoStationFileGivesEnglish)
{
    ScratchFolder folder;
    CIniFile station(folder.WideFile("Fabrun.ini"));
    EXPECT_EQ(LanguageSection(station), u"");
    EXPECT_EQ(LanguageText(station, u"OK", u"OK"), u"OK");
}

} // namespace
