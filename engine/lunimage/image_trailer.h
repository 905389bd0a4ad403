// The 17 bytes a built LUN image may carry at its end: what the image was built as (its
// file-system type byte, the LUN's start and size), so that the image can be checked
// against the LUN before it is written to a device. Multi-byte values are little-endian.
#pragma once

#include "platform/base/wintypes.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

constexpr std::size_t kImageTrailerSize = 17;

struct ImageTrailer {
    BYTE fsType;        // the build request's type byte: bits 0-3 type, bit 6 copy source, bit 7 MBR
    DWORD startLba;     // the LUN's start sector
    DWORD totalSectors; // the LUN's size in sectors
};

std::array<BYTE, kImageTrailerSize> EncodeImageTrailer(const ImageTrailer& trailer);

// The trailer that `tail` (an image's last 17 bytes) holds; nothing when it has another
// size or does not start with the trailer's magic.
std::optional<ImageTrailer> DecodeImageTrailer(std::span<const BYTE> tail);

// The trailer at the end of the file; nothing when the file cannot be read, is shorter
// than a trailer or ends without one.
std::optional<ImageTrailer> ReadImageTrailer(std::u16string_view path);

// Writes the trailer after the file's last byte. False, with a debug line, when the file
// cannot be opened or the 17 bytes are not all written.
bool AppendImageTrailer(std::u16string_view path, const ImageTrailer& trailer);
