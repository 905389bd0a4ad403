// The format page's construction, captions, fill and sizes.
#include "console/format_page/ft_image_create_dlg.h"

#include "console/format_page/format_page_fields.h"
#include "console/main_frame.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "portwarden/block_map.h"
#include "resources/format_page_ids.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTimerEvent>

#include <algorithm>

using namespace res;

namespace {

constexpr CaptionItem kCaptions[] = {
    {IDC_FORMAT_OPTION_GROUP, u"Option", u"Option"},
    {IDC_FORMAT_AUTO_TUNE, u"AutoTune", u"Auto Tune"},
    {IDC_FORMAT_MAX_LUN_CAPTION, u"MaxLun", u"MaxLun:"},
    {IDC_FORMAT_TOTAL_CAPTION, u"Total", u"Total:"},
    {IDC_FORMAT_REMAIN_CAPTION, u"Remain", u"Remain:"},
    {IDC_FORMAT_HIDDEN_PUBLIC, u"Hidden", u"Hidden"},
    {IDC_FORMAT_HIDDEN_ISO9660, u"Hidden", u"Hidden"},
    {IDC_FORMAT_AUTO_RUN, u"AutoRun", u"Auto Run"},
};

constexpr const char16_t* kTypeItems[] = {u"FAT", u"FAT32", u"ISO9660", u"NTFS"};

constexpr DWORD kFabrunModeNoMbrBoxes = 0x80;

} // namespace

CFtImageCreateDlg::CFtImageCreateDlg(CMainFrame& frame, QWidget* parent)
    : CSettingPage(frame, *FindDialogTemplate(IDD_FORMAT_SETTING), parent), layout_(frame.CisSetting)
{
    ConnectHandlers();
}

// A build still running keeps its own request: it finishes without the page.
CFtImageCreateDlg::~CFtImageCreateDlg() = default;

QSlider& CFtImageCreateDlg::Slider(int lun) const
{
    return *qobject_cast<QSlider*>(Item(kFormatLunIds[lun].slider));
}

QProgressBar& CFtImageCreateDlg::Progress(int lun) const
{
    return *qobject_cast<QProgressBar*>(Item(kFormatLunIds[lun].progress));
}

void CFtImageCreateDlg::LoadImagePageCaptions()
{
    ReadLanguageSection();
    SetCaptions(kCaptions);
    for (int lun = 0; lun < 4; ++lun) {
        const FormatLunIds& ids = kFormatLunIds[lun];
        SetCaption(ids.startLbaCaption, platform::FormatWide("StartLBA[%d]", lun),
                   platform::FormatWide("StartLBA[%d]:", lun));
        SetCaption(ids.capacityCaption, platform::FormatWide("Capacity[%d]", lun),
                   platform::FormatWide("Capacity[%d]:", lun));
        SetCaption(ids.labelCaption, u"VolumeLable", u"Volume Lable:");
        SetCaption(ids.typeCaption, u"Type", u"Type:");
        SetCaption(ids.imageButton, u"OpenImageFile", u"Open Image File");
        SetCaption(ids.sourceButton, u"OpenSourceFile", u"Open Source File");
        SetCaption(ids.createImage, u"CreateImage", u"Create Image");
    }
}

DWORD CFtImageCreateDlg::ComputeTotalSectors()
{
    const CDevInfoDoc::PortRecords& ports = frame_.Document().Ports();
    const int portsShown = std::clamp<int>(frame_.DevNoView, 0, kPortCount);
    const auto port = std::find_if(ports.begin(), ports.begin() + portsShown,
                                   [](const PortRecord& record) { return record.hubTier != 0 && record.present != 0; });
    ULONGLONG target = 0;
    if (port == ports.begin() + portsShown) {
        target = 0;
    } else if ((frame_.FabrunMode & kFabrunModeFlashDrive) == 0) {
        target = ReadCapacityLastLba(port->disk);
    } else if (frame_.BlockMapHandle == nullptr) {
        // The flash's size is known only once the port views have read a device's CIS.
        platform::DebugPrintf("Format page: no block map; the LUN capacities stand for the target");
    } else {
        const BYTE sizeCode = frame_.CisSetting.CISImage.bytes[cis::kFlashSizeCode] & 0x0F;
        target = FlashTargetSectors(sizeCode, frame_.BlockMapHandle->ceCount, frame_.BlockMapHandle->channelCount);
    }
    return layout_.SetTarget(target);
}

