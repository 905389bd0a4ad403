// The numbers that one stream of serial numbers (one CIS settings file) has given to
// devices, so that none is given twice. Callers hold SerialNumberMutex.
//
// The history follows the stream's current number: when that number is no longer the last
// one given out here (the settings were loaded by another process run, or the operator set
// a new number), the history starts again from it. A number the generators can come back
// to counts as given then: the current number itself and, in the random modes, when the
// current number lies on a cycle of the generator, the whole cycle, since the runs before
// may have gone round it any number of times. A random stream that starts on the tail of
// its path gives each number ahead of it once before it repeats.
#pragma once

#include "platform/base/wintypes.h"

#include <string>
#include <unordered_set>

class IssuedSerialNumbers {
public:
    void Follow(INT mode, ULONGLONG current);
    bool WasIssued(ULONGLONG number) const { return issued_.contains(number); }
    void Record(ULONGLONG number);
    // True once after every new start of the history: the operator hears of a used-up
    // stream once, not from every port.
    bool TellOperatorOnce();

private:
    bool started_ = false;
    bool told_ = false;
    ULONGLONG last_ = 0;
    std::unordered_set<ULONGLONG> issued_;
};

IssuedSerialNumbers& IssuedSerialNumbersOf(const std::u16string& settingsFile);
