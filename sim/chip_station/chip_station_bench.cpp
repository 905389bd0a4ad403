// The station's chip mode on the simulated bench: plugs a simulated RZ522 into a fresh
// testbed, writes a 64 KiB firmware file, runs the unmodified chip-mode worker on port 1
// as a port view would start it, prints its progress and result text, and checks what the
// chip's flash holds afterwards. Run it under umockdev-wrapper.
#include "engine/chipworker/chip_run_thread.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/port_result_view.h"
#include "engine/ports/port_thread_param.h"
#include "engine/ports/run_result.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/usb/crc16.h"
#include "engine/usb/supported_devices.h"
#include "platform/sync/sync.h"
#include "platform/text/text.h"
#include "sim/chip/chip_bench.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t FirmwareSize = 0x10000;
constexpr std::size_t PD2 = 0x20000;

// Prints what the worker posts, as the port's tile would show it.
class ConsoleView final : public MessageWindow {
public:
    ~ConsoleView() override { StopReceiving(); }
    void Post(PostedMessage message) override
    {
        std::lock_guard guard(lock_);
        if (message.message == WM_PORT_PROGRESS)
            std::printf("Port %d: progress %4d / %d\n", message.Record<PortProgress>().port + 1,
                        message.Record<PortProgress>().progress, kPortProgressEnd);
        if (message.message == WM_PORT_RESULT) {
            result_ = message.Record<PortResult>().result;
            arrived_.notify_all();
        }
        std::fflush(stdout);
    }
    int WaitForResult()
    {
        std::unique_lock guard(lock_);
        arrived_.wait(guard, [&] { return result_ != NoResult; });
        return result_;
    }

private:
    static constexpr int NoResult = -1000;
    std::mutex lock_;
    std::condition_variable arrived_;
    int result_ = NoResult;
};

std::vector<BYTE> WriteFirmware(const std::string& path)
{
    std::mt19937 random(2024);
    std::vector<BYTE> bytes(FirmwareSize);
    for (auto& byte : bytes)
        byte = static_cast<BYTE>(random());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::string ResultText(int result)
{
    std::u16string text;
    GetResultMessage(result, text);
    if (!text.empty())
        return platform::WideToUtf8(text);
    return ReadPortResult(result) == PortVerdict::Fail ? "Fail" : "no text";
}

// The chip's PD2 flash should hold the file with its CRC-16 in the last two bytes, twice.
bool FlashHoldsImage(const sim::Rz52xChip& chip, std::vector<BYTE> image)
{
    const WORD crc = Crc16(static_cast<DWORD>(image.size() - 2), image.data());
    image[image.size() - 2] = static_cast<BYTE>(crc & 0xFF);
    image[image.size() - 1] = static_cast<BYTE>(crc >> 8);
    const auto flash = chip.Flash();
    return std::memcmp(&flash[PD2], image.data(), image.size()) == 0 &&
           std::memcmp(&flash[PD2 + image.size()], image.data(), image.size()) == 0;
}

int Run()
{
    sim::ChipBench bench;
    sim::ChipConfig config;
    config.vendorId = MakerVendorId;
    config.productId = ChipProductId::RZ522;
    sim::Rz52xChip& chip = bench.AddChip(config);
    std::printf("Bench: simulated RZ522 %04X:%04X at %s, not ready until restarted\n", config.vendorId, config.productId,
                chip.DevNode().c_str());

    const std::string folder = bench.testbed().RootDir() + "/";
    const std::string firmwarePath = folder + "firmware64k.bin";
    const auto firmware = WriteFirmware(firmwarePath);
    MainFrameSettings frame(platform::Utf8ToWide(folder));
    frame.CisSetting.FilePathOfFW = platform::Utf8ToWide(firmwarePath);
    std::printf("Firmware: %s (64 KiB)\n", firmwarePath.c_str());

    ConsoleView view;
    PortThreadParam param{};
    param.hwndView = &view;
    param.mainFrame = &frame;
    param.port = 0;
    HANDLE thread = CreateThread(nullptr, 0, ChipRunThread, &param, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        std::fprintf(stderr, "the worker thread cannot be created\n");
        return 1;
    }
    ResumeThread(thread);
    const int result = view.WaitForResult();
    std::printf("Port 1: result %d: %s\n", result, ResultText(result).c_str());
    ReleasePortWorker(0);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);

    const bool flashGood = FlashHoldsImage(chip, firmware);
    std::printf("Bench: the chip's flash %s the image with its CRC-16 in both banks\n", flashGood ? "holds" : "does NOT hold");
    return result == RunResult::Success && flashGood ? 0 : 1;
}

} // namespace

int main()
{
    try {
        return Run();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "bench: %s\n", failure.what());
        return 1;
    }
}
