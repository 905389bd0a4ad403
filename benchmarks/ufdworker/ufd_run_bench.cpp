// Times flash-drive runs on the bench: one port's whole sequence (system table on a NAND
// model, CIS, ISP firmware, boot code, an 8 MiB LUN image written, a 1 MiB stress test),
// then many ports at once (24, or the count given), each on a drive of its own through the
// one server object. It
// prints the commands sent by kind and the station's own time: a run's wall time less the
// bench's answers to its SG_IO requests; the waits the station must make (CPU-reset polls,
// register pauses) run on a virtual clock and are shown apart.
// Run it under umockdev-wrapper: umockdev-wrapper bin/ufd_run_bench [ports].
#include "engine/ports/device_handle_table.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/port_result_view.h"
#include "engine/ports/portwarden_objects.h"
#include "engine/ufdworker/ufd_run_thread.h"
#include "platform/clock/clock.h"
#include "platform/com/unknown.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "portwarden/block_map.h"
#include "sg_io_timing.h"
#include "sim/core/testbed.h"
#include "sim/nand/bench_nand_drive.h"
#include "tests/serial/serial_station.h"
#include "tests/ufdworker/bench_run_settings.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace ufdbench;

// umockdev (0.17) keeps at most 50 descriptors of its device nodes open at once; each port
// holds its drive's handle and, while it writes, its volume's and its lookups', so 32 ports
// overflow it (the bench then aborts). 24 stay within it; another count can be given.
unsigned kManyPorts = 24;
constexpr std::size_t kImageBytes = 8u << 20;

double Ms(std::chrono::nanoseconds time)
{
    return std::chrono::duration<double, std::milli>(time).count();
}

