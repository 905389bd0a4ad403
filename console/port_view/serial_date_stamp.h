// The date stamp of the serial-number mask for the generators with date (SNType 4 and 5).
#pragma once

#include <string>
#include <string_view>

// The mask for a date and the serial-number length text: "%02d%02d%02d" of (year - 2000,
// month, day), then one "#" for each character of the length beyond the six digits (none
// below 7; a length above 16 counts as 16). The length is the decimal number at the start of `lengthText` (0 when none).
std::u16string SerialDateMask(int year, int month, int day, std::u16string_view lengthText);
