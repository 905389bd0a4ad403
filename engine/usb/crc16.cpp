#include "engine/usb/crc16.h"

#include <array>

namespace {

constexpr WORD ReflectedPolynomial = 0xA001; // 0x8005 bit-reversed

constexpr std::array<WORD, 256> MakeTable()
{
    std::array<WORD, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        WORD crc = static_cast<WORD>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<WORD>((crc >> 1) ^ ReflectedPolynomial) : static_cast<WORD>(crc >> 1);
        table[byte] = crc;
    }
    return table;
}

constexpr auto Table = MakeTable();

} // namespace

WORD Crc16(DWORD length, const BYTE* data)
{
    WORD crc = 0xFFFF;
    for (DWORD i = 0; i < length; ++i)
        crc = static_cast<WORD>((crc >> 8) ^ Table[(crc ^ data[i]) & 0xFF]);
    return static_cast<WORD>(crc ^ 0xFFFF);
}

void CompleteImageCrc(BYTE* image, DWORD length)
{
    const WORD crc = Crc16(length - 2, image);
    image[length - 2] = static_cast<BYTE>(crc & 0xFF);
    image[length - 1] = static_cast<BYTE>(crc >> 8);
}
