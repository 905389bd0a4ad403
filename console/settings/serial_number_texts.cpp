#include "console/settings/serial_number_texts.h"

#include "console/settings/setting_page.h"
#include "platform/text/text.h"

#include <QComboBox>

#include <iterator>

namespace {

struct GeneratorEntry {
    const char16_t* key;
    const char16_t* english;
};

constexpr GeneratorEntry kGenerators[] = {
    {u"ResetSN", u"Reset SN"},
    {u"FixSN", u"Fix SN"},
    {u"EnableSNGenerator", u"Enable SN Generator"},
    {u"EnableRandomSNGenerator", u"Enable Random SN Generator"},
    {u"EnableSNGeneratorwithDate", u"Enable SN Generator with Date"},
    {u"EnableRandomSNGeneratorwithDate", u"Enable Random SN Generator with Date"},
    {u"EnableCustomDefineSNGenerator", u"Enable Custom Define SN Generator"},
    {u"ReadSerialNumberFromHD", u"Read serial number form HD"},
};

} // namespace

void FillGeneratorList(CSettingPage& page, UINT listId, SnType last)
{
    static_assert(std::size(kGenerators) == ReadFromHD + 1);
    QComboBox& list = page.List(listId);
    list.clear();
    for (std::size_t n = 0; n <= static_cast<std::size_t>(last); ++n)
        list.addItem(QString::fromStdU16String(page.Caption(kGenerators[n].key, kGenerators[n].english)));
}

void SetSerialLabel(CSettingPage& page, UINT labelId, bool decimal)
{
    if (decimal)
        page.SetCaption(labelId, u"SerialNumberDec", u"Serial Number(Dec):");
    else
        page.SetCaption(labelId, u"SerialNumberHex", u"Serial Number(Hex):");
}

std::u16string DecimalSerialText(ULONGLONG value)
{
    std::u16string digits = platform::FormatWide("%llu", static_cast<unsigned long long>(value));
    if (digits.size() < kSerialDigits)
        digits.insert(0, kSerialDigits - digits.size(), u'0');
    return digits;
}

std::u16string HexSerialText(ULONGLONG value)
{
    return platform::FormatWide("%08X%08X", static_cast<unsigned>(value >> 32), static_cast<unsigned>(value & 0xFFFFFFFF));
}
