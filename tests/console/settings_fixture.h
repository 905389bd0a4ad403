// The settings sheet and the chip page over a main frame that has not started: its
// settings are loaded from a station folder of the test's own, message boxes and file
// choosers are scripted, and the page's date is fixed.
#pragma once

#include "console/main_frame.h"
#include "console/settings/ps_sheet_setting.h"
#include "console/settings/setting_command.h"
#include "console/settings/usd_setting_page.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/filedialog/filedialog.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"
#include "resources/usd_setting_ids.h"
#include "tests/console/setting_page_driver.h"
#include "tests/profile/scratch_folder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace settingstest {

using namespace res;

inline std::string Narrow(const std::u16string& text)
{
    return platform::WideToUtf8(text);
}

class SettingsTest : public ::testing::Test, protected SettingPageDriver {
protected:
    CSettingPage& DrivenPage() const override { return *page; }

    SettingsTest()
    {
        platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            boxes.push_back(request);
            return IDOK;
        });
        platform::SetFileDialogScript([this](const platform::FileDialogRequest& request) -> std::optional<std::u16string> {
            choosers.push_back(request);
            if (answers.empty())
                return std::nullopt;
            std::optional<std::u16string> answer = answers.front();
            answers.pop_front();
            return answer;
        });
        std::filesystem::create_directories(folder.path() / "Driver");
        WriteBytes(folder.File("Driver/RZ87XFilterInst"), "#!/bin/sh\necho \"$1\" >> \"" + folder.File("filter.log") + "\"\n");
        std::filesystem::permissions(folder.File("Driver/RZ87XFilterInst"), std::filesystem::perms::owner_all);
    }

    ~SettingsTest() override
    {
        DropFrame();
        platform::SetMessageBoxScript({});
        platform::SetFileDialogScript({});
    }

    // The station INI and the CIS settings file, then the frame's settings loaded from them.
    CMainFrame& Load(const std::string& cis, const std::string& station = "")
    {
        DropFrame();
        WriteBytes(folder.File("Fabrun.ini"), "[Setting]\nDevNoView=4\n" + station);
        WriteBytes(folder.File("DefaultCIS.ini"), "[CIS_Setting]\n" + cis);
        frame = std::make_unique<CMainFrame>(document, folder.WideFolder());
        frame->LoadSettings();
        return *frame;
    }

    // The test's frame saves nothing at its end and switches no driver off.
    void DropFrame()
    {
        page.reset();
        if (frame != nullptr) {
            frame->ToolIni.reset();
            frame->FilterInstalled = 0;
        }
        frame.reset();
    }

    CUSDSettingPageDlg& Open()
    {
        page = std::make_unique<CUSDSettingPageDlg>(*frame, nullptr);
        page->SerialBlock().today = [] { return QDate(2026, 12, 9); };
        page->OnInitDialog();
        page->show();
        return *page;
    }

    CISSetting& Record() { return frame->CisSetting; }

    std::vector<std::u16string> BoxTexts() const
    {
        std::vector<std::u16string> texts;
        for (const auto& box : boxes)
            texts.push_back(box.text);
        return texts;
    }

    // Runs the Setting command; `whileOpen` acts on the sheet while it is shown.
    void RunSheet(const std::function<void(CPSheetSetting&)>& whileOpen)
    {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* sheet = qobject_cast<CPSheetSetting*>(widget); sheet != nullptr && sheet->isVisible()) {
                    acted = true;
                    whileOpen(*sheet);
                    return;
                }
        });
        RunSettingsSheet(*frame);
        EXPECT_TRUE(acted) << "the sheet was shown";
    }

    static CUSDSettingPageDlg& ChipPageOf(CPSheetSetting& sheet) { return *static_cast<CUSDSettingPageDlg*>(sheet.ModePage()); }

    std::string ReadFile(const std::string& name) const { return ReadBytes(folder.File(name)); }

    // The installer runs on its own: waits until its log reads `text`.
    bool FilterLogBecomes(const std::string& text) const
    {
        for (int round = 0; round < 500 && ReadFile("filter.log") != text; ++round)
            usleep(10000);
        return ReadFile("filter.log") == text;
    }

    ScratchFolder folder;
    CDevInfoDoc document;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CUSDSettingPageDlg> page;
    std::vector<platform::MessageBoxRequest> boxes;
    std::vector<platform::FileDialogRequest> choosers;
    std::deque<std::optional<std::u16string>> answers;
};

} // namespace settingstest
