// The settings sheet builds the format page and shows no tab for it; a page never shown
// leaves a loaded settings file as it is.
#include "console/settings/ps_sheet_setting.h"
#include "page_fixture.h"

#include <QTabWidget>

namespace formattest {
namespace {

TEST_F(FormatPageTest, TheSheetBuildsThePageButShowsNoTabForIt)
{
    Load(LunKeys(0x01, {MB, 0, 0, 0}));
    CPSheetSetting sheet(*frame, u"Setting");
    sheet.OnInitDialog();
    EXPECT_EQ(sheet.Tabs().count(), 1);
    EXPECT_EQ(sheet.Tabs().indexOf(&sheet.FormatPage()), -1);
    EXPECT_TRUE(sheet.FormatPage().isHidden());

    // Sizes that are no whole MB and a label too long for its type: a shown page would
    // have taken them through its edits.
    WriteBytes(folder.File("Other.ini"), "[CIS_Setting]\n" + LunKeys(0x03, {0x00100001, 0x00000801, 0, 0}) +
                                             "VolumeLable[0]=A_LABEL_OF_20_CHARS\n");
    answers = {folder.WideFile("Other.ini")};
    sheet.OnLoadSettings();
    EXPECT_EQ(Capacity(0), 0x00100001u);
    EXPECT_EQ(Capacity(1), 0x00000801u);
    EXPECT_EQ(Record().VolumeLable[0].str(), u"A_LABEL_OF_20_CHARS");
}

} // namespace
} // namespace formattest
