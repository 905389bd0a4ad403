// The format page ("Format Setting"): the layout of a flash drive's four LUNs (Public,
// Security, ISO9660, Hidden) — each with its box, start, capacity and slider, file-system
// type, MBR switch, volume label, image file and source folder — and the build of a LUN's
// image file through the server, one thread per LUN, its progress polled every 100 ms.
// Every handler writes the main frame's record at once. The settings sheet builds the
// page but shows no tab for it.
#pragma once

#include "console/format_page/image_build_job.h"
#include "console/format_page/lun_layout.h"
#include "console/settings/setting_page.h"

#include <QBasicTimer>

#include <array>
#include <memory>

class QProgressBar;
class QSlider;

class CFtImageCreateDlg : public CSettingPage {
    Q_OBJECT

public:
    CFtImageCreateDlg(CMainFrame& frame, QWidget* parent);
    ~CFtImageCreateDlg() override;

    void OnInitDialog() override;
    // Shows the record's LUNs again; a page never initialised has nothing to show and
    // changes nothing.
    void DoDataExchange() override;
    std::u16string_view TabKey() const override { return u"FormatSetting"; }
    std::u16string_view TabEnglish() const override { return u"Format Setting"; }

    void LoadImagePageCaptions();
    // The target's sectors behind LUN 0's start; TotalSectors is set on the way.
    DWORD ComputeTotalSectors();
    void UpdateRemaining();
    void SetCapacityMB(DWORD megabytes, int lun);
    void PackStartLBAs(int lun);
    // 1: each present LUN's start may be typed; 0 (Auto Tune): only the first present one's.
    void SetStartLbaEditable(int flag);
    // The capacities of the port's device CIS into the capacity edits; FALSE, with the
    // record's own capacities shown, when the device has none or it cannot be read.
    BOOL CapacityFromCIS(int port);
    // Create Image of LUN n.
    void StartImageBuild(int lun);
    // Each LUN's progress bar from its build.
    void OnTimer(int id);

    LunLayout& Layout() { return layout_; }
    // The last build of LUN n, running or finished; null before the first.
    std::shared_ptr<ImageBuildJob> Build(int lun) const { return builds_[lun]; }
    QSlider& Slider(int lun) const;
    QProgressBar& Progress(int lun) const;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void ConnectHandlers();
    void ShowLuns();
    void ShowLun(int lun);
    void EnableLun(int lun, bool enable);
    void EnableImageControls(int lun);
    void EnableHiddenBoxes();
    void ShowCapacity(int lun);
    void ShowStartLba(int lun);
    void ShowMaxLun();
    void ShowRecordCapacities();
    bool Building(int lun) const;
    bool LunPresent(int lun) const { return layout_.Present(lun); }

    void OnCapacityChanged(int lun);
    void OnStartLbaChanged(int lun);
    void OnEnableLun(int lun);
    void OnAutoTune();
    void OnSliderMoved(int lun);
    void OnHiddenPublic();
    void OnHiddenIso9660();
    void OnAutoRun();
    void OnTypeChanged(int lun);
    void OnMbr(int lun);
    void OnLabelChanged(int lun);
    void OnOpenImage(int lun);
    void OnOpenSource(int lun);
    void OnCapFromCis();

    LunLayout layout_;
    bool initialized_ = false;
    std::array<std::shared_ptr<ImageBuildJob>, 4> builds_;
    QBasicTimer progressTimer_;
};
