// The hub firmware onto the hub flash (target 0), as it stands in its file: no CRC is
// added. The chip erase of the device download before it has cleared the flash.
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/spi/firmware_file.h"
#include "engine/spi/firmware_image.h"
#include "engine/spi/spi_procedures.h"
#include "engine/spi/spi_transfer.h"
#include "engine/usb/spi_wait.h"
#include "engine/usb/vendor_requests.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <cstring>
#include <vector>

namespace {

int DownloadHub(const TargetDevice& device, const PortThreadParam& param, BYTE spiType)
{
    platform::DebugPrintf("  CALL Hub_FW_Download, Mode=%d, SPI_Type=%d", 1, spiType);
    const SpiOpcodeRow* row = OpcodeRowFor(spiType);
    if (row == nullptr)
        return SpiResult::Fail;
    PrintOpcodeLine(*row);
    const PackedString& path = param.mainFrame->CisSetting.FilePathOfFW2;
    platform::DebugPrintf("  TotalFWPath=%s", platform::WideToAnsi(path.str()).c_str());
    std::vector<BYTE> image(FirmwareBufferSize, 0), work(FirmwareBufferSize, 0), readBack(FirmwareBufferSize, 0);
    DWORD size = 0;
    if (!ReadFirmwareFile(path.str(), image, size))
        return SpiResult::Fail;
    usb_dev_handle* handle = device.handle();
    const int blank = CheckSpiBlank(readBack, handle, (*row)[SpiReadData], (*row)[SpiChunk], SpiTargetHub);
    if (blank != SpiResult::Ok)
        return blank;
    platform::DebugPrintf("  SPI_Write_FW");
    platform::DebugPrintf("\tHub_FW_TotalByte = 0x%04X", size);
    std::memcpy(work.data(), image.data(), size);
    platform::DebugPrintf("\tCheck_CtrlDataBuf[0-3]= %X, %X, %X, %X", work[0], work[1], work[2], work[3]);
    ProgramFlash(handle, *row, SpiTargetHub, work.data(), size);
    const int verified = VerifyFlash(handle, *row, SpiTargetHub, image.data(), size, readBack.data());
    if (verified == SpiResult::Ok)
        platform::DebugPrintf("  Hub_FW_Compare_PASS");
    return verified;
}

} // namespace

int Hub_FW_Download(const TargetDevice& device, const PortThreadParam& param, BYTE spiType)
{
    const int result = DownloadHub(device, param, spiType);
    if (result != SpiResult::Ok)
        PrintFramed("          Hub_FW_DL FAIL");
    return result;
}
