// Times one chip-mode worker run that downloads a 64 KiB firmware into a simulated RZ522
// (two banks: 128 KiB programmed) through the real libusb-0.1 stack on the bench, and
// prints: the control transfers issued against the count the sequence requires, the wall
// time split into mandated sleeps, transfers and everything else, and the cost of one
// transfer beside the bench's own bare round trip. Run it under umockdev-wrapper.
#include "engine/chipworker/chip_run_thread.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/port_result_view.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/usb/supported_devices.h"
#include "engine/usb/target_device.h"
#include "platform/debug/debug.h"
#include "platform/sync/sync.h"
#include "platform/text/text.h"
#include "run_timing.h"
#include "sim/chip/chip_bench.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD FirmwareSize = 0x10000;
constexpr DWORD ProgrammedLength = 2 * FirmwareSize; // RZ522 keeps two banks
constexpr DWORD Chunk = 32;
constexpr int BareRoundTrips = 5000;
constexpr int Runs = 3;

// The control transfers a normal run on an RZ522 requires: one restart, no SLT test, no
// hub work, an erase the chip finishes at once (two status polls).
unsigned RequiredTransfers()
{
    const unsigned identity = 1;
    const unsigned preamble = 5;            // read 0x02, write 0x02, 0x15, 0x19, 0x1C
    const unsigned restart = 1 + 1 + 6 + 1; // 0x18; not ready; unlock bytes, A0, B0; ready
    const unsigned lock = 2;                // read and write 0xF7
    const unsigned writeProtection = 3;     // write enable, write status, status
    const unsigned erase = 4;               // write enable, erase, two status polls
    const unsigned blankCheck = 0x20000 / Chunk;
    const unsigned program = 2 * (ProgrammedLength / Chunk); // write enable + data per chunk
    const unsigned verify = ProgrammedLength / Chunk;
    const unsigned restore = 1;
    return identity + preamble + restart + preamble + identity + lock + identity + writeProtection + erase + blankCheck +
           program + verify + restore;
}