void CFtImageCreateDlg::UpdateRemaining()
{
    const RemainingView view = layout_.UpdateRemaining();
    SetItemText(IDC_FORMAT_TOTAL, platform::FormatWide("%d", view.availableMB));
    for (int lun = 0; lun < 4; ++lun) {
        QSlider& slider = Slider(lun);
        const QSignalBlocker quiet(slider);
        slider.setRange(0, view.sliders[lun].maximum);
        slider.setValue(view.sliders[lun].position);
    }
    SetItemText(IDC_FORMAT_REMAIN, platform::FormatWide("%d", view.remainMB));
}

void CFtImageCreateDlg::SetStartLbaEditable(int flag)
{
    bool firstPresent = true;
    for (int lun = 0; lun < 4; ++lun) {
        const bool writable = LunPresent(lun) && (flag == 1 || firstPresent);
        if (LunPresent(lun))
            firstPresent = false;
        Edit(kFormatLunIds[lun].startLba).setReadOnly(!writable);
    }
}

void CFtImageCreateDlg::OnInitDialog()
{
    LoadImagePageCaptions();
    layout_.AvailableSectors = layout_.RemainSectors = ComputeTotalSectors();
    for (int lun = 0; lun < 4; ++lun) {
        QComboBox& list = List(kFormatLunIds[lun].type);
        list.clear();
        for (const char16_t* item : kTypeItems)
            list.addItem(QString::fromUtf16(item));
        list.setCurrentIndex(0);
        Progress(lun).setRange(0, 100);
        Progress(lun).setValue(0);
        Item(kFormatLunIds[lun].mbr)->setVisible((frame_.FabrunMode & kFabrunModeNoMbrBoxes) == 0);
    }
    Item(IDC_FORMAT_CAP_FROM_CIS)->setVisible((frame_.FabrunMode & kFabrunModeFlashDrive) != 0);
    ShowLuns();
    initialized_ = true;
}

void CFtImageCreateDlg::DoDataExchange()
{
    if (!initialized_)
        return;
    layout_.AvailableSectors = layout_.RemainSectors = ComputeTotalSectors();
    ShowLuns();
}

void CFtImageCreateDlg::ShowLuns()
{
    CISSetting& setting = frame_.CisSetting;
    const bool autoTune = (setting.LunTypeBitMap & kLunAutoTune) != 0;
    for (int lun = 0; lun < 4; ++lun) {
        SetCheck(kFormatLunIds[lun].enable, LunPresent(lun));
        if (LunPresent(lun))
            ShowLun(lun);
        else
            EnableLun(lun, false);
    }
    if (autoTune)
        SetStartLbaEditable(0);
    EnableHiddenBoxes();
    const BYTE* lunType = setting.CISImage.bytes + cis::kLunType;
    SetCheck(IDC_FORMAT_HIDDEN_PUBLIC, (lunType[0] & 0x80) != 0);
    SetCheck(IDC_FORMAT_HIDDEN_ISO9660, (lunType[2] & 0x80) != 0);
    SetCheck(IDC_FORMAT_AUTO_RUN, (setting.CISImage.bytes[cis::kLunAttribute + 2] & 0x40) == 0);
    SetCheck(IDC_FORMAT_AUTO_TUNE, autoTune);
    for (int lun = 0; lun < 4; ++lun)
        ShowStartLba(lun);
    if ((setting.LunTypeBitMap & kLunZeroTakesRest) != 0 && layout_.Type(0) != kImageFat16)
        layout_.SetCapacity(0, layout_.AvailableSectors);
    SetCheck(IDC_FORMAT_CAP_FROM_CIS, (setting.LunTypeBitMap & kLunCapFromCis) != 0);
    if ((setting.LunTypeBitMap & kLunCapFromCis) != 0) {
        bool read = false;
        for (int port = 0; port < kPortCount; ++port) {
            const PortRecord& record = frame_.Document().Ports()[port];
            if (record.hubTier != 0 && record.present != 0)
                read = CapacityFromCIS(port) || read;
        }
        // Without a device the edits would stay empty.
        if (!read)
            ShowRecordCapacities();
    } else {
        ShowRecordCapacities();
    }
    ShowMaxLun();
    UpdateRemaining();
    if ((setting.LunTypeBitMap & kLunZeroTakesRest) != 0)
        for (int lun = 1; lun < 4; ++lun) {
            const FormatLunIds& ids = kFormatLunIds[lun];
            EnableItems({ids.startLba, ids.capacity, ids.slider, ids.type, ids.label, ids.enable}, false);
        }
}

