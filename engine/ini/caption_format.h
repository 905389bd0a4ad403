// Translated captions that are printf formats. A translation comes from the station INI,
// which anyone may edit, so it reaches printf only when it asks for exactly the one
// integer the caller passes.
#pragma once

#include <string>
#include <string_view>

// True when `format` holds exactly one conversion of an int (d, i, u, x, X, o; flags
// "-+ 0", width and precision of at most two digits each, no length modifier, no '*'),
// and otherwise only text and "%%".
bool IsSingleIntegerFormat(std::u16string_view format);

// `translated` when it is such a format, else `english` (which must be one), with a debug line.
std::u16string CheckedIntegerFormat(std::u16string translated, std::u16string_view english);

// `format` (a checked one) with `value`.
std::u16string FormatInteger(std::u16string_view format, int value);
