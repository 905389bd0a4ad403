// The format page's control handlers: sizes, starts, LUN boxes, switches, types, labels
// and the file and folder choosers.
#include "console/format_page/format_page_fields.h"
#include "console/format_page/ft_image_create_dlg.h"

#include "console/main_frame.h"
#include "console/settings/exchange_numbers.h"
#include "console/settings/field_edits.h"
#include "engine/ini/hex_text.h"
#include "platform/filedialog/filedialog.h"
#include "platform/text/text.h"
#include "resources/format_page_ids.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>

using namespace res;

namespace {

constexpr std::size_t kStartLbaTextLimit = 10;
constexpr std::size_t kFatLabelLimit = 11;
constexpr std::size_t kNtfsLabelLimit = 32;
constexpr const char16_t* kLun0ImageFilter = u"BIN File(*.iso)|*.iso|BIN File(*.img)|*.img| All File (*.*)|*.*||";
constexpr const char16_t* kImageFilter = u"BIN File(*.img)|*.img| All File (*.*)|*.*||";

// A start typed with or without its "0x".
DWORD ParseStartLba(std::u16string_view text)
{
    const std::size_t from = text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X') ? 2 : 0;
    return static_cast<DWORD>(HexTextToUInt64(text, text.size(), from));
}

// What lies behind LUN 0 after its start moved from `before` to `after`.
DWORD AvailableAfterMove(DWORD available, DWORD before, DWORD after)
{
    const LONGLONG moved = static_cast<LONGLONG>(available) + before - after;
    return static_cast<DWORD>(std::clamp<LONGLONG>(moved, 0, 0xFFFFFFFFll));
}

} // namespace

void CFtImageCreateDlg::ConnectHandlers()
{
    for (int lun = 0; lun < 4; ++lun) {
        const FormatLunIds& ids = kFormatLunIds[lun];
        OnEditChange(ids.capacity, [this, lun] { OnCapacityChanged(lun); });
        OnEditChange(ids.startLba, [this, lun] { OnStartLbaChanged(lun); });
        OnClicked(ids.enable, [this, lun] { OnEnableLun(lun); });
        connect(&Slider(lun), &QSlider::valueChanged, this, [this, lun] { OnSliderMoved(lun); });
        OnSelChange(ids.type, [this, lun] { OnTypeChanged(lun); });
        OnClicked(ids.mbr, [this, lun] { OnMbr(lun); });
        OnEditChange(ids.label, [this, lun] { OnLabelChanged(lun); });
        OnEditChange(ids.imageEdit,
                     [this, lun] { frame_.CisSetting.*kLunPaths[lun].image = ItemText(kFormatLunIds[lun].imageEdit); });
        OnEditChange(ids.sourceEdit,
                     [this, lun] { frame_.CisSetting.*kLunPaths[lun].source = ItemText(kFormatLunIds[lun].sourceEdit); });
        OnClicked(ids.imageButton, [this, lun] { OnOpenImage(lun); });
        OnClicked(ids.sourceButton, [this, lun] { OnOpenSource(lun); });
        OnClicked(ids.createImage, [this, lun] { StartImageBuild(lun); });
    }
    OnClicked(IDC_FORMAT_AUTO_TUNE, [this] { OnAutoTune(); });
    OnClicked(IDC_FORMAT_HIDDEN_PUBLIC, [this] { OnHiddenPublic(); });
    OnClicked(IDC_FORMAT_HIDDEN_ISO9660, [this] { OnHiddenIso9660(); });
    OnClicked(IDC_FORMAT_AUTO_RUN, [this] { OnAutoRun(); });
    OnClicked(IDC_FORMAT_CAP_FROM_CIS, [this] { OnCapFromCis(); });
}

void CFtImageCreateDlg::SetCapacityMB(DWORD megabytes, int lun)
{
    if (!layout_.SetCapacityMB(megabytes, lun))
        PutBack(kFormatLunIds[lun].capacity,
                platform::FormatWide("%u", static_cast<unsigned>(layout_.Capacity(lun) >> 11)));
}

