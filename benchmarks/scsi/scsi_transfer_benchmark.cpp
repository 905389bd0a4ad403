// Sequential 64 KiB WRITE(10)/READ(10) through the whole pass-through stack against the
// simulated drive, beside a plain file read and written with pread/pwrite, and the
// stack's own cost per command net of the bench's: the same transfers sent as bare
// SG_IO requests straight to the disk node are the bench's own work.
// Neighbouring chunks hold different bytes, and the stack and the bare requests read into
// buffers of their own, so that every read brings bytes its buffer does not hold yet: the
// bench's round trip is cheaper for a read whose buffer already holds what arrives, which
// would count the difference as the stack's.
// Run under umockdev-wrapper.
#include "platform/clock/clock.h"
#include "platform/devio/devio.h"
#include "server/scsi/stdcmd_control.h"
#include "sim/core/testbed.h"
#include "sim/disk/bench_disk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr DWORD kChunk = 65536;
constexpr DWORD kCommands = 1024; // 64 MiB each way
constexpr int kRounds = 5;

double Seconds(const std::function<bool()>& run, bool& ok)
{
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    ok = run() && ok;
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) / platform::kPerformanceFrequency;
}

// The median of several rounds, so that one slow round does not decide.
double MedianSeconds(const std::function<bool()>& run, bool& ok)
{
    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round)
        rounds.push_back(Seconds(run, ok));
    std::sort(rounds.begin(), rounds.end());
    return rounds[kRounds / 2];
}

bool BareSgIo(int fd, unsigned char opcode, DWORD lba, DWORD length, unsigned char* data)
{
    unsigned char cdb[10] = {opcode};
    cdb[2] = static_cast<unsigned char>(lba >> 24);
    cdb[3] = static_cast<unsigned char>(lba >> 16);
    cdb[4] = static_cast<unsigned char>(lba >> 8);
    cdb[5] = static_cast<unsigned char>(lba);
    cdb[7] = static_cast<unsigned char>((length / 512) >> 8);
    cdb[8] = static_cast<unsigned char>(length / 512);
    unsigned char sense[24];
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = opcode == 0x00 ? 6 : 10;
    io.cmdp = cdb;
    io.dxfer_direction = length == 0 ? SG_DXFER_NONE : opcode == 0x2A ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
    io.dxfer_len = length;
    io.dxferp = data;
    io.mx_sb_len = sizeof sense;
    io.sbp = sense;
    io.timeout = 30000;
    return ::ioctl(fd, SG_IO, &io) == 0 && io.status == 0 && io.host_status == 0;
}

