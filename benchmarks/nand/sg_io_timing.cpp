#include "sg_io_timing.h"

#include <dlfcn.h>
#include <scsi/sg.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;
using Ioctl = int (*)(int, unsigned long, ...);

std::mutex lock;
SgIoTotals totals;
// Reads by their CDB, with the device generation they were sent at; the generation moves
// with every command that changes the device.
std::map<std::string, std::uint64_t> reads;
std::uint64_t generation = 0;
std::string lastChange;
thread_local SgIoTotals threadTotals;

Ioctl RealIoctl()
{
    static Ioctl real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    if (real == nullptr) {
        std::fprintf(stderr, "ioctl not found: %s\n", dlerror());
        std::abort();
    }
    return real;
}

// Commands that only read what the device holds; TEST UNIT READY polls wait, they are left out.
bool OnlyReads(const unsigned char* cdb)
{
    if (cdb[0] != 0xEE)
        return cdb[0] == 0x12 || cdb[0] == 0x25;
    const unsigned group = cdb[1], sub = cdb[6];
    return (group == 0x01 && sub == 0x04) || (group == 0x51 && sub == 0x00) || (group == 0x95 && sub == 0x88) ||
           (group == 0x95 && sub == 0x89) || (group == 0x95 && sub == 0x8D) || (group == 0x90 && sub == 0x82) ||
           (group == 0xF8 && sub == 0x80) || (group == 0x02 && sub == 0x88) || (group == 0x50 && sub == 0x70);
}

std::string Hex(const unsigned char* bytes, std::size_t size)
{
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

std::string KindOf(const unsigned char* cdb)
{
    char text[32];
    switch (cdb[0]) {
    case 0x00: return "TEST UNIT READY";
    case 0x12: return "INQUIRY";
    case 0x1B: return "START STOP UNIT";
    case 0x25: return "READ CAPACITY";
    case 0x28: return "READ(10)";
    case 0x2A: return "WRITE(10)";
    case 0xEE: std::snprintf(text, sizeof text, "vendor %02X/%02X", cdb[1], cdb[6]); return text;
    default: std::snprintf(text, sizeof text, "opcode %02X", cdb[0]); return text;
    }
}

void Account(const sg_io_hdr_t& io, std::chrono::nanoseconds spent)
{
    ++threadTotals.count;
    threadTotals.time += spent;
    std::lock_guard guard(lock);
    ++totals.count;
    totals.time += spent;
    ++totals.kinds[KindOf(io.cmdp)];
    if (io.cmdp[0] == 0x00)
        return;
    const std::string cdb = Hex(io.cmdp, io.cmd_len);
    bool repeat = false;
    if (OnlyReads(io.cmdp)) {
        auto seen = reads.find(cdb);
        repeat = seen != reads.end() && seen->second == generation;
        reads[cdb] = generation;
    } else {
        std::string change = cdb;
        if (io.dxfer_direction == SG_DXFER_TO_DEV && io.dxfer_len != 0)
            change += ":" + Hex(static_cast<const unsigned char*>(io.dxferp), std::min<unsigned>(io.dxfer_len, 64));
        repeat = change == lastChange;
        lastChange = change;
        ++generation;
    }
    if (repeat) {
        ++totals.repeats;
        if (totals.firstRepeats.size() < 5)
            totals.firstRepeats.push_back(cdb);
    }
}

} // namespace

// The station's libraries call this definition (the program exports it); SG_IO requests
// are timed around the real one.
extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    const Ioctl real = RealIoctl();
    if (request != SG_IO)
        return real(fd, request, argument);
    const auto start = Clock::now();
    const int result = real(fd, request, argument);
    Account(*static_cast<const sg_io_hdr_t*>(argument), Clock::now() - start);
    return result;
}

SgIoTotals TakeThreadSgIoTotals()
{
    SgIoTotals taken = threadTotals;
    threadTotals = SgIoTotals{};
    return taken;
}

SgIoTotals TakeSgIoTotals()
{
    std::lock_guard guard(lock);
    SgIoTotals taken = totals;
    totals = SgIoTotals{};
    reads.clear();
    generation = 0;
    lastChange.clear();
    return taken;
}
