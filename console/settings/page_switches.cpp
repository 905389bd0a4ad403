#include "console/settings/page_switches.h"

#include "console/main_frame.h"
#include "console/settings/setting_page.h"
#include "engine/usb/spi_opcodes.h"
#include "resources/usd_setting_ids.h"

#include <QComboBox>

#include <iterator>

namespace {

constexpr const char16_t* kFlashTypes[] = {u"Default", u"SST", u"MXIC 25L512E", u"ATMEL"};
constexpr DWORD kFlashTypeBits = (1u << 30) | (1u << 14) | (1u << 13);
constexpr DWORD kFlashTypeBit[] = {0, 1u << 30, 1u << 14, 1u << 13};

} // namespace

DWORD WithBit(DWORD mask, DWORD bit, bool set)
{
    return set ? mask | bit : mask & ~bit;
}

void ConnectLunTypeBoxes(CSettingPage& page, std::span<const LunTypeBox> boxes)
{
    for (const LunTypeBox& box : boxes)
        page.OnClicked(box.id, [&page, box] {
            CISSetting& setting = page.Frame().CisSetting;
            setting.LunTypeBitMap = WithBit(setting.LunTypeBitMap, 1u << box.bit, page.IsChecked(box.id));
        });
}

void ShowLunTypeBoxes(CSettingPage& page, std::span<const LunTypeBox> boxes)
{
    const DWORD map = page.Frame().CisSetting.LunTypeBitMap;
    for (const LunTypeBox& box : boxes)
        page.SetCheck(box.id, (map & (1u << box.bit)) != 0);
}

void ShowLunFormatBoxes(CSettingPage& page, bool formatDisabled)
{
    const CISSetting& setting = page.Frame().CisSetting;
    for (UINT lun = 0; lun < cis::kLunCount; ++lun) {
        const bool present = (setting.LunTypeBitMap & (1u << lun)) != 0;
        page.SetCheck(res::IDC_PUBLIC_LUN + lun, present && (setting.FormatLunBitMap & (1u << lun)) != 0);
        page.EnableItems({res::IDC_PUBLIC_LUN + lun}, !formatDisabled && present);
    }
}

void ConnectLunFormatBoxes(CSettingPage& page)
{
    for (UINT lun = 0; lun < cis::kLunCount; ++lun)
        page.OnClicked(res::IDC_PUBLIC_LUN + lun, [&page, lun] {
            CISSetting& setting = page.Frame().CisSetting;
            setting.FormatLunBitMap = static_cast<BYTE>(WithBit(setting.FormatLunBitMap, 1u << lun, page.IsChecked(res::IDC_PUBLIC_LUN + lun)));
        });
}

void FillFlashTypeList(CSettingPage& page, UINT listId)
{
    QComboBox& list = page.List(listId);
    list.clear();
    for (const char16_t* type : kFlashTypes)
        list.addItem(QString::fromUtf16(type));
}

void SelectFlashType(CSettingPage& page, UINT listId)
{
    // The list's index is the flash's SPI type.
    page.List(listId).setCurrentIndex(SpiTypeFromLunTypeBitMap(page.Frame().CisSetting.LunTypeBitMap));
}

void OnFlashTypeChosen(CSettingPage& page, UINT listId)
{
    CISSetting& setting = page.Frame().CisSetting;
    DWORD map = setting.LunTypeBitMap & ~kFlashTypeBits;
    const int index = page.List(listId).currentIndex();
    if (index > 0 && index < static_cast<int>(std::size(kFlashTypeBit)))
        map |= kFlashTypeBit[index];
    setting.LunTypeBitMap = map;
}