// A present LUN's controls, usable and showing the record.
void CFtImageCreateDlg::ShowLun(int lun)
{
    const FormatLunIds& ids = kFormatLunIds[lun];
    CISSetting& setting = frame_.CisSetting;
    EnableLun(lun, true);
    SetItemText(ids.imageEdit, (setting.*kLunPaths[lun].image).str());
    SetItemText(ids.sourceEdit, (setting.*kLunPaths[lun].source).str());
    SetItemText(ids.label, setting.VolumeLable[lun].str());
    const BYTE type = layout_.Type(lun);
    List(ids.type).setCurrentIndex(type >= 1 && type <= 4 ? type - 1 : -1);
    SetCheck(ids.mbr, (setting.ImageType[lun] & kImageWithMbr) != 0);
    EnableImageControls(lun);
}

void CFtImageCreateDlg::EnableLun(int lun, bool enable)
{
    const FormatLunIds& ids = kFormatLunIds[lun];
    for (UINT edit : {ids.startLba, ids.capacity, ids.imageEdit, ids.sourceEdit, ids.label})
        Edit(edit).setReadOnly(!enable);
    EnableItems({ids.startLba, ids.capacity, ids.slider, ids.type, ids.mbr, ids.label, ids.imageEdit, ids.imageButton,
                 ids.sourceEdit, ids.sourceButton, ids.createImage},
                enable);
}

// An NTFS LUN is built on the device only: no image file for it.
void CFtImageCreateDlg::EnableImageControls(int lun)
{
    const FormatLunIds& ids = kFormatLunIds[lun];
    const bool imageFile = LunPresent(lun) && layout_.Type(lun) != kImageNtfs;
    EnableItems({ids.imageEdit, ids.imageButton}, imageFile);
    EnableItems({ids.createImage}, imageFile && !Building(lun));
}

// The hidden switches belong to the ISO9660 LUN's pair.
void CFtImageCreateDlg::EnableHiddenBoxes()
{
    EnableItems({IDC_FORMAT_HIDDEN_PUBLIC, IDC_FORMAT_HIDDEN_ISO9660, IDC_FORMAT_AUTO_RUN}, LunPresent(2));
}

void CFtImageCreateDlg::ShowCapacity(int lun)
{
    SetItemText(kFormatLunIds[lun].capacity, platform::FormatWide("%u", static_cast<unsigned>(layout_.Capacity(lun) >> 11)));
}

void CFtImageCreateDlg::ShowStartLba(int lun)
{
    SetItemText(kFormatLunIds[lun].startLba, platform::FormatWide("0x%08X", static_cast<unsigned>(layout_.StartLba(lun))));
}

void CFtImageCreateDlg::ShowRecordCapacities()
{
    for (int lun = 0; lun < 4; ++lun)
        ShowCapacity(lun);
}

void CFtImageCreateDlg::ShowMaxLun()
{
    SetItemText(IDC_FORMAT_MAX_LUN, platform::FormatWide("%d", frame_.CisSetting.CISImage.bytes[cis::kUsbMaxLun]));
}

void CFtImageCreateDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == progressTimer_.timerId())
        OnTimer(1);
    else
        CSettingPage::timerEvent(event);
}
