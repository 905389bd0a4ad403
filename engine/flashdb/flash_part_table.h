// The flash-part database in memory: a header and up to 200 parts, each with its name and
// the 32 bytes that open part 2 of the CIS image (CISImage bytes 256..287) for a device
// with that flash.
#pragma once

#include "platform/base/wintypes.h"

#include <array>
#include <cstddef>

constexpr std::size_t kFlashPartNameSize = 64;
constexpr std::size_t kFlashPartParameterSize = 32;
constexpr std::size_t kFlashPartIdSize = 8;
constexpr std::size_t kFlashPartIdMatched = 5; // the id bytes compared with a device's
constexpr std::size_t kFlashPartCapacity = 200;

#pragma pack(push, 1)
struct FlashPartRecord {
    char name[kFlashPartNameSize];          // ANSI, zero-filled, at most 63 bytes of text
    BYTE parameters[kFlashPartParameterSize]; // little-endian, as the image holds them in memory
};

struct FlashPartTable {
    INT Version;
    INT ItemNum; // the parts filled
    FlashPartRecord records[kFlashPartCapacity];
};
#pragma pack(pop)
static_assert(sizeof(FlashPartRecord) == 96);
static_assert(sizeof(FlashPartTable) == 19208);

// The numeric fields of a part line, in file order: their places in `parameters` and widths.
struct FlashPartField {
    std::size_t offset;
    std::size_t width;
};
inline constexpr std::array<FlashPartField, 26> kFlashPartFields = {{
    // the flash id
    {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1},
    // 8 single bytes (the block-access flags at 11, the scan-size code at 14)
    {8, 1}, {9, 1}, {10, 1}, {11, 1}, {12, 1}, {13, 1}, {14, 1}, {15, 1},
    {16, 2}, {18, 2}, {20, 2}, // the last: pages per block
    {22, 1}, {23, 1},
    {24, 2}, {26, 2}, {28, 2},
    {30, 1}, {31, 1},
}};
