#include "engine/spi/firmware_image.h"

#include "engine/usb/crc16.h"
#include "engine/usb/vendor_requests.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct SizeRule {
    ChipModel model;
    DWORD size;
    DWORD otherSize; // 0: only one size
    const char* error;
};

constexpr SizeRule SizeRules[] = {
    {ChipModel::RZ520, 0x8000, 0, "  RZ520 With FW-Size-Error"},
    {ChipModel::RZ521, 0xC000, 0, "  RZ521 But With FW-Size-Error"},
    {ChipModel::RZ522, 0x8000, 0x10000, "  RZ522 But With FW-Size-Error"},
    {ChipModel::RZ523, 0x8000, 0x10000, "  RZ523 But With FW-Size-Error"},
    {ChipModel::RZ524, 0xC000, 0, "  RZ524 But With FW-Size-Error"},
    {ChipModel::RZ525, 0xC000, 0, "  RZ525 But With FW-Size-Error"},
    {ChipModel::RZ526, 0x8000, 0, "  RZ526 But With FW-Size-Error"},
};

constexpr DWORD NoModelLength = 0x8000;

} // namespace

BYTE FirmwareTarget(ChipModel model)
{
    return model == ChipModel::RZ520 || model == ChipModel::RZ521 ? SpiTargetPD1 : SpiTargetPD2;
}

DWORD FirmwareReadLength(ChipModel model)
{
    switch (model) {
    case ChipModel::RZ520:
        return 0x8000;
    case ChipModel::RZ521:
        return 0xC000;
    default:
        return 0x10000;
    }
}

DWORD ImageLengthFor(ChipModel model, DWORD fileSize)
{
    for (const auto& rule : SizeRules) {
        if (rule.model != model)
            continue;
        if (fileSize == rule.size || (rule.otherSize != 0 && fileSize == rule.otherSize))
            return fileSize;
        platform::DebugPrintf("%s", rule.error);
        return 0;
    }
    return NoModelLength;
}

bool HasDoubleBanks(ChipModel model)
{
    return model == ChipModel::RZ522 || model == ChipModel::RZ523;
}

void CompleteImage(std::span<BYTE> image, DWORD length, bool cleanSpi)
{
    CompleteImageCrc(image.data(), length);
    if (cleanSpi)
        std::fill(image.begin(), image.end(), 0x55);
    platform::DebugPrintf("    TotalByte 0x%06X, TxBuf[0]:%02X,%02X,%02X,%02X", length, image[0], image[1], image[2], image[3]);
    platform::DebugPrintf("    CRC-16,      TxBuf[0x%06X]:%02X,%02X,%02X,%02X", length - 4, image[length - 4], image[length - 3],
                          image[length - 2], image[length - 1]);
}

DWORD DoubleBanks(std::span<BYTE> image, DWORD length, bool bank1Error)
{
    std::memcpy(image.data() + length, image.data(), length);
    length *= 2;
    if (bank1Error) {
        for (DWORD i = 0; i < length / 2; ++i)
            image[i] = static_cast<BYTE>(std::rand() & 0xFF);
        platform::DebugPrintf("Random Data from Buf[0] to Buf[%06X]", length / 2);
    }
    return length;
}
