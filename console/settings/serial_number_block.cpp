#include "console/settings/serial_number_block.h"

#include "console/main_frame.h"
#include "console/port_view/serial_date_stamp.h"
#include "console/settings/field_edits.h"
#include "console/settings/serial_number_texts.h"
#include "console/settings/setting_page.h"
#include "engine/ini/decimal_text.h"
#include "engine/ini/hex_text.h"
#include "platform/text/text.h"
#include "resources/usd_setting_ids.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <limits>

namespace {

using namespace res;

constexpr int kIntervalDigits = 3;

// The leading decimal digits, in 64 bits.
ULONGLONG DecimalDigitsValue(std::u16string_view text)
{
    ULONGLONG value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + static_cast<ULONGLONG>(c - u'0');
    }
    return value;
}

// The number written with `digits` nines.
ULONGLONG AllNines(int digits)
{
    if (digits >= std::numeric_limits<ULONGLONG>::digits10 + 1)
        return std::numeric_limits<ULONGLONG>::max();
    ULONGLONG value = 0;
    for (int n = 0; n < digits; ++n)
        value = value * 10 + 9;
    return value;
}

std::u16string LastCharacters(const std::u16string& text, int count)
{
    if (count <= 0)
        return {};
    const std::size_t keep = static_cast<std::size_t>(count);
    return text.size() > keep ? text.substr(text.size() - keep) : text;
}

} // namespace

SerialNumberBlock::SerialNumberBlock(CSettingPage& page) : page_(page) {}

void SerialNumberBlock::Connect()
{
    page_.OnSelChange(IDC_SN_GENERATOR, [this] { OnGeneratorChanged(); });
    page_.OnEditChange(IDC_SERIAL_NUMBER, [this] { OnSerialNumberChanged(); });
    page_.OnEditChange(IDC_SN_MASK, [this] { RefitMask(); });
    page_.OnEditChange(IDC_SN_INTERVAL, [this] { OnIntervalChanged(); });
    // The length edit does nothing on its own: "OK" applies it.
    page_.OnClicked(IDC_SN_LENGTH_OK, [this] { OnLengthOk(); });
    page_.OnClicked(IDC_DECIMAL_SN, [this] { OnDecimalClicked(); });
}

void SerialNumberBlock::FillGeneratorList()
{
    ::FillGeneratorList(page_, IDC_SN_GENERATOR, ReadFromHD);
}

void SerialNumberBlock::SetSerialLabel()
{
    ::SetSerialLabel(page_, IDC_SERIAL_NUMBER_LABEL, page_.Frame().CisSetting.DecCheck == 1);
}

int SerialNumberBlock::Length() const
{
    return static_cast<int>(std::clamp<INT>(DecimalTextToInt(page_.Frame().SerialLengthText), 0, 1000));
}

std::u16string SerialNumberBlock::SerialText() const
{
    const CISSetting& setting = page_.Frame().CisSetting;
    return setting.DecCheck == 1 ? DecimalSerialText(setting.SerialNumberX) : HexSerialText(setting.SerialNumberX);
}

void SerialNumberBlock::StoreSerialNumber(ULONGLONG value)
{
    page_.Frame().CisSetting.SerialNumberX = value;
    written_ = value;
}

void SerialNumberBlock::Update()
{
    CMainFrame& frame = page_.Frame();
    CISSetting& setting = frame.CisSetting;
    if (frame.SerialLengthText.empty())
        frame.SerialLengthText = platform::FormatWide("%d", setting.SerialNumberY);
    QComboBox& list = page_.List(IDC_SN_GENERATOR);
    list.setCurrentIndex(setting.SNType >= 0 && setting.SNType < list.count() ? setting.SNType : -1);
    for (UINT id : {IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_MASK, IDC_SN_INTERVAL})
        page_.Edit(id).setReadOnly(false);
    page_.EnableItems({IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_LENGTH_OK, IDC_SN_MASK, IDC_SN_INTERVAL, IDC_DECIMAL_SN}, true);

    const int length = Length();
    const std::u16string hashes(static_cast<std::size_t>(length), u'#');
    auto dateMask = [&] {
        const QDate date = today();
        return SerialDateMask(date.year(), date.month(), date.day(), frame.SerialLengthText);
    };
    switch (setting.SNType) {
    case ResetSN:
        StoreSerialNumber(0);
        setting.SNInterval = 1;
        page_.Edit(IDC_SN_INTERVAL).setReadOnly(true);
        break;
    case FixSN:
        page_.Edit(IDC_SN_INTERVAL).setReadOnly(true);
        break;
    case Generator:
    case CustomDefine:
        setting.SNMask = hashes;
        break;
    case Random:
        setting.SNMask = hashes;
        page_.Edit(IDC_SN_INTERVAL).setReadOnly(true);
        break;
    case GeneratorWithDate:
        setting.SNMask = dateMask();
        break;
    case RandomWithDate:
        setting.SNMask = dateMask();
        page_.Edit(IDC_SN_INTERVAL).setReadOnly(true);
        break;
    case ReadFromHD:
        page_.EnableItems({IDC_SN_INTERVAL, IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_LENGTH_OK, IDC_SN_MASK, IDC_DECIMAL_SN}, false);
        break;
    default:
        break;
    }
    page_.SetItemText(IDC_SN_MASK, setting.SNMask.str());
    page_.SetItemText(IDC_SN_INTERVAL, platform::FormatWide("%d", setting.SNInterval));
    page_.SetCheck(IDC_DECIMAL_SN, setting.DecCheck == 1);
    const INT shownLength = setting.SerialNumberY; // a copy: the record is packed
    showing_ = true;
    page_.SetItemText(IDC_SERIAL_NUMBER, LastCharacters(SerialText(), std::min(shownLength, 1000)));
    showing_ = false;
}

