// Template 160 of the format page: the options and the sizes on top, then one block per
// LUN: its box, start and capacity with the slider and the type; MBR, label and the
// hidden and AutoRun boxes; the image file with Create Image and the progress; the
// source folder.
#include "resources/dialog_template.h"
#include "resources/format_page_ids.h"

#include <array>

namespace res {
namespace {

using K = ControlKind;

constexpr const char16_t* kLunNames[4] = {u"Public", u"Security", u"ISO9660", u"Hidden"};
constexpr const char16_t* kStartCaptions[4] = {u"StartLBA[0]:", u"StartLBA[1]:", u"StartLBA[2]:", u"StartLBA[3]:"};
constexpr const char16_t* kCapacityCaptions[4] = {u"Capacity[0]:", u"Capacity[1]:", u"Capacity[2]:", u"Capacity[3]:"};
constexpr int kOptionControls = 12;
constexpr int kLunControls = 17;
constexpr short kLunTop = 48, kLunHeight = 60;

constexpr std::array<DialogControl, kOptionControls + 4 * kLunControls + 2> MakeControls()
{
    std::array<DialogControl, kOptionControls + 4 * kLunControls + 2> controls{};
    std::size_t at = 0;
    for (const DialogControl& control : {
             DialogControl{IDC_FORMAT_OPTION_GROUP, K::GroupBox, u"Option", 5, 4, 430, 36},
             DialogControl{IDC_FORMAT_AUTO_TUNE, K::CheckBox, u"Auto Tune", 12, 18, 60, 10},
             DialogControl{IDC_FORMAT_CAP_FROM_CIS, K::CheckBox, u"Cap From CIS", 76, 18, 64, 10},
             DialogControl{IDC_FORMAT_MAX_LUN_CAPTION, K::Label, u"MaxLun:", 146, 19, 30, 9},
             DialogControl{IDC_FORMAT_MAX_LUN, K::Edit, u"", 178, 17, 24, 12},
             DialogControl{IDC_FORMAT_TOTAL_CAPTION, K::Label, u"Total:", 212, 19, 26, 9},
             DialogControl{IDC_FORMAT_TOTAL, K::Edit, u"", 240, 17, 50, 12},
             DialogControl{IDC_STATIC, K::Label, u"MB", 292, 19, 14, 9},
             DialogControl{IDC_FORMAT_REMAIN_CAPTION, K::Label, u"Remain:", 312, 19, 30, 9},
             DialogControl{IDC_FORMAT_REMAIN, K::Edit, u"", 344, 17, 50, 12},
             DialogControl{IDC_STATIC, K::Label, u"MB", 396, 19, 14, 9},
             DialogControl{IDC_FORMAT_HIDDEN_PUBLIC, K::CheckBox, u"Hidden", 290, kLunTop + 15, 40, 10},
         })
        controls[at++] = control;
    for (short lun = 0; lun < 4; ++lun) {
        const FormatLunIds& ids = kFormatLunIds[lun];
        const short y = static_cast<short>(kLunTop + kLunHeight * lun);
        for (const DialogControl& control : {
                 DialogControl{ids.enable, K::CheckBox, kLunNames[lun], 5, y, 52, 10},
                 DialogControl{ids.startLbaCaption, K::Label, kStartCaptions[lun], 60, static_cast<short>(y + 1), 48, 9},
                 DialogControl{ids.startLba, K::Edit, u"", 110, y, 50, 12},
                 DialogControl{ids.capacityCaption, K::Label, kCapacityCaptions[lun], 166, static_cast<short>(y + 1), 46, 9},
                 DialogControl{ids.capacity, K::Edit, u"", 214, y, 36, 12},
                 DialogControl{ids.slider, K::Slider, u"", 254, y, 110, 12},
                 DialogControl{ids.typeCaption, K::Label, u"Type:", 368, static_cast<short>(y + 1), 22, 9},
                 DialogControl{ids.type, K::DropList, u"", 392, y, 43, 13},
                 DialogControl{ids.mbr, K::CheckBox, u"MBR", 60, static_cast<short>(y + 15), 30, 10},
                 DialogControl{ids.labelCaption, K::Label, u"Volume Lable:", 110, static_cast<short>(y + 16), 50, 9},
                 DialogControl{ids.label, K::Edit, u"", 162, static_cast<short>(y + 15), 120, 12},
                 DialogControl{ids.imageButton, K::PushButton, u"Open Image File", 5, static_cast<short>(y + 29), 70, 14},
                 DialogControl{ids.imageEdit, K::Edit, u"", 80, static_cast<short>(y + 30), 200, 12},
                 DialogControl{ids.createImage, K::PushButton, u"Create Image", 286, static_cast<short>(y + 29), 60, 14},
                 DialogControl{ids.progress, K::ProgressBar, u"", 350, static_cast<short>(y + 30), 85, 12},
                 DialogControl{ids.sourceButton, K::PushButton, u"Open Source File", 5, static_cast<short>(y + 44), 70, 14},
                 DialogControl{ids.sourceEdit, K::Edit, u"", 80, static_cast<short>(y + 45), 200, 12},
             })
            controls[at++] = control;
    }
    const short iso = static_cast<short>(kLunTop + 2 * kLunHeight + 15);
    controls[at++] = {IDC_FORMAT_HIDDEN_ISO9660, K::CheckBox, u"Hidden", 290, iso, 40, 10};
    controls[at++] = {IDC_FORMAT_AUTO_RUN, K::CheckBox, u"Auto Run", 334, iso, 50, 10};
    return controls;
}

constexpr auto kControls = MakeControls();

} // namespace

extern const DialogTemplate kFormatPageTemplate{IDD_FORMAT_SETTING, 440, 290, kControls};

} // namespace res
