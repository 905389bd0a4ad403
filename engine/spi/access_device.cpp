// The single entry for the short chip operations of the views, the backup page and the
// worker: one open, one operation, one close.
#include "engine/spi/spi_procedures.h"
#include "engine/usb/vendor_requests.h"
#include "platform/debug/debug.h"

namespace {

enum AccessMode : BYTE {
    BackUpFirmware = 0,
    ReadRegister = 2,
    WriteRegister = 3,
    BackUpWholeFlash = 8,
    VendorRequest = 9,
};

void StoreIds(BYTE setup[8], UsbDeviceIds ids)
{
    setup[4] = static_cast<BYTE>(ids.idVendor >> 8);
    setup[5] = static_cast<BYTE>(ids.idVendor & 0xFF);
    setup[6] = static_cast<BYTE>(ids.idProduct >> 8);
    setup[7] = static_cast<BYTE>(ids.idProduct & 0xFF);
}

} // namespace

int AccessDevice(BYTE mode, BYTE setup[8], std::u16string_view path, BYTE spiType, WORD reg, BYTE value)
{
    platform::DebugPrintf("\n---CALL: AccessDevice(%X)---", mode);
    auto device = TargetDevice::Open();
    if (!device) {
        platform::DebugPrintf("  error opening device Fail");
        return SpiResult::Fail;
    }
    const UsbDeviceIds ids = device->ids();
    platform::DebugPrintf("  success: device %04X:%04X opened", ids.idVendor, ids.idProduct);
    switch (mode) {
    case BackUpFirmware:
        return Firmware_Download(*device, path, 0, spiType);
    case ReadRegister:
        return Read_Register(reg, device->handle(), &setup[0], true);
    case WriteRegister:
        return Write_Register(reg, device->handle(), value);
    case BackUpWholeFlash:
        return SPI_Whole_BackUp_Exe(*device, BackUpWholeFlash, spiType, value);
    case VendorRequest: {
        const int result = VDR_Test(setup, device->handle());
        StoreIds(setup, ids);
        return result;
    }
    default:
        StoreIds(setup, ids);
        return SpiResult::Ok;
    }
}
