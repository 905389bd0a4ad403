// The settings sheet as the Setting command runs it: its one tab and buttons, OK and
// Cancel, "Save Setting", and the Load and SaveAs buttons with what Cancel puts back.
#include "settings_fixture.h"

namespace settingstest {
namespace {

using Sheet = SettingsTest;

const std::string kCis = "FilePathOfFW=/fw/one.bin\nUSB_VID=0x1111\nLunTypeBitMap=0x00000003\nSerialNumberX=0x0000000000000100\n"
                         "SerialNumberY=8\nSNType=2\nBurnInCycle=0x00000002\n";

TEST_F(Sheet, ShowsOneTabAndItsButtonsInTheOperatorsLanguage)
{
    const struct {
        std::string station;
        const char16_t* title;
        const char16_t* tab;
        const char16_t* buttons[4]; // Load, SaveAs, OK, Cancel
    } cases[] = {
        {"", u"Setting", u"Basic Setting", {u"Load", u"SaveAs", u"OK", u"Cancel"}},
        {"Language=XX\n[XX]\nSetting=Einstellung\nBasicSetting=Grund\nFormatSetting=Format\nLoad=Laden\nSaveAs=Speichern\nOK=Gut\n"
         "Cancel=Abbruch\n",
         u"Einstellung", u"Grund", {u"Laden", u"Speichern", u"Gut", u"Abbruch"}},
    };
    for (const auto& c : cases) {
        Load(kCis, c.station);
        RunSheet([&](CPSheetSetting& sheet) {
            EXPECT_EQ(sheet.windowTitle().toStdU16String(), c.title);
            ASSERT_EQ(sheet.Tabs().count(), 1);
            EXPECT_EQ(sheet.Tabs().tabText(0).toStdU16String(), c.tab);
            EXPECT_NE(dynamic_cast<CUSDSettingPageDlg*>(sheet.ModePage()), nullptr) << "chip mode shows the chip page";
            QPushButton* buttons[] = {&sheet.LoadButton(), &sheet.SaveAsButton(), &sheet.OkButton(), &sheet.CancelButton()};
            for (int n = 0; n < 4; ++n)
                EXPECT_EQ(buttons[n]->text().toStdU16String(), c.buttons[n]);
            EXPECT_LT(sheet.LoadButton().x(), sheet.SaveAsButton().x());
            EXPECT_LT(sheet.SaveAsButton().x(), sheet.OkButton().x());
            EXPECT_LT(sheet.OkButton().x(), sheet.CancelButton().x());
            EXPECT_TRUE(sheet.OkButton().isDefault());
            sheet.reject();
        });
    }
}

TEST_F(Sheet, OkKeepsTheEditsAndSavesThem)
{
    Load(kCis);
    RunSheet([&](CPSheetSetting& sheet) {
        ChipPageOf(sheet).Edit(IDC_USB_VID).setText(QStringLiteral("2F52"));
        Q_EMIT ChipPageOf(sheet).Edit(IDC_USB_VID).textEdited(QStringLiteral("2F52"));
        sheet.OkButton().click();
    });
    EXPECT_EQ(Record().USB_VID.str(), u"0x2F52");
    EXPECT_NE(ReadFile("DefaultCIS.ini").find("USB_VID=0x2F52"), std::string::npos);
}

TEST_F(Sheet, CancelPutsEverythingBackAndSavesNothing)
{
    Load(kCis);
    const std::string before = ReadFile("DefaultCIS.ini");
    RunSheet([&](CPSheetSetting& sheet) {
        // A restorable field, a chip-mode switch and a device-read CIS byte.
        Record().LunTypeBitMap = 0x0F;
        Record().BurnInCycle = 9;
        Record().CISImage.bytes[700] = 0x5A;
        ChipPageOf(sheet).Button(IDC_AUTO_RUN).click();
        sheet.CancelButton().click();
    });
    EXPECT_EQ(+Record().LunTypeBitMap, 0x03u);
    EXPECT_EQ(+Record().BurnInCycle, 2u);
    EXPECT_EQ(Record().CISImage.bytes[700], 0);
    EXPECT_EQ(Record().AutoRunEnable, 0);
    EXPECT_EQ(frame->FabrunMode & 0x200, 0u) << "the AutoRun flag goes back with the switch";
    EXPECT_EQ(ReadFile("DefaultCIS.ini"), before);
}

TEST_F(Sheet, CancelAfterSaveSettingKeepsTheEditsAndSavesThem)
{
    Load(kCis);
    RunSheet([&](CPSheetSetting& sheet) {
        Record().LunTypeBitMap = 0x0F;
        ChipPageOf(sheet).Button(IDC_SAVE_SETTING).click();
        sheet.reject();
    });
    EXPECT_EQ(+Record().LunTypeBitMap, 0x0Fu);
    EXPECT_NE(ReadFile("DefaultCIS.ini").find("LunTypeBitMap=0x0000000F"), std::string::npos);
    // The next opening starts without the request.
    RunSheet([&](CPSheetSetting& sheet) {
        Record().LunTypeBitMap = 0x01;
        sheet.reject();
    });
    EXPECT_EQ(+Record().LunTypeBitMap, 0x0Fu);
}

TEST_F(Sheet, LoadReplacesEverySettingAndTheShownPage)
{
    Load(kCis);
    WriteBytes(folder.File("other.ini"), "[CIS_Setting]\nFilePathOfFW=/fw/two.bin\nUSB_VID=0x2222\nLunTypeBitMap=0x00004001\n");
    answers = {std::nullopt, folder.WideFile("other.ini")};
    RunSheet([&](CPSheetSetting& sheet) {
        sheet.LoadButton().click(); // cancelled: nothing changes
        EXPECT_EQ(frame->CISSettingFilePath, folder.WideFile("DefaultCIS.ini"));
        sheet.LoadButton().click();
        EXPECT_EQ(frame->CISSettingFilePath, folder.WideFile("other.ini"));
        EXPECT_EQ(frame->CisIni->Path(), folder.WideFile("other.ini"));
        EXPECT_EQ(Record().USB_VID.str(), u"0x2222");
        EXPECT_EQ(ChipPageOf(sheet).ItemText(IDC_USB_VID), u"0x2222") << "the page shows the loaded record";
        EXPECT_EQ(ChipPageOf(sheet).ItemText(IDC_FW_FILE), u"two.bin");
        EXPECT_EQ(ChipPageOf(sheet).List(IDC_FLASH_TYPE).currentIndex(), 2) << "the loaded record's flash type";
        sheet.accept();
    });
    ASSERT_EQ(choosers.size(), 2u);
    EXPECT_EQ(choosers[1].kind, platform::FileDialogRequest::Kind::Open);
    EXPECT_EQ(choosers[1].defaultExtension, u"ini");
    EXPECT_EQ(choosers[1].filter, u"INI File(*.ini)|*.ini| All File (*.*)|*.*||");
    EXPECT_EQ(choosers[1].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_NE(ReadFile("other.ini").find("CIS_Mark=VD3CIS"), std::string::npos) << "OK saved the loaded file";
}

// Cancel after Load used to put only some fields back over the loaded file, leave the
// device-read CIS bytes cleared, and save the mix into the loaded file at exit.
TEST_F(Sheet, CancelAfterLoadPutsBackTheRecordTheFileAndItsIni)
{
    Load(kCis);
    Record().CISImage.bytes[600] = 0x77; // read from a device
    const CISSetting before = Record();
    WriteBytes(folder.File("other.ini"), "[CIS_Setting]\nFilePathOfFW=/fw/two.bin\nBurnInCycle=0x00000007\n");
    const std::string other = ReadFile("other.ini");
    answers = {folder.WideFile("other.ini")};
    RunSheet([&](CPSheetSetting& sheet) {
        sheet.LoadButton().click();
        EXPECT_EQ(+Record().BurnInCycle, 7u);
        sheet.reject();
    });
    EXPECT_EQ(std::memcmp(&Record().CISImage, &before.CISImage, sizeof before.CISImage), 0);
    EXPECT_EQ(Record().FilePathOfFW.str(), u"/fw/one.bin");
    EXPECT_EQ(+Record().BurnInCycle, 2u);
    EXPECT_EQ(frame->CISSettingFilePath, folder.WideFile("DefaultCIS.ini"));
    EXPECT_EQ(frame->CisIni->Path(), folder.WideFile("DefaultCIS.ini"));
    EXPECT_EQ(ReadFile("other.ini"), other) << "nothing was written into the loaded file";
}

TEST_F(Sheet, SaveAsWritesTheNewFileAtOnce)
{
    Load(kCis);
    answers = {folder.WideFile("saved.ini")};
    RunSheet([&](CPSheetSetting& sheet) {
        Record().LunTypeBitMap = 0x07;
        sheet.SaveAsButton().click();
        EXPECT_NE(ReadFile("saved.ini").find("LunTypeBitMap=0x00000007"), std::string::npos);
        EXPECT_EQ(frame->CISSettingFilePath, folder.WideFile("saved.ini"));
        sheet.accept();
    });
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].kind, platform::FileDialogRequest::Kind::Save);
    EXPECT_EQ(frame->CisIni->Path(), folder.WideFile("saved.ini"));
}

TEST_F(Sheet, ASaveThatCannotBeWrittenIsReported)
{
    Load(kCis);
    std::filesystem::create_directory(folder.File("blocked.ini")); // no file can be written there
    answers = {folder.WideFile("blocked.ini")};
    RunSheet([&](CPSheetSetting& sheet) {
        sheet.SaveAsButton().click();
        sheet.accept();
    });
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, u"The settings could not be saved to:\n" + folder.WideFile("blocked.ini"));
}

