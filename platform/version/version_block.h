// The version resource as GetFileVersionInfoW lays it out in the caller's buffer: a
// header with the translation (language, code page), then the version strings as
// UTF-16 key and value pairs, so that VerQueryValueW can point into the block.
#pragma once

#include "platform/base/wintypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Decodes the resource text of the section ("key=value" lines; "Translation" holds two
// hexadecimal words). Empty when the text has no valid translation line.
std::vector<BYTE> BuildVersionBlock(std::string_view resourceText);

// "\VarFileInfo\Translation" or "\StringFileInfo\<lang><codepage>\<name>" (letter case
// ignored). The value points into the block; its length counts characters for strings
// (with the NUL) and bytes for the translation.
bool QueryVersionBlock(const void* block, std::u16string_view subBlock, const void*& value, UINT& length);

} // namespace platform