void CFtImageCreateDlg::PackStartLBAs(int lun)
{
    for (int moved : layout_.PackStartLBAs(lun))
        PutBack(kFormatLunIds[moved].startLba,
                platform::FormatWide("0x%08X", static_cast<unsigned>(layout_.StartLba(moved))));
}

void CFtImageCreateDlg::OnCapacityChanged(int lun)
{
    const std::optional<DWORD> megabytes = ExchangeUnsigned(ItemText(kFormatLunIds[lun].capacity));
    if (!megabytes) {
        ShowExchangeFailure(u"Enter a positive integer.");
        return;
    }
    SetCapacityMB(*megabytes, lun);
    PackStartLBAs(lun);
    UpdateRemaining();
}

void CFtImageCreateDlg::OnStartLbaChanged(int lun)
{
    const UINT id = kFormatLunIds[lun].startLba;
    std::u16string text = ItemText(id);
    if (lun == 0) {
        // The edit keeps what was typed unless it had to be cut.
        const std::u16string prefixed = HexFieldText(text, std::u16string::npos);
        text = HexFieldText(text, kStartLbaTextLimit);
        if (prefixed.size() > kStartLbaTextLimit)
            PutBack(id, text);
    }
    const DWORD before = layout_.StartLba(lun);
    const DWORD after = ParseStartLba(text);
    bool belowEmpty = true;
    for (int below = 0; below < lun; ++below)
        belowEmpty = belowEmpty && layout_.Capacity(below) == 0;
    if (belowEmpty)
        layout_.AvailableSectors = AvailableAfterMove(layout_.AvailableSectors, before, after);
    layout_.SetStartLba(lun, after);
    PackStartLBAs(lun + 1);
    UpdateRemaining();
}

void CFtImageCreateDlg::OnEnableLun(int lun)
{
    CISSetting& setting = frame_.CisSetting;
    const FormatLunIds& ids = kFormatLunIds[lun];
    BYTE& maxLun = setting.CISImage.bytes[cis::kUsbMaxLun];
    if (IsChecked(ids.enable)) {
        setting.LunTypeBitMap |= 1u << lun;
        maxLun = static_cast<BYTE>(std::min(maxLun + 1, 0xFF));
        ShowLun(lun);
        ShowCapacity(lun);
        ShowStartLba(lun);
    } else if ((setting.LunTypeBitMap & kLunPresentMask & ~(1u << lun)) == 0) {
        // The device keeps at least one LUN.
        SetCheck(ids.enable, true);
        return;
    } else {
        setting.LunTypeBitMap &= ~(1u << lun);
        layout_.SetStartLba(lun, 0);
        layout_.SetCapacity(lun, 0);
        maxLun = static_cast<BYTE>(std::max(maxLun - 1, 0));
        SetItemText(ids.capacity, u"0");
        SetItemText(ids.startLba, u"0x00000000");
        for (UINT edit : {ids.label, ids.imageEdit, ids.sourceEdit})
            SetItemText(edit, u"");
        EnableLun(lun, false);
    }
    EnableHiddenBoxes();
    SetStartLbaEditable((setting.LunTypeBitMap & kLunAutoTune) == 0 ? 1 : 0);
    ShowMaxLun();
    UpdateRemaining();
}

void CFtImageCreateDlg::OnAutoTune()
{
    CISSetting& setting = frame_.CisSetting;
    if (IsChecked(IDC_FORMAT_AUTO_TUNE))
        setting.LunTypeBitMap |= kLunAutoTune;
    else
        setting.LunTypeBitMap &= ~kLunAutoTune;
    SetStartLbaEditable(IsChecked(IDC_FORMAT_AUTO_TUNE) ? 0 : 1);
}

void CFtImageCreateDlg::OnSliderMoved(int lun)
{
    if (!LunPresent(lun))
        return;
    const int position = Slider(lun).value();
    SetItemText(kFormatLunIds[lun].capacity, platform::FormatWide("%d", position));
    if (position == 0)
        ShowStartLba(lun);
}

