#include "engine/serial/issued_serial_numbers.h"

#include "engine/serial/serial_advance.h"
#include "engine/serial/serial_random.h"

#include <map>

void IssuedSerialNumbers::Follow(INT mode, ULONGLONG current)
{
    if (started_ && current == last_)
        return;
    started_ = true;
    told_ = false;
    last_ = current;
    issued_.clear();
    issued_.insert(current);
    if (serial::ModeIsRandom(mode))
        for (ULONGLONG number : RandomSerialCycleThrough(current))
            issued_.insert(number);
}

void IssuedSerialNumbers::Record(ULONGLONG number)
{
    issued_.insert(number);
    last_ = number;
}

bool IssuedSerialNumbers::TellOperatorOnce()
{
    if (told_)
        return false;
    told_ = true;
    return true;
}

IssuedSerialNumbers& IssuedSerialNumbersOf(const std::u16string& settingsFile)
{
    static std::map<std::u16string, IssuedSerialNumbers> streams;
    return streams[settingsFile];
}
