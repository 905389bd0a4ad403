// The settings sheet in the flash-drive mode: its one tab is the flash-drive page, Load
// shows the loaded record on it, and Cancel puts back what the page changed.
#include "ufd_page_fixture.h"

#include <functional>
#include <stdexcept>

namespace settingstest {
namespace {

using UfdSheet = UfdPageTest;

const std::string kCis = "FilePathOfBootCode=/boot/one.bin\nLunTypeBitMap=0x40030001\nHDTestProcedureMask=0x00000001\n"
                         "SNType=6\nSerialNumberX=0x0000000000000100\n";

CUFDSettingPageDlg& UfdPageOf(CPSheetSetting& sheet)
{
    auto* page = dynamic_cast<CUFDSettingPageDlg*>(sheet.ModePage());
    if (page == nullptr)
        throw std::runtime_error("the sheet shows no flash-drive page");
    return *page;
}

void TypeInto(CSettingPage& page, UINT id, const QString& text)
{
    QLineEdit& edit = page.Edit(id);
    edit.setText(text);
    Q_EMIT edit.textEdited(text);
}

TEST_F(UfdSheet, TheFlashDriveModeShowsTheFlashDrivePage)
{
    Load(kCis, "Language=XX\n[XX]\nBasicSetting=Grund\n");
    frame->FabrunMode |= kFabrunModeFlashDrive;
    RunSheet([&](CPSheetSetting& sheet) {
        ASSERT_EQ(sheet.Tabs().count(), 1);
        EXPECT_EQ(sheet.Tabs().tabText(0).toStdU16String(), u"Grund");
        CUFDSettingPageDlg& page = UfdPageOf(sheet);
        EXPECT_TRUE(page.IsChecked(IDC_UFD_BUILD_SYSTEM_DISABLE));
        EXPECT_EQ(page.ItemText(IDC_UFD_BOOT_CODE_FILE), u"/boot/one.bin");
        sheet.reject();
    });
}

// After a load the flash-type list used to show the type of the record before it. The
// flash-drive mode reads its own test-procedure key.
TEST_F(UfdSheet, LoadShowsTheLoadedRecordOnThePage)
{
    Load(kCis);
    frame->FabrunMode |= kFabrunModeFlashDrive;
    WriteBytes(folder.File("other.ini"), "[CIS_Setting]\nFilePathOfBootCode=/boot/two.bin\nLunTypeBitMap=0x00052000\n"
                                         "PenDriveTestProcedureMask=0x00000020\nSNType=2\n");
    answers = {folder.WideFile("other.ini")};
    RunSheet([&](CPSheetSetting& sheet) {
        CUFDSettingPageDlg& page = UfdPageOf(sheet);
        EXPECT_FALSE(page.Item(IDC_UFD_FORCE_FIRST_BUILD)->isEnabled());
        sheet.LoadButton().click();
        EXPECT_EQ(page.ItemText(IDC_UFD_BOOT_CODE_FILE), u"/boot/two.bin");
        EXPECT_EQ(page.List(IDC_UFD_FLASH_TYPE).currentIndex(), 3);
        EXPECT_EQ(page.List(IDC_UFD_BIT_ERROR_RATE).currentIndex(), 5);
        EXPECT_EQ(page.List(IDC_UFD_SN_GENERATOR).currentIndex(), 2);
        EXPECT_FALSE(page.IsChecked(IDC_UFD_BUILD_SYSTEM_DISABLE));
        EXPECT_TRUE(page.Item(IDC_UFD_FORCE_FIRST_BUILD)->isEnabled()) << "what the old record greyed comes back";
        EXPECT_FALSE(page.Item(IDC_UFD_FLASH_TYPE)->isEnabled());
        sheet.accept();
    });
    EXPECT_EQ(+Record().LunTypeBitMap, 0x00052000u);
    EXPECT_NE(ReadFile("other.ini").find("FilePathOfBootCode=/boot/two.bin"), std::string::npos);
}

TEST_F(UfdSheet, CancelPutsBackWhatThePageChanged)
{
    const struct {
        const char* name;
        std::function<void(CUFDSettingPageDlg&)> edit;
        ULONGLONG serialAfter;
    } cases[] = {
        {"switches and a boot-code path", [](CUFDSettingPageDlg& page) {
             page.Button(IDC_UFD_BUILD_SYSTEM_DISABLE).click();
             page.Button(IDC_UFD_DUMP_MEMORY).click();
             TypeInto(page, IDC_UFD_BOOT_CODE_FILE, QStringLiteral("/boot/typed.bin"));
         }, 0x100},
        {"a typed serial number", [](CUFDSettingPageDlg& page) { TypeInto(page, IDC_UFD_SERIAL_NUMBER, QStringLiteral("999")); },
         0x100},
        {"a serial number a worker advanced", [this](CUFDSettingPageDlg&) { Record().SerialNumberX += 2; }, 0x102},
    };
    for (const auto& c : cases) {
        Load(kCis);
        frame->FabrunMode |= kFabrunModeFlashDrive;
        const std::string before = ReadFile("DefaultCIS.ini");
        RunSheet([&](CPSheetSetting& sheet) {
            c.edit(UfdPageOf(sheet));
            sheet.CancelButton().click();
        });
        EXPECT_EQ(+Record().TestProcedureMask, 0x1u) << c.name;
        EXPECT_EQ(+Record().LunTypeBitMap, 0x40030001u) << c.name;
        EXPECT_EQ(Record().FilePathOfBootCode.str(), u"/boot/one.bin") << c.name;
        EXPECT_EQ(+Record().SerialNumberX, c.serialAfter) << c.name;
        EXPECT_EQ(ReadFile("DefaultCIS.ini"), before) << c.name;
    }
}

} // namespace
} // namespace settingstest
