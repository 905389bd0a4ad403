// The flash-drive settings page over a main frame that has not started, on the settings
// fixture's station folder, scripted message boxes and choosers and fixed date.
#pragma once

#include "console/settings/ufd_setting_page.h"
#include "resources/ufd_setting_ids.h"
#include "settings_fixture.h"

namespace settingstest {

class UfdPageTest : public SettingsTest {
protected:
    CSettingPage& DrivenPage() const override { return *ufdPage; }

    ~UfdPageTest() override { ufdPage.reset(); }

    CMainFrame& Load(const std::string& cis, const std::string& station = "")
    {
        ufdPage.reset();
        return SettingsTest::Load(cis, station);
    }

    CUFDSettingPageDlg& Open()
    {
        ufdPage = std::make_unique<CUFDSettingPageDlg>(*frame, nullptr);
        ufdPage->SerialBlock().today = [] { return QDate(2026, 12, 9); };
        ufdPage->OnInitDialog();
        ufdPage->show();
        return *ufdPage;
    }

    // The page as the operator leaves it, then opened again on the same record.
    CUFDSettingPageDlg& Reopen()
    {
        ufdPage.reset();
        return Open();
    }

    int Selected(UINT list) const { return ufdPage->List(list).currentIndex(); }
    bool ReadOnly(UINT edit) const { return ufdPage->Edit(edit).isReadOnly(); }

    std::unique_ptr<CUFDSettingPageDlg> ufdPage;
};

inline std::string Hex32Key(const char* key, DWORD value)
{
    return platform::WideToUtf8(platform::FormatWide("%s=0x%08X\n", key, static_cast<unsigned>(value)));
}

} // namespace settingstest
