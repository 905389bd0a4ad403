#include "engine/serial/serial_field.h"

#include "engine/ini/hex_text.h"
#include "engine/serial/serial_advance.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/text/text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr ULONGLONG kSixteenDigits = 10'000'000'000'000'000ULL;
constexpr char16_t kMaskDigit = u'#';

// The text's last `length` characters at its start, the rest NUL.
std::u16string KeepLast(std::u16string text, std::size_t length)
{
    std::u16string kept = text.substr(text.size() - length);
    kept.resize(text.size(), u'\0');
    return kept;
}

BYTE LowByte(char16_t c)
{
    return static_cast<BYTE>(c & 0xFF);
}

} // namespace

std::u16string SerialNumberText(ULONGLONG number, bool decimal)
{
    if (decimal)
        return platform::FormatWide("%016llu", static_cast<unsigned long long>(number % kSixteenDigits));
    return platform::FormatWide("%08X%08X", static_cast<unsigned>(number >> 32), static_cast<unsigned>(number));
}

int FormatSerialNumberField(const PortThreadParam& param, const CISImage& source, CISImage& outgoing)
{
    const MainFrameSettings& frame = *param.mainFrame;
    const CISSetting& settings = frame.CisSetting;
    const INT mode = settings.SNType;
    const INT wantedLength = settings.SerialNumberY; // a copy: the packed field takes no reference
    const std::size_t length = static_cast<std::size_t>(std::clamp<INT>(wantedLength, 0, kSerialTextLength));
    const std::u16string text = KeepLast(SerialNumberText(param.serialNumber, settings.DecCheck != 0), length);
    BYTE* field = outgoing.bytes + cis::kSerialNumber;
    int result = 1;

    if ((frame.FabrunMode & kFabrunModeTypedSerial) != 0 || mode == serial::kFixSn || mode == serial::kGenerator ||
        mode == serial::kRandom) {
        std::transform(text.begin(), text.end(), field, LowByte);
    } else if (mode == serial::kGeneratorWithDate || mode == serial::kRandomWithDate || mode == serial::kCustomDefine) {
        std::u16string mask = settings.SNMask.str();
        if (mask.size() < kSerialTextLength)
            mask.resize(kSerialTextLength, kMaskDigit);
        for (std::size_t j = 0; j < kSerialTextLength; ++j)
            field[j] = mask[j] == kMaskDigit ? LowByte(text[j]) : LowByte(mask[j]);
    } else if (mode == serial::kReadFromHd) {
        std::memcpy(field, param.hdSerial, kSerialTextLength);
    } else {
        result = 11;
    }
    if (result == 1)
        std::fill(field + length, field + kSerialTextLength, BYTE{0});

    std::memcpy(outgoing.bytes + cis::kLunStartLba, source.bytes + cis::kLunStartLba, cis::kSysCapacity + 4 - cis::kLunStartLba);
    CisPart1ToBigEndian(outgoing.Part1());
    return result;
}

ULONGLONG TypedSerialNumber(std::u16string_view text, bool decimal)
{
    if (!decimal)
        return HexTextToUInt64(text, text.size(), 0);
    ULONGLONG number = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            break;
        number = number * 10 + static_cast<ULONGLONG>(c - u'0');
    }
    return number;
}
