// Where the time of a build goes: the SG_IO requests the station sends (timed around the
// ioctl, which this program interposes: the bench's answer and its round trip), and
// whether a request repeats one sent for the same purpose: a read sent again while
// nothing on the device changed since, or a change sent again right after itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct SgIoTotals {
    std::uint64_t count = 0;
    std::chrono::nanoseconds time{0};
    std::uint64_t repeats = 0;
    std::vector<std::string> firstRepeats; // the CDBs of the first few, in hex
    std::map<std::string, std::uint64_t> kinds; // requests by command ("WRITE(10)", "vendor 95/8B", ...)
};

// Every SG_IO request of the process since the last call.
SgIoTotals TakeSgIoTotals();
// The count and time of the calling thread's requests since its last call (no repeats, no kinds).
SgIoTotals TakeThreadSgIoTotals();
