// How each serial-number mode advances the current number for the next device.
#pragma once

#include "platform/base/wintypes.h"

#include <optional>

namespace serial {

enum Mode : INT {
    kResetSn = 0,
    kFixSn = 1,
    kGenerator = 2,
    kRandom = 3,
    kGeneratorWithDate = 4,
    kRandomWithDate = 5,
    kCustomDefine = 6,
    kReadFromHd = 7,
};

// The largest decimal numbers of the generators: 16 digits, and 10 beside the 6 of the date.
constexpr ULONGLONG kDecimalLimit = 9'999'999'999'999'999ULL;
constexpr ULONGLONG kDecimalWithDateLimit = 9'999'999'999ULL;

// True for the modes that give every device a new number.
bool ModeAdvances(INT mode);
bool ModeIsRandom(INT mode);

} // namespace serial

// The number after `number` in `mode` (unchanged in the modes that do not advance). The
// generators add the step, sign-extended; in decimal a number above the mode's limit
// becomes 0. Empty when a decimal generator would count below 0: its range is used up.
std::optional<ULONGLONG> AdvanceSerialNumber(INT mode, bool decimal, ULONGLONG number, INT step);
