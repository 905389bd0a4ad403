// The format page over a main frame that has not started: its settings loaded from a
// station folder of the test's own, message boxes and choosers scripted, debug lines kept,
// and the page built as the settings sheet builds it, then initialised and shown.
#pragma once

#include "console/format_page/ft_image_create_dlg.h"
#include "console/main_frame.h"
#include "console/server_link.h"
#include "engine/ports/dev_info_doc.h"
#include "job_support.h"
#include "platform/filedialog/filedialog.h"
#include "platform/text/text.h"
#include "resources/format_page_ids.h"
#include "tests/console/setting_page_driver.h"
#include "tests/profile/scratch_folder.h"
#include "tests/server_shell/captured_lines.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace formattest {

using namespace res;

constexpr DWORD MB = 2048;

class FormatPageTest : public ::testing::Test, protected SettingPageDriver {
protected:
    CSettingPage& DrivenPage() const override { return *page; }

    FormatPageTest()
    {
        previousChoosers = platform::SetFileDialogScript(
            [this](const platform::FileDialogRequest& request) -> std::optional<std::u16string> {
                choosers.push_back(request);
                if (answers.empty())
                    return std::nullopt;
                std::optional<std::u16string> answer = answers.front();
                answers.pop_front();
                return answer;
            });
    }

    ~FormatPageTest() override
    {
        Close();
        platform::SetFileDialogScript(std::move(previousChoosers));
    }

    // The page and the frame gone. The frame saves nothing at its end, and it releases the
    // server objects it finds: a test's own are taken away first.
    void Close()
    {
        page.reset();
        if (frame == nullptr)
            return;
        frame->ToolIni.reset();
        PortwardenCtrl = nullptr;
        PortwardenCtrl2 = nullptr;
        frame->BlockMapHandle = nullptr;
        frame.reset();
    }

    // The frame's settings from a CIS settings file of these keys; `mode` then as the
    // tests reach flash-drive mode (the loader clears bit 0). Any earlier frame is closed.
    CMainFrame& Load(const std::string& cis, DWORD mode = 0, const std::string& station = "")
    {
        Close();
        WriteBytes(folder.File("Fabrun.ini"), "[Setting]\nDevNoView=4\n" + station);
        WriteBytes(folder.File("DefaultCIS.ini"), "[CIS_Setting]\n" + cis);
        frame = std::make_unique<CMainFrame>(document, folder.WideFolder());
        frame->LoadSettings();
        frame->FabrunMode = mode;
        return *frame;
    }

    // A device on the port, found by the walk: its disk's path and READ CAPACITY reply.
    void PlugIn(int port, DWORD lastLba = 0)
    {
        PortRecord& record = document.Ports()[port];
        record.hubTier = 2;
        record.present = 1;
        const std::string path = "\\\\?\\usbstor#disk&ven_bench#" + std::to_string(port);
        std::memcpy(record.disk.devicePath, path.c_str(), path.size() + 1);
        record.SetDevicePathFromDisk();
        for (int i = 0; i < 4; ++i)
            record.disk.capacity[i] = static_cast<BYTE>(lastLba >> (24 - 8 * i));
    }

    CFtImageCreateDlg& Open()
    {
        page = std::make_unique<CFtImageCreateDlg>(*frame, nullptr);
        page->OnInitDialog();
        page->show();
        return *page;
    }

    CISSetting& Record() { return frame->CisSetting; }
    DWORD Capacity(int lun) { return Record().CISImage.Dword(cis::kLunCapacity + 4 * lun); }
    DWORD Start(int lun) { return Record().CISImage.Dword(cis::kLunStartLba + 4 * lun); }
    const FormatLunIds& Ids(int lun) const { return kFormatLunIds[lun]; }

    // A whole text at once, as when it is pasted: the edit's handler runs once.
    void Enter(UINT id, const std::u16string& text) { page->SetItemText(id, text); }
    bool Shown(UINT id) const { return !page->Item(id)->isHidden(); }
    bool Writable(UINT id) const { return !page->Edit(id).isReadOnly(); }

    // Lines written since the last look.
    std::vector<std::string> Lines() { return lines.Take(); }
    bool Wrote(const std::string& line)
    {
        for (const std::string& written : Lines())
            if (written == line)
                return true;
        return false;
    }

    ScratchFolder folder;
    CDevInfoDoc document;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CFtImageCreateDlg> page;
    KeptBoxes boxes;
    fabrun_test::CapturedLines lines;
    std::vector<platform::FileDialogRequest> choosers;
    std::deque<std::optional<std::u16string>> answers;
    platform::FileDialogScript previousChoosers;
};

// The keys of a CIS settings file with these LUNs: present bits, capacities and starts
// in sectors, types.
inline std::string LunKeys(DWORD bits, std::array<DWORD, 4> capacities, std::array<DWORD, 4> starts = {},
                           std::array<BYTE, 4> types = {2, 2, 3, 2})
{
    std::string keys = platform::WideToUtf8(platform::FormatWide("LunTypeBitMap=0x%08X\n", static_cast<unsigned>(bits)));
    for (int lun = 0; lun < 4; ++lun)
        keys += platform::WideToUtf8(platform::FormatWide(
            "LunCapacity[%d]=0x%08X\nLunStartLBA[%d]=0x%08X\nImageType[%d]=0x%02X\n", lun,
            static_cast<unsigned>(capacities[lun]), lun, static_cast<unsigned>(starts[lun]), lun, types[lun]));
    return keys;
}

} // namespace formattest
