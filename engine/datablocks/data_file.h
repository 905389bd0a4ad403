// The firmware and boot-code files that the block steps write to a device.
#pragma once

#include "platform/base/wintypes.h"

#include <string_view>
#include <vector>

struct DataFile {
    enum Status { Read, CannotOpen, ShortRead, TooLarge };
    Status status;
    std::vector<BYTE> bytes;
};

constexpr ULONGLONG kWholeFile = ~0ULL;

// The file's first `wanted` bytes (or all of it); ShortRead when it has fewer, TooLarge
// (nothing read) when it holds more than `largest`. Every failure has its debug line.
DataFile ReadDataFile(std::u16string_view path, ULONGLONG wanted, ULONGLONG largest);
