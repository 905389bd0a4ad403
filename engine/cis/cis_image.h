// The 1024-byte configuration image of a flash drive. Its first 256 bytes ("part 1") are
// built from the settings, the rest ("part 2") is the device's flash and system-table
// data. In memory every multi-byte field is in the host's byte order; the device holds the
// fields marked "BE" big-endian, and the outgoing copy is converted before it is written.
#pragma once

#include "platform/base/wintypes.h"

#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>

namespace cis {

constexpr std::size_t kImageSize = 1024;
constexpr std::size_t kPart1Size = 256;
constexpr std::size_t kPart2Size = kImageSize - kPart1Size;

// Bytes 0..255, from the settings.
constexpr std::size_t kChecksum = 0;         // 2, BE
constexpr std::size_t kMark = 2;             // 6, ANSI
constexpr std::size_t kMarkSize = 6;
constexpr std::size_t kLedCtl0 = 8;
constexpr std::size_t kLedCtl1 = 9;
constexpr std::size_t kWriteMarker = 10;     // 0x32, set at every CIS write
constexpr std::size_t kUsbMaxLun = 11;
constexpr std::size_t kUsbVendorId = 12;     // 2, host order also on the device
constexpr std::size_t kUsbProductId = 14;    // 2, host order also on the device
constexpr std::size_t kLunStartLba = 16;     // 4 x 4, BE
constexpr std::size_t kLunCapacity = 32;     // 4 x 4, BE
constexpr std::size_t kLunAttribute = 48;    // 4 x 1
constexpr std::size_t kLunType = 52;         // 4 x 1
constexpr std::size_t kSysStartLba = 56;     // 4, BE
constexpr std::size_t kSysCapacity = 60;     // 4, BE
constexpr std::size_t kManufacturer = 64;    // 32, one byte per character
constexpr std::size_t kProduct = 96;         // 32, one byte per character
constexpr std::size_t kUsbStringSize = 32;
constexpr std::size_t kSerialNumber = 128;   // 16
constexpr std::size_t kPassword = 144;       // 16, one byte per character
constexpr std::size_t kSerialNumberSize = 16;
constexpr std::size_t kPasswordSize = 16;
constexpr std::size_t kInquiryVendor = 200;  // 8, ANSI
constexpr std::size_t kInquiryVendorSize = 8;
constexpr std::size_t kInquiryProduct = 208; // 16, ANSI
constexpr std::size_t kInquiryProductSize = 16;
constexpr std::size_t kRevision = 224;       // 4
constexpr std::size_t kSignature = 228;      // 4
constexpr std::size_t kIdentifier = 232;     // 12

// Bytes 256..1023, the device's data (offsets in the whole image).
constexpr std::size_t kFlashId = 256;             // 8
constexpr std::size_t kBlockAccessFlags = 267;    // low 4 bits
constexpr std::size_t kFlashSizeCode = 269;       // high 4 bits: blocks per CE = 512 << code
constexpr std::size_t kScanSizeCode = 270;        // low 2 bits
constexpr std::size_t kPagesPerBlock = 276;       // 2, BE
constexpr std::size_t kSystemBuildValue = 278;
constexpr std::size_t kPhysicalCapacity = 316;    // 4, BE, sectors
constexpr std::size_t kBlockAddresses = 384;      // 4 x 4, BE: CIS 1, CIS 2, ISP 1, ISP 2

constexpr std::size_t kLunCount = 4;

} // namespace cis

// Byte storage only, so the image can sit at any offset of a packed record; the typed
// accessors copy in and out.
struct CISImage {
    BYTE bytes[cis::kImageSize];

    WORD Word(std::size_t offset) const { return Load<WORD>(offset); }
    void SetWord(std::size_t offset, WORD value) { Store(offset, value); }
    DWORD Dword(std::size_t offset) const { return Load<DWORD>(offset); }
    void SetDword(std::size_t offset, DWORD value) { Store(offset, value); }

    std::span<BYTE, cis::kPart1Size> Part1() { return std::span<BYTE, cis::kPart1Size>(bytes, cis::kPart1Size); }
    std::span<BYTE, cis::kPart2Size> Part2()
    {
        return std::span<BYTE, cis::kPart2Size>(bytes + cis::kPart1Size, cis::kPart2Size);
    }

private:
    template <class T>
    T Load(std::size_t offset) const
    {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
    template <class T>
    void Store(std::size_t offset, T value)
    {
        std::memcpy(bytes + offset, &value, sizeof value);
    }
};
static_assert(sizeof(CISImage) == 1024 && alignof(CISImage) == 1);

// The checksum of part 1: the 16-bit sum of its 128 big-endian words, taken with the
// checksum word as 0, negated. Stored big-endian, it makes the words of part 1 sum to 0.
WORD CisChecksum(std::span<const BYTE, cis::kPart1Size> part1);
void StoreCisChecksum(std::span<BYTE, cis::kPart1Size> part1);

// Swaps the big-endian fields of part 1 (the LUN and system fields, bytes 16..63) between
// the host's order and the device's, in place, for the outgoing copy.
void CisPart1ToBigEndian(std::span<BYTE, cis::kPart1Size> part1);

// The same for the 16- and 32-bit fields of part 2 (also used on a CIS read back).
void CisPart2ToBigEndian(std::span<BYTE, cis::kPart2Size> part2);

// One byte per character: the low byte of each UTF-16 unit, zero-filled after the text,
// no terminator when the text fills the field (the device fields are byte-exact).
void StoreLowBytes(BYTE* field, std::size_t fieldSize, std::u16string_view text);