// Cancel used to give back the serial number from before the sheet, also after workers
// had handed out the numbers after it.
TEST_F(Sheet, CancelKeepsASerialNumberThatWasAdvancedMeanwhile)
{
    const struct {
        const char* name;
        std::function<void(CPSheetSetting&)> edit;
        ULONGLONG after;
    } cases[] = {
        {"typed on the page", [](CPSheetSetting& sheet) {
             QLineEdit& edit = ChipPageOf(sheet).Edit(IDC_SERIAL_NUMBER);
             edit.setText(QStringLiteral("00000999"));
             Q_EMIT edit.textEdited(edit.text());
         }, 0x100},
        {"advanced by a worker", [this](CPSheetSetting&) { Record().SerialNumberX += 3; }, 0x103},
        {"typed, then advanced", [this](CPSheetSetting& sheet) {
             QLineEdit& edit = ChipPageOf(sheet).Edit(IDC_SERIAL_NUMBER);
             edit.setText(QStringLiteral("00000999"));
             Q_EMIT edit.textEdited(edit.text());
             Record().SerialNumberX += 1;
         }, 0x99A},
    };
    for (const auto& c : cases) {
        Load(kCis);
        RunSheet([&](CPSheetSetting& sheet) {
            c.edit(sheet);
            sheet.reject();
        });
        EXPECT_EQ(+Record().SerialNumberX, c.after) << c.name;
    }
}

} // namespace
} // namespace settingstest