// The server's objects, made through its class factory as CoCreateInstance would.
bool CreateServer()
{
    void* library = dlopen(PORTWARDEN_PATH, RTLD_NOW);
    auto getClassObject = library != nullptr ? reinterpret_cast<DllGetClassObjectFunction>(dlsym(library, "DllGetClassObject"))
                                             : nullptr;
    IClassFactory* factory = nullptr;
    if (getClassObject == nullptr ||
        getClassObject(CLSID_PortwardenComponent, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK)
        return false;
    const bool made = factory->CreateInstance(nullptr, IID_IPortwardenCtrl, reinterpret_cast<void**>(&PortwardenCtrl)) == S_OK &&
                      factory->CreateInstance(nullptr, IID_IPortwardenCtrl2, reinterpret_cast<void**>(&PortwardenCtrl2)) == S_OK;
    factory->Release();
    return made;
}

// A view that takes the result and releases the worker at once.
class ReleasingView final : public MessageWindow {
public:
    ~ReleasingView() override { StopReceiving(); }
    void Post(PostedMessage message) override
    {
        if (message.message != WM_PORT_RESULT)
            return;
        result.store(message.Record<PortResult>().result);
        ReleasePortWorker(message.Record<PortResult>().port);
    }
    std::atomic<int> result{-1};
};

struct PortTiming {
    std::chrono::nanoseconds wall{0};
    std::chrono::nanoseconds bench{0}; // the bench's answers to this port's requests
    std::chrono::nanoseconds cpu{0};   // what the port's thread ran on a processor
    std::chrono::nanoseconds own() const { return wall - bench; }
};

struct Runs {
    std::vector<PortTiming> ports;
    std::vector<int> results;
    std::chrono::nanoseconds wall{0};
    SgIoTotals requests;
    double waitsMs = 0;
};

// `count` drives on ports 0.., each run by a worker of its own, all at once.
Runs RunPorts(unsigned count, const std::vector<BYTE>& image)
{
    std::vector<std::unique_ptr<sim::nand::BenchNandDrive>> drives;
    for (unsigned n = 0; n < count; ++n) {
        sim::nand::NandConfig config;
        config.geometry.blocks = kBlocks;
        config.seed = 31 + n;
        drives.push_back(std::make_unique<sim::nand::BenchNandDrive>(config, sim::nand::NthDrivePlacement(n)));
    }
    sim::Testbed testbed;
    for (auto& drive : drives)
        drive->Publish(testbed);
    for (unsigned n = 0; n < count; ++n)
        PortwardenCtrl->OpenDiskPathBySymbolicName(DeviceHandleTable, static_cast<BYTE>(n), drives[n]->DevNode().c_str());
    UFDBlockMap* map = PortwardenCtrl->CreateUFDBlockMap(static_cast<BYTE>(std::max(16u, count)), 1, 1, kBlocks / 8);

    SerialStation station{{.mode = 2, .number = 0x9000, .step = 1, .length = 16}};
    std::unique_ptr<MainFrameSettings> frame = station.Load();
    frame->FabrunMode |= kFabrunModeFlashDrive;
    frame->DebugFilePath = station.folder.WideFolder();
    SetFlashPart(frame->CisSetting.CISImage, drives.front()->nand().geometry().id);
    UseOneImageRun(*frame, station.folder, image);

    std::vector<PortThreadParam> params(count);
    std::vector<std::unique_ptr<ReleasingView>> views;
    for (unsigned n = 0; n < count; ++n) {
        views.push_back(std::make_unique<ReleasingView>());
        params[n].hwndView = views[n].get();
        params[n].mainFrame = frame.get();
        params[n].port = static_cast<int>(n);
        params[n].blockMapEntry = PortBlockMap(*map, static_cast<int>(n));
    }

    platform::VirtualClock waits;
    platform::SetClockSource(&waits);
    Runs runs;
    runs.ports.resize(count);
    TakeSgIoTotals();
    const auto start = Clock::now();
    std::vector<std::thread> workers;
    for (unsigned n = 0; n < count; ++n)
        workers.emplace_back([&, n] {
            TakeThreadSgIoTotals();
            const auto begun = Clock::now();
            UFDRunThread(&params[n]);
            runs.ports[n].wall = Clock::now() - begun;
            timespec cpu{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
            runs.ports[n].cpu = std::chrono::seconds(cpu.tv_sec) + std::chrono::nanoseconds(cpu.tv_nsec);
            runs.ports[n].bench = TakeThreadSgIoTotals().time;
        });
    for (auto& worker : workers)
        worker.join();
    runs.wall = Clock::now() - start;
    runs.requests = TakeSgIoTotals();
    platform::SetClockSource(nullptr);
    runs.waitsMs = static_cast<double>(waits.SleptTotal()) / 1e4;
    for (auto& view : views)
        runs.results.push_back(view->result.load());

    for (unsigned n = 0; n < count; ++n)
        PortwardenCtrl->CloseDiskPath(DeviceHandleTable, static_cast<BYTE>(n));
    PortwardenCtrl->DeleteUFDBlockMap(map);
    return runs;
}

void PrintCommands(const SgIoTotals& requests)
{
    std::printf("  commands sent: %llu SG_IO requests\n", static_cast<unsigned long long>(requests.count));
    for (const auto& [kind, count] : requests.kinds)
        std::printf("    %-18s %7llu\n", kind.c_str(), static_cast<unsigned long long>(count));
}

bool AllPassed(const Runs& runs)
{
    return std::all_of(runs.results.begin(), runs.results.end(), [](int result) { return result == 1; });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        kManyPorts = static_cast<unsigned>(std::atoi(argv[1]));
    platform::SetDebugSink([](std::string_view) {});
    platform::SetMessageBoxScript([](const platform::MessageBoxRequest&) { return IDOK; });
    if (!CreateServer()) {
        std::fprintf(stderr, "cannot create the server from %s\n", PORTWARDEN_PATH);
        return 1;
    }
    const std::vector<BYTE> image = Pattern(kImageBytes, 3);

    const Runs one = RunPorts(1, image);
    const PortTiming& single = one.ports.front();
    std::printf("One port's whole flash-drive run (%u blocks of NAND, an %zu MiB image, a 1 MiB stress test): result %d\n",
                kBlocks, kImageBytes >> 20, one.results.front());
    PrintCommands(one.requests);
    std::printf("  wall time:                   %9.1f ms\n", Ms(single.wall));
    std::printf("    the bench's SG_IO answers: %9.1f ms\n", Ms(single.bench));
    std::printf("    station's own time:        %9.1f ms, %.1f %% of the run (goal under 5 %%)\n", Ms(single.own()),
                100.0 * Ms(single.own()) / (Ms(single.wall) + one.waitsMs));
    std::printf("  waits the station must make (virtual clock): %.1f ms\n", one.waitsMs);

    const Runs many = RunPorts(kManyPorts, image);
    const auto slowest = std::max_element(many.ports.begin(), many.ports.end(),
                                          [](const PortTiming& a, const PortTiming& b) { return a.own() < b.own(); });
    std::chrono::nanoseconds ownTotal{0};
    for (const PortTiming& port : many.ports)
        ownTotal += port.own();
    const unsigned passed = static_cast<unsigned>(std::count(many.results.begin(), many.results.end(), 1));
    std::printf("%u ports at once: %u passed\n", kManyPorts, passed);
    PrintCommands(many.requests);
    std::printf("  wall time:                   %9.1f ms (the bench answers every drive on one thread)\n", Ms(many.wall));
    std::printf("  station's own time per port: %9.1f ms mean, %.1f ms the slowest port\n",
                Ms(ownTotal) / kManyPorts, Ms(slowest->own()));
    std::chrono::nanoseconds cpuTotal{0};
    for (const PortTiming& port : many.ports)
        cpuTotal += port.cpu;
    std::printf("  processor time of a port's thread: %.1f ms mean (one port alone: %.1f ms)\n", Ms(cpuTotal) / kManyPorts,
                Ms(single.cpu));
    std::printf("  slowest port's own time / one port's: %.2f x (goal at most 1.5 x)\n", Ms(slowest->own()) / Ms(single.own()));
    std::printf("  waits the station must make (virtual clock, all ports): %.1f ms\n", many.waitsMs);

    PortwardenCtrl->Release();
    PortwardenCtrl2->Release();
    return AllPassed(one) && AllPassed(many) ? 0 : 1;
}
