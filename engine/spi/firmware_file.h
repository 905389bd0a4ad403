// Firmware image files: read whole (up to a limit) and written.
#pragma once

#include "platform/base/wintypes.h"

#include <span>
#include <string_view>

// Reads the file's first min(file size, buffer size) bytes into `buffer` and stores that
// count in `size`. Fails (0, with a debug line) when the file cannot be opened
// ("  BinFile Open Error") or yields fewer bytes than that: a partly read image must
// never be completed with a valid CRC and programmed.
int ReadFirmwareFile(std::u16string_view path, std::span<BYTE> buffer, DWORD& size);

// Creates or replaces the file with `data`; 0 when it cannot be created or fully written.
int WriteFirmwareFile(std::u16string_view path, std::span<const BYTE> data);
