#include "console/settings/ufd_serial_number_block.h"

#include "console/main_frame.h"
#include "console/port_view/serial_date_stamp.h"
#include "console/settings/exchange_numbers.h"
#include "console/settings/serial_number_texts.h"
#include "console/settings/setting_page.h"
#include "engine/ini/hex_text.h"
#include "platform/text/text.h"
#include "resources/ufd_setting_ids.h"

#include <QComboBox>
#include <QLineEdit>

using namespace res;

namespace {

// Sixteen characters: the whole serial number.
constexpr const char16_t* kFullMask = u"################";
constexpr const char16_t* kFullLength = u"16";

} // namespace

UfdSerialNumberBlock::UfdSerialNumberBlock(CSettingPage& page) : page_(page) {}

void UfdSerialNumberBlock::Connect()
{
    page_.OnSelChange(IDC_UFD_SN_GENERATOR, [this] { OnGeneratorChanged(); });
    page_.OnEditChange(IDC_UFD_SERIAL_NUMBER, [this] { OnSerialNumberChanged(); });
    page_.OnEditChange(IDC_UFD_SN_MASK, [this] { OnMaskChanged(); });
    page_.OnEditChange(IDC_UFD_SN_INTERVAL, [this] { OnIntervalChanged(); });
    page_.OnClicked(IDC_UFD_DECIMAL_SN, [this] { OnDecimalClicked(); });
}

void UfdSerialNumberBlock::FillGeneratorList()
{
    ::FillGeneratorList(page_, IDC_UFD_SN_GENERATOR, CustomDefine);
}

void UfdSerialNumberBlock::SetSerialLabel()
{
    ::SetSerialLabel(page_, IDC_UFD_SERIAL_NUMBER_LABEL, page_.Frame().CisSetting.DecCheck == 1);
}

void UfdSerialNumberBlock::StoreSerialNumber(ULONGLONG value)
{
    page_.Frame().CisSetting.SerialNumberX = value;
    written_ = value;
}

void UfdSerialNumberBlock::Update(bool chosen)
{
    CISSetting& setting = page_.Frame().CisSetting;
    QComboBox& list = page_.List(IDC_UFD_SN_GENERATOR);
    list.setCurrentIndex(setting.SNType >= 0 && setting.SNType < list.count() ? setting.SNType : -1);
    QLineEdit& serial = page_.Edit(IDC_UFD_SERIAL_NUMBER);
    QLineEdit& mask = page_.Edit(IDC_UFD_SN_MASK);
    QLineEdit& interval = page_.Edit(IDC_UFD_SN_INTERVAL);
    serial.setReadOnly(true);
    mask.setReadOnly(true);
    interval.setReadOnly(false);

    auto dateMask = [&] {
        const QDate date = today();
        return SerialDateMask(date.year(), date.month(), date.day(), kFullLength);
    };
    switch (setting.SNType) {
    case ResetSN:
        StoreSerialNumber(0);
        setting.SNInterval = 1;
        interval.setReadOnly(true);
        break;
    case FixSN:
        interval.setReadOnly(true);
        break;
    case Generator:
        setting.SNMask = kFullMask;
        break;
    case Random:
        setting.SNMask = kFullMask;
        interval.setReadOnly(true);
        break;
    case GeneratorWithDate:
        mask.setReadOnly(false);
        setting.SNMask = dateMask();
        break;
    case RandomWithDate:
        mask.setReadOnly(false);
        setting.SNMask = dateMask();
        interval.setReadOnly(true);
        break;
    case CustomDefine:
        serial.setReadOnly(false);
        mask.setReadOnly(false);
        // A mask the operator made is kept when the page opens again.
        if (chosen)
            setting.SNMask = kFullMask;
        break;
    default:
        break;
    }
    page_.SetItemText(IDC_UFD_SN_MASK, setting.SNMask.str());
    page_.SetItemText(IDC_UFD_SN_INTERVAL, platform::FormatWide("%d", setting.SNInterval));
    page_.SetCheck(IDC_UFD_DECIMAL_SN, setting.DecCheck == 1);
    const ULONGLONG number = setting.SerialNumberX; // a copy: the record is packed
    showing_ = true;
    page_.SetItemText(IDC_UFD_SERIAL_NUMBER, setting.DecCheck == 1 ? DecimalSerialText(number) : HexSerialText(number));
    showing_ = false;
}

void UfdSerialNumberBlock::OnGeneratorChanged()
{
    CISSetting& setting = page_.Frame().CisSetting;
    setting.SNType = page_.List(IDC_UFD_SN_GENERATOR).currentIndex();
    Update(true);
    // "Reset SN" zeroes the number and then leaves "Fix SN" chosen.
    if (setting.SNType == ResetSN) {
        setting.SNType = FixSN;
        Update(true);
    }
}

// What the page shows of the serial number is the number itself: only the operator's
// edits store it, so that a worker's advance meanwhile is never overwritten.
void UfdSerialNumberBlock::OnSerialNumberChanged()
{
    if (showing_)
        return;
    const std::u16string text = page_.ItemText(IDC_UFD_SERIAL_NUMBER);
    if (!page_.IsChecked(IDC_UFD_DECIMAL_SN)) {
        StoreSerialNumber(HexTextToUInt64(text, text.size(), 0));
        return;
    }
    if (auto value = ExchangeUnsigned64(text))
        StoreSerialNumber(*value);
    else
        ShowExchangeFailure(u"Enter a positive integer.");
}

void UfdSerialNumberBlock::OnMaskChanged()
{
    page_.Frame().CisSetting.SNMask = page_.ItemText(IDC_UFD_SN_MASK);
}

void UfdSerialNumberBlock::OnIntervalChanged()
{
    if (auto interval = ExchangeInt(page_.ItemText(IDC_UFD_SN_INTERVAL)))
        page_.Frame().CisSetting.SNInterval = *interval;
    else
        ShowExchangeFailure(u"Enter an integer.");
}

// The whole number is shown in either base, so switching never changes it.
void UfdSerialNumberBlock::OnDecimalClicked()
{
    CISSetting& setting = page_.Frame().CisSetting;
    const bool decimal = page_.IsChecked(IDC_UFD_DECIMAL_SN);
    ::SetSerialLabel(page_, IDC_UFD_SERIAL_NUMBER_LABEL, decimal);
    const ULONGLONG number = setting.SerialNumberX;
    page_.PutBack(IDC_UFD_SERIAL_NUMBER, decimal ? DecimalSerialText(number) : HexSerialText(number));
    setting.DecCheck = decimal ? 1 : 0;
}
