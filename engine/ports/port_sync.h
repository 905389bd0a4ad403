// The program-wide synchronisation objects of the port workers. They exist from the start
// of the program to its end.
#pragma once

#include "platform/base/wintypes.h"

#include <cstdint>

// The port's auto-reset event (PortEvents): a finished worker waits on it until its view has
// handled the result. nullptr for a port outside 0..31.
HANDLE PortEvent(std::int32_t port);

// The mutex held while a serial number is advanced, so no two devices get the same number.
HANDLE SerialNumberMutex();

// Held while the settings' CIS image is copied for a run or changed for a newly found
// device, so that a run never takes half of one device's data and half of another's.
class CisImageLock {
public:
    CisImageLock();
    ~CisImageLock();
    CisImageLock(const CisImageLock&) = delete;
    CisImageLock& operator=(const CisImageLock&) = delete;
};

// Holds SerialNumberMutex for its lifetime; waits without limit. A caller that finds the
// lock not held must not advance the number.
class SerialNumberLock {
public:
    SerialNumberLock();
    ~SerialNumberLock();
    bool Held() const { return held_; }
    SerialNumberLock(const SerialNumberLock&) = delete;
    SerialNumberLock& operator=(const SerialNumberLock&) = delete;

private:
    bool held_ = false;
};
