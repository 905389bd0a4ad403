#include "console/settings/field_edits.h"

#include "console/settings/setting_page.h"
#include "engine/ini/hex_text.h"
#include "platform/text/text.h"
#include "resources/usd_setting_ids.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

namespace {

constexpr std::size_t kFlashDriveUsbStringLimit = 30;

const HexFieldEdit kHexFields[] = {
    {res::IDC_USB_VID, 6, &CISSetting::USB_VID, cis::kUsbVendorId, 2},
    {res::IDC_USB_PID, 6, &CISSetting::USB_PID, cis::kUsbProductId, 2},
    {res::IDC_SYS_START_LBA, 10, nullptr, cis::kSysStartLba, 4},
    {res::IDC_SYS_CAPACITY, 10, nullptr, cis::kSysCapacity, 4},
    {res::IDC_LED_CTL0, 4, nullptr, cis::kLedCtl0, 1},
    {res::IDC_LED_CTL1, 4, nullptr, cis::kLedCtl1, 1},
};

const StringFieldEdit kStringFields[] = {
    {res::IDC_INQUIRY_VID, cis::kInquiryVendorSize, &CISSetting::Inquiry_VID, cis::kInquiryVendor, cis::kInquiryVendorSize, true},
    {res::IDC_INQUIRY_PID, cis::kInquiryProductSize, &CISSetting::Inquiry_PID, cis::kInquiryProduct, cis::kInquiryProductSize, true},
    {res::IDC_PRODUCT_STRING, cis::kUsbStringSize, &CISSetting::ProductStr, cis::kProduct, cis::kUsbStringSize, false},
    {res::IDC_MANUFACTURE_STRING, cis::kUsbStringSize, &CISSetting::ManufactureStr, cis::kManufacturer, cis::kUsbStringSize, false},
    {res::IDC_PASSWORD, cis::kPasswordSize, &CISSetting::PassWordStr, cis::kPassword, cis::kPasswordSize, false},
};

void StoreLittleField(CISImage& image, std::size_t offset, std::size_t bytes, ULONGLONG value)
{
    switch (bytes) {
    case 1:
        image.bytes[offset] = static_cast<BYTE>(value);
        break;
    case 2:
        image.SetWord(offset, static_cast<WORD>(value));
        break;
    default:
        image.SetDword(offset, static_cast<DWORD>(value));
        break;
    }
}

std::u16string PrefixedHexText(std::u16string_view typed)
{
    std::u16string text(typed);
    if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text[1] = u'x';
    else if (!text.empty() && (text[0] == u'x' || text[0] == u'X'))
        text = u"0x" + text.substr(1);
    else
        text = u"0x" + text;
    return text;
}

} // namespace

std::u16string HexFieldText(std::u16string_view typed, std::size_t limit)
{
    std::u16string text = PrefixedHexText(typed);
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

void ApplyHexFieldEdit(CSettingPage& page, CISSetting& setting, const HexFieldEdit& field)
{
    const std::u16string text = HexFieldText(page.ItemText(field.id), field.limit);
    // Only a cut text goes back: the prefix alone leaves the operator's text as typed.
    if (PrefixedHexText(page.ItemText(field.id)).size() > field.limit)
        page.PutBack(field.id, text);
    if (field.text != nullptr)
        setting.*field.text = text;
    StoreLittleField(setting.CISImage, field.cisOffset, field.cisBytes, HexTextToUInt64(text, text.size(), 2));
}

void ApplyStringFieldEdit(CSettingPage& page, CISSetting& setting, const StringFieldEdit& field)
{
    std::u16string text = page.ItemText(field.id);
    if (text.size() > field.limit) {
        std::size_t keep = field.limit;
        if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF)
            --keep; // never half of a surrogate pair
        text.resize(keep);
        page.PutBack(field.id, text);
    }
    setting.*field.text = text;
    BYTE* bytes = setting.CISImage.bytes + field.cisOffset;
    if (field.ansi)
        platform::CopyWideToField(reinterpret_cast<char*>(bytes), field.cisBytes, text, platform::FieldEnd::ZeroFilled);
    else
        StoreLowBytes(bytes, field.cisBytes, text);
}

std::span<const HexFieldEdit> SettingPageHexFields()
{
    return kHexFields;
}

std::span<const StringFieldEdit> ChipPageStringFields()
{
    return kStringFields;
}

std::span<const StringFieldEdit> FlashDrivePageStringFields()
{
    static const auto fields = [] {
        std::array<StringFieldEdit, std::size(kStringFields)> fields{};
        std::copy(std::begin(kStringFields), std::end(kStringFields), fields.begin());
        for (StringFieldEdit& field : fields)
            if (field.id == res::IDC_PRODUCT_STRING || field.id == res::IDC_MANUFACTURE_STRING)
                field.limit = kFlashDriveUsbStringLimit;
        return fields;
    }();
    return fields;
}

std::u16string FileNameOf(std::u16string_view path)
{
    const std::size_t slash = path.find_last_of(u"/\\");
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}