class ResultView final : public MessageWindow {
public:
    ~ResultView() override { StopReceiving(); }
    void Post(PostedMessage message) override
    {
        if (message.message != WM_PORT_RESULT)
            return;
        std::lock_guard guard(lock_);
        result_ = message.Record<PortResult>().result;
        arrived_.notify_all();
    }
    int Wait()
    {
        std::unique_lock guard(lock_);
        arrived_.wait(guard, [&] { return result_ >= 0; });
        return result_;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    int result_ = -1;
};

std::string WriteFirmware()
{
    const std::string path = "/tmp/fabrun_bench_firmware.bin";
    std::mt19937 random(1);
    std::vector<char> bytes(FirmwareSize);
    for (auto& byte : bytes)
        byte = static_cast<char>(random());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

double Ms(std::chrono::nanoseconds time)
{
    return std::chrono::duration<double, std::milli>(time).count();
}

double Us(std::chrono::nanoseconds time, std::uint64_t count)
{
    return count == 0 ? 0.0 : std::chrono::duration<double, std::micro>(time).count() / static_cast<double>(count);
}

struct RunFigures {
    int result = -1;
    TransferTotals transfers;
    unsigned seenByChip = 0;
    std::chrono::nanoseconds wall{0};
    std::chrono::nanoseconds slept{0};
    double bareUs = 0; // mean bare round trip around the run
};

// The bench's own cost of a call: the same request path, answered by the chip at once.
double BareRoundTripUs()
{
    auto device = TargetDevice::Open();
    if (!device)
        throw std::runtime_error("the simulated chip cannot be opened");
    TakeTransferTotals();
    char data[Chunk];
    for (int i = 0; i < BareRoundTrips; ++i)
        usb_control_msg(device->handle(), 0xC0, sim::ChipRequest::NoOp, 0, 0, data, Chunk, 1000);
    const TransferTotals bare = TakeTransferTotals();
    return Us(bare.time, bare.count);
}

// One worker run on a freshly plugged chip, with bare round trips just before and after
// it, so that both see the same load of the machine.
RunFigures RunOnce(const std::string& firmware)
{
    sim::ChipBench bench;
    sim::ChipConfig config;
    config.vendorId = MakerVendorId;
    config.productId = ChipProductId::RZ522;
    config.eraseTimeMs = 0;
    sim::Rz52xChip& chip = bench.AddChip(config);

    MainFrameSettings frame(u"/tmp/");
    frame.CisSetting.FilePathOfFW = platform::Utf8ToWide(firmware);
    ResultView view;
    PortThreadParam param{};
    param.hwndView = &view;
    param.mainFrame = &frame;

    RunFigures figures;
    const double bareBefore = BareRoundTripUs();
    const unsigned chipBefore = chip.ControlTransfers();
    SleepAccountingClock clock(platform::Clock());
    platform::SetClockSource(&clock);
    TakeTransferTotals();
    const auto start = Clock::now();
    HANDLE thread = CreateThread(nullptr, 0, ChipRunThread, &param, CREATE_SUSPENDED, nullptr);
    ResumeThread(thread);
    figures.result = view.Wait();
    figures.wall = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
    figures.transfers = TakeTransferTotals();
    ReleasePortWorker(0);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    platform::SetClockSource(nullptr);
    figures.slept = clock.Slept();
    figures.seenByChip = chip.ControlTransfers() - chipBefore;
    figures.bareUs = (bareBefore + BareRoundTripUs()) / 2;
    return figures;
}

double NetUs(const RunFigures& run)
{
    return Us(run.transfers.time, run.transfers.count) - run.bareUs;
}

} // namespace

int main()
{
    platform::SetDebugSink([](std::string_view) {});
    const std::string firmware = WriteFirmware();
    std::vector<RunFigures> runs;
    for (int i = 0; i < Runs; ++i)
        runs.push_back(RunOnce(firmware));
    std::sort(runs.begin(), runs.end(), [](const RunFigures& a, const RunFigures& b) { return NetUs(a) < NetUs(b); });
    const RunFigures& median = runs[Runs / 2];

    bool good = true;
    std::printf("Chip-mode worker run: RZ522, 64 KiB firmware (128 KiB programmed); %d runs, the median one by net cost\n", Runs);
    for (const auto& run : runs) {
        good = good && run.result == 1 && run.transfers.count == RequiredTransfers();
        std::printf("  run: result %d, %llu transfers, %.1f us each, bare round trip %.1f us, net %.1f us\n", run.result,
                    static_cast<unsigned long long>(run.transfers.count), Us(run.transfers.time, run.transfers.count),
                    run.bareUs, NetUs(run));
    }
    const auto& m = median;
    const auto other = m.wall - m.slept - m.transfers.time;
    std::printf("Control transfers: %llu issued (%u reached the chip), %u required by the sequence: %s\n",
                static_cast<unsigned long long>(m.transfers.count), m.seenByChip, RequiredTransfers(),
                m.transfers.count == RequiredTransfers() ? "equal" : "DIFFERENT");
    std::printf("Wall time of the run:   %9.1f ms\n", Ms(m.wall));
    std::printf("  mandated sleeps:      %9.1f ms (%5.1f %%)\n", Ms(m.slept), 100.0 * Ms(m.slept) / Ms(m.wall));
    std::printf("  control transfers:    %9.1f ms (%5.1f %%)\n", Ms(m.transfers.time), 100.0 * Ms(m.transfers.time) / Ms(m.wall));
    std::printf("  everything else:      %9.1f ms (%5.1f %%, goal under 10 %%)\n", Ms(other), 100.0 * Ms(other) / Ms(m.wall));
    std::printf("Mean cost of one control transfer:             %7.1f us (goal under 100 us)\n",
                Us(m.transfers.time, m.transfers.count));
    std::printf("Bare round trip on the bench (%d no-ops x 2): %7.1f us\n", BareRoundTrips, m.bareUs);
    std::printf("Station's own cost per transfer (net):         %7.1f us\n", NetUs(m));
    return good ? 0 : 1;
}
