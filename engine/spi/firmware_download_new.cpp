// The worker's device firmware download: image from the file, erase, blank check,
// program, read-back compare, with the progress posts of the worker's bar.
#include "engine/ports/port_reporter.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/spi/download_steps.h"
#include "engine/spi/firmware_file.h"
#include "engine/spi/firmware_image.h"
#include "engine/spi/spi_procedures.h"
#include "engine/spi/spi_transfer.h"
#include "engine/usb/spi_wait.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <cstring>
#include <vector>

namespace {

constexpr std::int32_t FirstProgress = 300;

struct DownloadBuffers {
    std::vector<BYTE> image = std::vector<BYTE>(FirmwareBufferSize, 0);
    std::vector<BYTE> work = std::vector<BYTE>(FirmwareBufferSize, 0);
    std::vector<BYTE> readBack = std::vector<BYTE>(FirmwareBufferSize, 0);
};

// Steps 2 to 14; the caller frames a failure and prints the run time.
int Download(const PortThreadParam& param, const TargetDevice& device, BYTE spiType, PortReporter& reporter)
{
    const CISSetting& settings = param.mainFrame->CisSetting;
    const ChipModel model = device.model();
    usb_dev_handle* handle = device.handle();
    const bool hubDownload = settings.HubDLEnable != 0 && HasDoubleBanks(model);
    const std::int32_t step = settings.HubDLEnable != 0 && device.ids().idProduct >= ChipProductId::RZ522 ? 150 : 300;

    platform::DebugPrintf("  CALL Firmware_Download_New, Mode=%d, SPI_Type=%d", 1, spiType);
    const SpiOpcodeRow* row = OpcodeRowFor(spiType);
    if (row == nullptr)
        return SpiResult::Fail;
    PrintOpcodeLine(*row);
    DownloadBuffers buffers;
    platform::DebugPrintf("  TotalFWPath=%s", platform::WideToAnsi(settings.FilePathOfFW.str()).c_str());
    DWORD fileSize = 0;
    if (!ReadFirmwareFile(settings.FilePathOfFW.str(), buffers.image, fileSize))
        return SpiResult::Fail;
    if (model == ChipModel::RZ520)
        DisableWriteProtectPin(handle);
    DWORD length = ImageLengthFor(model, fileSize);
    if (length == 0)
        return SpiResult::Fail;
    const BYTE target = FirmwareTarget(model);
    if (model == ChipModel::RZ524) {
        const int trim = LoadEfuseTrim(handle, *row, target, buffers.image, buffers.work);
        if (trim != SpiResult::Ok)
            return trim;
    }
    CompleteImage(buffers.image, length, settings.CleanSPI != 0);
    if (HasDoubleBanks(model))
        length = DoubleBanks(buffers.image, length, model == ChipModel::RZ522 && settings.Bank1Error != 0);

    ClearWriteProtection(handle, *row, spiType);
    if (!EraseChip(handle, *row))
        return SpiResult::Fail;
    if (hubDownload) {
        const int hub = Hub_FW_Download(device, param, spiType);
        if (hub != SpiResult::Ok)
            return hub;
    }
    const int blank = CheckSpiBlank(buffers.readBack, handle, (*row)[SpiReadData], (*row)[SpiChunk], target);
    if (blank != SpiResult::Ok)
        return blank;
    reporter.PostProgress(reporter.Position() + step);

    platform::DebugPrintf("  SPI_Write_FW");
    std::memcpy(buffers.work.data(), buffers.image.data(), length);
    const BYTE* work = buffers.work.data();
    platform::DebugPrintf("\tCheck_CtrlDataBuf[0-3]= %X, %X, %X, %X", work[0], work[1], work[2], work[3]);
    ProgramFlash(handle, *row, target, buffers.work.data(), length);
    reporter.PostProgress(reporter.Position() + step);

    const int verified = VerifyFlash(handle, *row, target, buffers.image.data(), length, buffers.readBack.data());
    if (verified == SpiResult::Ok) {
        platform::DebugPrintf("  SPI_FW_Compare_PASS");
        platform::DebugPrintf("          FW_DL_New OK");
    }
    return verified;
}

} // namespace

int Firmware_Download_New(const PortThreadParam& param, const TargetDevice& device, BYTE spiType)
{
    const ULONGLONG start = GetTickCount64();
    PortReporter reporter(param);
    reporter.PostProgress(FirstProgress);
    const int result = Download(param, device, spiType, reporter);
    if (result != SpiResult::Ok)
        PrintFramed("          FW_DL_New FAIL");
    PrintUseTime(start);
    return result;
}

int Libusb_FW_DL(const PortThreadParam& param, BYTE spiType)
{
    platform::DebugPrintf("---CALL: Libusb_FW_DL(%X) Mode:%d---", param.port, 1);
    auto device = TargetDevice::Open();
    if (!device)
        return SpiResult::Fail;
    platform::DebugPrintf("\tsuccess: device %04X:%04X opened", device->ids().idVendor, device->ids().idProduct);
    return Firmware_Download_New(param, *device, spiType);
}
