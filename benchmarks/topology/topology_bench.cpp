// The full walk of 32 ports and a single-port poll on the bench, timed. The bench's own
// cost of a SCSI command (the round trip through umockdev) is timed in the same run and
// taken off, so the figures are the station's own time. Run under umockdev-wrapper.
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "server/topology/usb_topology.h"
#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kHubs = 8;
constexpr unsigned kPortsPerHub = 4;
constexpr unsigned kDrives = 25; // the bench names disks "sdb" .. "sdz"
constexpr int kRuns = 20;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class Run>
double MedianMs(Run run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        auto start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return Median(times);
}

std::size_t CommandCount(std::vector<std::unique_ptr<sim::BenchFlashDrive>>& drives)
{
    std::size_t count = 0;
    for (auto& drive : drives) {
        count += drive->model().Commands().size();
        drive->model().ClearCommands();
    }
    return count;
}

} // namespace

int main()
{
    platform::SetDebugSink([](std::string_view) {});
    std::vector<std::unique_ptr<sim::BenchFlashDrive>> drives;
    for (unsigned d = 0; d < kDrives; ++d) {
        sim::DrivePlacement place{1, {d / kPortsPerHub + 1, d % kPortsPerHub + 1}, 20 + d, 6 + d, static_cast<char>('b' + d)};
        drives.push_back(std::make_unique<sim::BenchFlashDrive>(sim::FlashDriveSpec(place), sim::DiskIdentity{},
                                                                std::vector<std::uint64_t>{65536}, place));
    }
    sim::Testbed testbed;
    sim::BenchHub(sim::RootHubSpec(1, kHubs)).Add(testbed);
    for (unsigned h = 0; h < kHubs; ++h)
        sim::BenchHub(sim::HubSpec(1, {h + 1}, 2 + h, kPortsPerHub)).Add(testbed);
    for (auto& drive : drives)
        drive->Add(testbed);

    CSTDCMDControl standard;
    CVCommCMDControl vendor;
    TopologySwitches switches;
    UsbTopology topology(standard, vendor, switches);
    auto records = std::make_unique<PortRecord[]>(kPortCount);

    // The bench's cost of one command: INQUIRY on an open disk, in a loop.
    HANDLE disk = CreateFileA(drives[0]->DiskNode().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    BYTE inquiry[128];
    const double roundTripMs = MedianMs([&] {
        for (int i = 0; i < 100; ++i)
            standard.SendInquiry(disk, 0, 0, inquiry);
    }) / 100;
    CloseHandle(disk);
    CommandCount(drives);

    int found = 0;
    const double walkMs = MedianMs([&] {
        topology.EnumerateScanUSBPort(records.get());
        found = 0;
        while (found < kPortCount && records[found].hubTier != 0)
            ++found;
    });
    const double walkCommands = static_cast<double>(CommandCount(drives)) / kRuns;

    // A port whose drive has a letter is rechecked in place; the last drive finds no letter
    // left (C..Z are 24) and its poll rescans every disk.
    struct Poll {
        const char* what;
        PortRecord port;
        double ms = 0;
        double commands = 0;
    };
    Poll polls[] = {{"single-port poll, drive with a letter", records[0]},
                    {"single-port poll, drive without a letter (disks rescanned)", records[kDrives - 1]}};
    for (Poll& poll : polls) {
        poll.ms = MedianMs([&] { topology.PollingSingleUSBPort(&poll.port); });
        poll.commands = static_cast<double>(CommandCount(drives)) / kRuns;
    }

    std::printf("bench: %u hubs x %u ports = %u ports, %u drives, %d recorded\n", kHubs, kPortsPerHub, kHubs * kPortsPerHub,
                kDrives, found);
    std::printf("bench round trip of one SCSI command: %.3f ms\n", roundTripMs);
    std::printf("full walk: %.2f ms, %.0f commands; station's own time %.2f ms (goal < 50 ms)\n", walkMs, walkCommands,
                walkMs - walkCommands * roundTripMs);
    for (const Poll& poll : polls)
        std::printf("%s: %.3f ms, %.0f commands; station's own time %.3f ms (goal < 5 ms)\n", poll.what, poll.ms,
                    poll.commands, poll.ms - poll.commands * roundTripMs);
    return found == static_cast<int>(kDrives) ? 0 : 1;
}