void SerialNumberBlock::OnSerialNumberChanged()
{
    std::u16string text = page_.ItemText(IDC_SERIAL_NUMBER);
    const int length = Length();
    if (text.size() > static_cast<std::size_t>(length)) {
        text = LastCharacters(text, length);
        page_.PutBack(IDC_SERIAL_NUMBER, text);
    }
    // What the page shows of the serial number is display only: writing it back would
    // take a shortened, older number.
    if (!showing_)
        StoreSerialNumber(page_.IsChecked(IDC_DECIMAL_SN) ? DecimalDigitsValue(text) : HexTextToUInt64(text, text.size(), 0));
    RefitMask();
}

void SerialNumberBlock::RefitMask()
{
    std::u16string mask = page_.ItemText(IDC_SN_MASK);
    const std::size_t length = static_cast<std::size_t>(Length());
    if (mask.size() > length)
        mask = mask.substr(mask.size() - length);
    else
        mask.insert(0, length - mask.size(), u'#');
    if (mask != page_.ItemText(IDC_SN_MASK))
        page_.PutBack(IDC_SN_MASK, mask);
    page_.Frame().CisSetting.SNMask = mask;
}

void SerialNumberBlock::OnIntervalChanged()
{
    std::u16string text = page_.ItemText(IDC_SN_INTERVAL);
    if (text.size() > kIntervalDigits) {
        text.resize(kIntervalDigits);
        page_.PutBack(IDC_SN_INTERVAL, text);
    }
    page_.Frame().CisSetting.SNInterval = DecimalTextToInt(text);
}

void SerialNumberBlock::OnLengthOk()
{
    CMainFrame& frame = page_.Frame();
    std::u16string text = page_.ItemText(IDC_SN_LENGTH);
    // A length is 0 to 16 characters; a negative one is taken as 0.
    const int length = static_cast<int>(std::clamp<INT>(DecimalTextToInt(text), 0, kSerialDigits));
    frame.SerialLengthText = platform::FormatWide("%d", length);
    page_.PutBack(IDC_SN_LENGTH, frame.SerialLengthText);
    frame.CisSetting.SerialNumberY = length;
    std::u16string serial = page_.ItemText(IDC_SERIAL_NUMBER);
    if (serial.size() < static_cast<std::size_t>(length))
        serial.insert(0, static_cast<std::size_t>(length) - serial.size(), u'0');
    if (page_.IsChecked(IDC_DECIMAL_SN))
        StoreSerialNumber(DecimalDigitsValue(serial));
    else
        page_.PutBack(IDC_SERIAL_NUMBER, serial);
    OnSerialNumberChanged();
}

void SerialNumberBlock::OnGeneratorChanged()
{
    CISSetting& setting = page_.Frame().CisSetting;
    setting.SNType = page_.List(IDC_SN_GENERATOR).currentIndex();
    Update();
    // "Reset SN" zeroes the number and then leaves "Fix SN" chosen.
    if (setting.SNType == ResetSN) {
        setting.SNType = FixSN;
        page_.List(IDC_SN_GENERATOR).setCurrentIndex(FixSN);
        Update();
    }
}

void SerialNumberBlock::OnDecimalClicked()
{
    CISSetting& setting = page_.Frame().CisSetting;
    if (page_.IsChecked(IDC_DECIMAL_SN)) {
        if (setting.SerialNumberX > AllNines(Length())) {
            page_.SetCheck(IDC_DECIMAL_SN, false);
            return;
        }
        ::SetSerialLabel(page_, IDC_SERIAL_NUMBER_LABEL, true);
        page_.PutBack(IDC_SERIAL_NUMBER, DecimalSerialText(setting.SerialNumberX));
        setting.DecCheck = 1;
    } else {
        ::SetSerialLabel(page_, IDC_SERIAL_NUMBER_LABEL, false);
        page_.PutBack(IDC_SERIAL_NUMBER, HexSerialText(setting.SerialNumberX));
        setting.DecCheck = 0;
    }
    OnSerialNumberChanged();
}
