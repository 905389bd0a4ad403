#include "engine/serial/serial_advance.h"

#include "engine/serial/serial_random.h"

namespace serial {

bool ModeAdvances(INT mode)
{
    return mode >= kGenerator && mode <= kCustomDefine;
}

bool ModeIsRandom(INT mode)
{
    return mode == kRandom || mode == kRandomWithDate;
}

} // namespace serial

std::optional<ULONGLONG> AdvanceSerialNumber(INT mode, bool decimal, ULONGLONG number, INT step)
{
    using namespace serial;
    if (!ModeAdvances(mode))
        return number;
    if (ModeIsRandom(mode))
        return NextRandomSerialNumber(number);
    const ULONGLONG magnitude = step < 0 ? 0 - static_cast<ULONGLONG>(static_cast<LONGLONG>(step)) : 0;
    // Counting down through 0 would wrap above the limit and turn into 0 at every step.
    if (decimal && number < magnitude)
        return std::nullopt;
    ULONGLONG next = number + static_cast<ULONGLONG>(static_cast<LONGLONG>(step));
    if (decimal && next > (mode == kGeneratorWithDate ? kDecimalWithDateLimit : kDecimalLimit))
        next = 0;
    return next;
}