void CFtImageCreateDlg::OnHiddenPublic()
{
    BYTE* lunType = frame_.CisSetting.CISImage.bytes + cis::kLunType;
    if (IsChecked(IDC_FORMAT_HIDDEN_PUBLIC)) {
        lunType[0] |= 0x80;
        lunType[2] &= ~0x80;
        SetCheck(IDC_FORMAT_HIDDEN_ISO9660, false);
    } else {
        lunType[0] &= ~0x80;
    }
}

void CFtImageCreateDlg::OnHiddenIso9660()
{
    BYTE* lunType = frame_.CisSetting.CISImage.bytes + cis::kLunType;
    if (IsChecked(IDC_FORMAT_HIDDEN_ISO9660)) {
        lunType[2] |= 0x80;
        lunType[0] &= ~0x80;
        SetCheck(IDC_FORMAT_HIDDEN_PUBLIC, false);
    } else {
        lunType[2] &= ~0x80;
    }
}

void CFtImageCreateDlg::OnAutoRun()
{
    BYTE& attribute = frame_.CisSetting.CISImage.bytes[cis::kLunAttribute + 2];
    if (IsChecked(IDC_FORMAT_AUTO_RUN))
        attribute &= ~0x40;
    else
        attribute |= 0x40;
}

void CFtImageCreateDlg::OnTypeChanged(int lun)
{
    CISSetting& setting = frame_.CisSetting;
    const int item = List(kFormatLunIds[lun].type).currentIndex();
    if (item < 0)
        return;
    setting.ImageType[lun] = static_cast<BYTE>((setting.ImageType[lun] & kImageWithMbr) | (item + 1));
    EnableImageControls(lun);
    if (lun != 0 || layout_.Type(0) == kImageNtfs)
        return;
    const bool takesRest = (setting.LunTypeBitMap & kLunZeroTakesRest) != 0;
    if (layout_.Type(0) != kImageFat16 && !takesRest)
        return;
    if (takesRest)
        layout_.SetCapacity(0, layout_.AvailableSectors);
    UpdateRemaining();
    ShowCapacity(0);
}

void CFtImageCreateDlg::OnMbr(int lun)
{
    BYTE& type = frame_.CisSetting.ImageType[lun];
    if (IsChecked(kFormatLunIds[lun].mbr))
        type |= kImageWithMbr;
    else
        type &= ~kImageWithMbr;
}

void CFtImageCreateDlg::OnLabelChanged(int lun)
{
    const UINT id = kFormatLunIds[lun].label;
    std::u16string text = ItemText(id);
    const std::size_t limit = layout_.Type(lun) == kImageNtfs ? kNtfsLabelLimit : kFatLabelLimit;
    if (text.size() > limit) {
        // Never half of a surrogate pair.
        const bool splitsPair = text[limit - 1] >= 0xD800 && text[limit - 1] <= 0xDBFF;
        text.resize(splitsPair ? limit - 1 : limit);
        PutBack(id, text);
    }
    frame_.CisSetting.VolumeLable[lun] = text;
}

void CFtImageCreateDlg::OnOpenImage(int lun)
{
    CFileDialog dialog(TRUE, u".img", nullptr, OFN_HIDEREADONLY, lun == 0 ? kLun0ImageFilter : kImageFilter);
    if (dialog.DoModal() != IDOK)
        return;
    frame_.CisSetting.*kLunPaths[lun].image = dialog.GetPathName();
    PutBack(kFormatLunIds[lun].imageEdit, dialog.GetPathName());
}

// A cancelled browser keeps the folder the LUN had.
void CFtImageCreateDlg::OnOpenSource(int lun)
{
    std::u16string folder;
    if (!BrowseForFolderW(nullptr, nullptr, BIF_RETURNONLYFSDIRS, folder))
        return;
    frame_.CisSetting.*kLunPaths[lun].source = folder;
    PutBack(kFormatLunIds[lun].sourceEdit, folder);
}
