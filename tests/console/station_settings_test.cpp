// The settings sheet through the real window on the bench: an edit saved with OK is what
// the INI files hold and what the next chip run downloads, and the page's backup reads
// the chip behind its modal window.
#include "console/settings/ps_sheet_setting.h"
#include "console/settings/usd_setting_page.h"
#include "platform/filedialog/filedialog.h"
#include "resources/resource_ids.h"
#include "resources/usd_setting_ids.h"
#include "station_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <deque>
#include <random>

namespace consoletest {
namespace {

class SettingsOnTheBench : public StationTest {
protected:
    SettingsOnTheBench()
    {
        platform::SetFileDialogScript([this](const platform::FileDialogRequest&) -> std::optional<std::u16string> {
            if (answers.empty())
                return std::nullopt;
            std::u16string answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~SettingsOnTheBench() override { platform::SetFileDialogScript({}); }

    std::vector<BYTE> WriteFile(const std::string& name, std::size_t size, unsigned seed)
    {
        std::mt19937 random(seed);
        std::vector<BYTE> bytes(size);
        for (BYTE& byte : bytes)
            byte = static_cast<BYTE>(random());
        std::ofstream(Folder() / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return bytes;
    }
    std::u16string Path(const std::string& name) const { return platform::AnsiToWide((Folder() / name).string()); }

    // The Setting command as the operator gives it; `whileOpen` works the sheet's page.
    void WithSheet(const std::function<void(CPSheetSetting&, CUSDSettingPageDlg&)>& whileOpen)
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* sheet = qobject_cast<CPSheetSetting*>(widget); sheet != nullptr && sheet->isVisible()) {
                    shown = true;
                    whileOpen(*sheet, *static_cast<CUSDSettingPageDlg*>(sheet->ModePage()));
                    return;
                }
        });
        QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
        if (!shown) // the accelerator needs an active window; the command is the same
            frame->OnCommand(res::ID_FUNCTION_SETTING);
        EXPECT_TRUE(shown);
    }

    std::deque<std::u16string> answers;
};

TEST_F(SettingsOnTheBench, AnEditSavedWithOkIsWhatTheFilesHoldAndTheNextRunDownloads)
{
    sim::Rz52xChip& chip = PlugChip();
    ASSERT_TRUE(Start());
    const std::vector<BYTE> firmware = WriteFile("line-2.bin", 0x8000, 31);
    answers = {Path("line-2.ini"), Path("line-2.bin")};
    WithSheet([&](CPSheetSetting& sheet, CUSDSettingPageDlg& page) {
        sheet.SaveAsButton().click(); // a settings file of this line's own
        page.Button(res::IDC_FW_OPEN_FILE).click();
        QLineEdit& product = page.Edit(res::IDC_PRODUCT_STRING);
        product.selectAll();
        QTest::keyClicks(&product, QStringLiteral("Line 2 chip"));
        sheet.OkButton().click();
    });
    ASSERT_TRUE(answers.empty());
    const std::string cis = Read("line-2.ini");
    EXPECT_NE(cis.find("FilePathOfFW=" + (Folder() / "line-2.bin").string() + "\r\n"), std::string::npos) << cis;
    EXPECT_NE(cis.find("ProductStr=Line 2 chip\r\n"), std::string::npos) << cis;

    View().PortButton(0).click();
    ASSERT_TRUE(WaitForIdle(0));
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));
    const std::vector<BYTE> flash = chip.Flash();
    for (std::size_t bank : {0x20000u, 0x28000u})
        EXPECT_TRUE(std::equal(firmware.begin(), firmware.end() - 2, flash.begin() + static_cast<long>(bank)))
            << "the RZ522's bank at " << bank << " holds the chosen firmware";

    frame.reset();
    const std::string station = Read("Fabrun.ini");
    const std::string key = "CISSettingFilePath=" + (Folder() / "line-2.ini").string();
    EXPECT_TRUE(station.find(key + "\n") != std::string::npos || station.find(key + "\r\n") != std::string::npos)
        << "the next start loads the line's file:\n" << station;
    EXPECT_NE(Read("line-2.ini").find("ProductStr=Line 2 chip\r\n"), std::string::npos);
}

TEST_F(SettingsOnTheBench, TheBackupButtonReadsTheChipBehindItsWindow)
{
    sim::Rz52xChip& chip = PlugChip();
    std::mt19937 random(8);
    std::vector<BYTE> flash(0x80000);
    for (BYTE& byte : flash)
        byte = static_cast<BYTE>(random());
    chip.LoadFlash(0, flash);
    ASSERT_TRUE(Start());
    answers = {Path("kept/backup.bin")};
    fs::create_directories(Folder() / "kept");
    boxes.clear();
    int ticksDuringBackup = 0;
    bool busyWindowShown = false;
    WithSheet([&](CPSheetSetting& sheet, CUSDSettingPageDlg& page) {
        page.Button(res::IDC_FW_BACKUP_CHOOSE).click();
        // The window keeps being served while the backup runs on a thread of its own.
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            ++ticksDuringBackup;
            if (auto* modal = QApplication::activeModalWidget(); modal != nullptr && modal != &sheet)
                busyWindowShown = true;
        });
        tick.start(1);
        page.Button(res::IDC_BACKUP_FW).click(); // returns when the backup has ended
        tick.stop();
        sheet.CancelButton().click();
    });
    EXPECT_GT(ticksDuringBackup, 0);
    EXPECT_TRUE(busyWindowShown);
    const std::vector<BYTE> expected(flash.begin() + 0x20000, flash.begin() + 0x30000);
    auto read = [&](const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::vector<BYTE>{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    };
    EXPECT_TRUE(read(Folder() / "BackUpFW.BIN") == expected);
    EXPECT_TRUE(read(Folder() / "kept/backup.bin") == expected);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Backup Firmware Success") << "the lookup drops the default's trailing blank";
    EXPECT_TRUE(frame->CisSetting.FilePathOfFWBackup.empty()) << "Cancel put the backup path back";
}

} // namespace
} // namespace consoletest
