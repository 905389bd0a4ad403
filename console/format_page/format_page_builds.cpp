// The format page's image builds, their progress, and the capacities read from a device's CIS.
#include "console/format_page/cis_capacities.h"
#include "console/format_page/format_page_fields.h"
#include "console/format_page/ft_image_create_dlg.h"

#include "console/main_frame.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "resources/format_page_ids.h"

#include <QProgressBar>

using namespace res;

namespace {

constexpr int kProgressTimerId = 1;
constexpr int kProgressPeriodMs = 100;
constexpr DWORD kFabrunModeImageTrailer = 0x100;

} // namespace

bool CFtImageCreateDlg::Building(int lun) const
{
    return builds_[lun] != nullptr && !builds_[lun]->Finished();
}

void CFtImageCreateDlg::StartImageBuild(int lun)
{
    CISSetting& setting = frame_.CisSetting;
    const std::u16string image = (setting.*kLunPaths[lun].image).str();
    if (image.empty()) {
        platform::DebugPrintf("No Select File Path");
        return;
    }
    // The running build owns its request until it ends.
    if (Building(lun)) {
        platform::DebugPrintf("Create Image: LUN %d is still being built", lun);
        return;
    }
    Progress(lun).setRange(0, 100);
    Progress(lun).setValue(0);
    builds_[lun] = ImageBuildJob::Start({setting.ImageType[lun], layout_.StartLba(lun), layout_.Capacity(lun),
                                         setting.VolumeLable[lun].str(), (setting.*kLunPaths[lun].source).str(), image,
                                         (frame_.FabrunMode & kFabrunModeImageTrailer) != 0});
    EnableImageControls(lun);
    progressTimer_.start(kProgressPeriodMs, this);
}

void CFtImageCreateDlg::OnTimer(int id)
{
    if (id != kProgressTimerId)
        return;
    for (int lun = 0; lun < 4; ++lun) {
        if (builds_[lun] == nullptr)
            continue;
        Progress(lun).setValue(builds_[lun]->Progress());
        if (builds_[lun]->Finished())
            EnableImageControls(lun);
    }
}

BOOL CFtImageCreateDlg::CapacityFromCIS(int port)
{
    CISSetting& setting = frame_.CisSetting;
    const std::optional<LunCapacities> capacities =
        ReadCisCapacities(port, frame_.Document().Ports()[port], setting.CISImage);
    if (!capacities) {
        ShowRecordCapacities();
        return FALSE;
    }
    for (int lun = 0; lun < 4; ++lun) {
        frame_.PortLunCapacities[port][lun] = (*capacities)[lun];
        SetItemText(kFormatLunIds[lun].capacity, platform::FormatWide("%u", static_cast<unsigned>((*capacities)[lun] >> 11)));
    }
    return TRUE;
}

void CFtImageCreateDlg::OnCapFromCis()
{
    CISSetting& setting = frame_.CisSetting;
    if (!IsChecked(IDC_FORMAT_CAP_FROM_CIS)) {
        setting.LunTypeBitMap &= ~kLunCapFromCis;
        return;
    }
    setting.LunTypeBitMap |= kLunCapFromCis;
    const CDevInfoDoc::PortRecords& ports = frame_.Document().Ports();
    for (int port = 0; port < kPortCount; ++port)
        if (ports[port].hubTier != 0 && ports[port].present != 0) {
            CapacityFromCIS(port);
            return;
        }
}
