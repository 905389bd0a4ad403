// The table of every standard and vendor sender with what it must send: CDB bytes and
// length, direction, data length, time-out, status preset, pre-wait and debug lines.
// The capture test checks the request that reaches DeviceIoControl against it; the bench
// test checks what the simulated controller receives through SG_IO.
#pragma once

#include "platform/base/wintypes.h"

#include <functional>
#include <string>
#include <vector>

namespace scsitest {

constexpr UCHAR kOut = 0, kIn = 1, kNone = 2;

struct SenderCase {
    std::string name;
    // Calls the sender on `device`; `out` holds 64 KiB of data to send, `in` receives.
    std::function<int(HANDLE device, const BYTE* out, BYTE* in)> send;
    std::string cdb; // hex bytes; the rest of the CDB up to cdbLength is zero
    UCHAR cdbLength;
    UCHAR direction;
    DWORD dataLength;
    DWORD timeoutSeconds;
    bool statusPreset;
    DWORD preWaitMs;
    std::vector<std::string> lines; // debug lines written on success
    UCHAR pathId = 0, targetId = 0, lun = 0;
    bool carriesCallerData = false; // the caller's data goes into the request
};

const std::vector<SenderCase>& SenderCases();

// A sender call that must be refused (result 0) and never sent.
struct RefusedCase {
    std::string name;
    std::function<int(HANDLE device, const BYTE* out, BYTE* in)> send;
};

const std::vector<RefusedCase>& RefusedCases();

std::vector<BYTE> CdbBytes(const SenderCase& c);

// 64 KiB of varied bytes for outgoing data.
const std::vector<BYTE>& OutgoingPattern();

} // namespace scsitest