// The stack's own cost: each stack command is followed by the same command sent bare, so
// both see the same conditions; the difference of the two sums is the stack's. On a busy
// machine a few commands held up by the scheduler move the sums by tens of microseconds
// per command; the median of the per-command differences stays put.
struct NetCost {
    double stackSeconds = 0, bareSeconds = 0;
    std::vector<double> differences;
    double MedianDifference() const
    {
        std::vector<double> sorted = differences;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

NetCost Interleaved(const std::function<bool(DWORD)>& stackCommand, const std::function<bool(DWORD)>& bareCommand,
                    bool& ok)
{
    NetCost cost;
    for (DWORD i = 0; i < kCommands; ++i) {
        LARGE_INTEGER t0, t1, t2;
        QueryPerformanceCounter(&t0);
        ok = stackCommand(i) && ok;
        QueryPerformanceCounter(&t1);
        ok = bareCommand(i) && ok;
        QueryPerformanceCounter(&t2);
        double stack = double(t1.QuadPart - t0.QuadPart) / platform::kPerformanceFrequency;
        double bare = double(t2.QuadPart - t1.QuadPart) / platform::kPerformanceFrequency;
        cost.stackSeconds += stack;
        cost.bareSeconds += bare;
        cost.differences.push_back(stack - bare);
    }
    return cost;
}

double MegabytesPerSecond(double seconds)
{
    return double(kChunk) * kCommands / seconds / 1e6;
}

double MicrosecondsPerCommand(double seconds)
{
    return seconds / kCommands * 1e6;
}

} // namespace

int main()
{
    sim::BenchDisk disk(sim::DiskIdentity{}, {std::uint64_t{kChunk / 512} * kCommands});
    sim::Testbed testbed;
    disk.Publish(testbed);
    disk.model().SetRecording(false);

    HANDLE device = CreateFileA(disk.DevNode(0).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    int bareFd = ::open(disk.DevNode(0).c_str(), O_RDWR | O_CLOEXEC);
    std::string filePath = "/tmp/scsi_transfer_benchmark.bin";
    int file = ::open(filePath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (device == INVALID_HANDLE_VALUE || bareFd < 0 || file < 0) {
        std::fprintf(stderr, "cannot open the bench disk or the file (run under umockdev-wrapper)\n");
        return 1;
    }

    // Chunk i holds pattern i % 2.
    std::vector<unsigned char> patterns[2] = {std::vector<unsigned char>(kChunk), std::vector<unsigned char>(kChunk)};
    for (std::size_t i = 0; i < kChunk; ++i) {
        patterns[0][i] = static_cast<unsigned char>(i * 13 + 5);
        patterns[1][i] = static_cast<unsigned char>(~(i * 29 + 3));
    }
    std::vector<unsigned char> stackIn(kChunk), bareIn(kChunk);
    CSTDCMDControl standard;
    bool ok = true;
    auto stackCommand = [&](bool write) {
        return [&, write](DWORD i) {
            DWORD lba = i * (kChunk / 512);
            return (write ? standard.SendWrite10(device, 0, 0, 0, lba, kChunk, patterns[i % 2].data())
                          : standard.SendRead10(device, 0, 0, 0, lba, kChunk, stackIn.data())) == 1;
        };
    };
    auto bareCommand = [&](unsigned char opcode) {
        return [&, opcode](DWORD i) {
            unsigned char* data = opcode == 0x2A ? patterns[i % 2].data() : bareIn.data();
            return BareSgIo(bareFd, opcode, i * (kChunk / 512), opcode == 0x00 ? 0 : kChunk, data);
        };
    };
    auto all = [&](std::function<bool(DWORD)> command) {
        return [&, command] {
            for (DWORD i = 0; i < kCommands; ++i)
                if (!command(i))
                    return false;
            return true;
        };
    };
    auto plain = [&](bool write) {
        return [&, write] {
            for (DWORD i = 0; i < kCommands; ++i) {
                off_t at = off_t{i} * kChunk;
                ssize_t n = write ? ::pwrite(file, patterns[i % 2].data(), kChunk, at) : ::pread(file, stackIn.data(), kChunk, at);
                if (n != static_cast<ssize_t>(kChunk))
                    return false;
            }
            return true;
        };
    };

    double stackWrite = MedianSeconds(all(stackCommand(true)), ok);
    double stackRead = MedianSeconds(all(stackCommand(false)), ok);
    double fileWrite = MedianSeconds(plain(true), ok);
    double fileRead = MedianSeconds(plain(false), ok);
    double bareNoData = MedianSeconds(all(bareCommand(0x00)), ok);
    NetCost writeCost = Interleaved(stackCommand(true), bareCommand(0x2A), ok);
    NetCost readCost = Interleaved(stackCommand(false), bareCommand(0x28), ok);

    CloseHandle(device);
    ::close(bareFd);
    ::close(file);
    ::unlink(filePath.c_str());
    if (!ok) {
        std::fprintf(stderr, "a transfer failed\n");
        return 1;
    }

    std::printf("Sequential 64 KiB transfers, %u commands (%u MiB) each way, median of %d rounds\n", kCommands,
                kCommands * kChunk / (1024 * 1024), kRounds);
    std::printf("  %-38s %10s %10s\n", "", "write", "read");
    std::printf("  %-38s %7.1f MB/s %7.1f MB/s\n", "stack against the bench", MegabytesPerSecond(stackWrite),
                MegabytesPerSecond(stackRead));
    std::printf("  %-38s %7.1f MB/s %7.1f MB/s\n", "plain file, pwrite / pread", MegabytesPerSecond(fileWrite),
                MegabytesPerSecond(fileRead));
    std::printf("  %-38s %10.3f %10.3f\n", "ratio stack / file", fileWrite / stackWrite, fileRead / stackRead);
    std::printf("Per command, stack and bare SG_IO interleaved\n");
    std::printf("  %-38s %7.1f us %7.1f us\n", "stack against the bench", MicrosecondsPerCommand(writeCost.stackSeconds),
                MicrosecondsPerCommand(readCost.stackSeconds));
    std::printf("  %-38s %7.1f us %7.1f us\n", "bare SG_IO round trip (bench's work)",
                MicrosecondsPerCommand(writeCost.bareSeconds), MicrosecondsPerCommand(readCost.bareSeconds));
    std::printf("  %-38s %7.1f us\n", "bare SG_IO round trip without data", MicrosecondsPerCommand(bareNoData));
    std::printf("  %-38s %7.1f us %7.1f us   (goal: at most 50 us)\n", "stack's own cost",
                MicrosecondsPerCommand(writeCost.stackSeconds - writeCost.bareSeconds),
                MicrosecondsPerCommand(readCost.stackSeconds - readCost.bareSeconds));
    std::printf("  %-38s %7.1f us %7.1f us\n", "stack's own cost, median per command", writeCost.MedianDifference() * 1e6,
                readCost.MedianDifference() * 1e6);
    return 0;
}
