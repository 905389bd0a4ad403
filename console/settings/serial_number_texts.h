// What the serial-number blocks of both settings pages share: the generator modes and
// their list entries, and the two ways a serial number is shown.
#pragma once

#include "platform/base/wintypes.h"

#include <string>

class CSettingPage;

// SNType, the index of the generator list.
enum SnType { ResetSN, FixSN, Generator, Random, GeneratorWithDate, RandomWithDate, CustomDefine, ReadFromHD };

constexpr int kSerialDigits = 16;

// The generator list `listId` with the entries from "Reset SN" to `last`, in the page's language.
void FillGeneratorList(CSettingPage& page, UINT listId, SnType last);

// The caption of the serial-number label for decimal or hexadecimal display.
void SetSerialLabel(CSettingPage& page, UINT labelId, bool decimal);

// The decimal digits, zero-padded to 16 characters (never cut).
std::u16string DecimalSerialText(ULONGLONG value);
// "%08X%08X": high 32 bits, then low 32 bits.
std::u16string HexSerialText(ULONGLONG value);
