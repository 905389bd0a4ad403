// Bridge-drive (_USD) operations: button, EEPROM and firmware memory, power management,
// the hard-disk LED, ATA IDENTIFY of the drive behind the bridge and SPI access. The
// EEPROM and firmware-memory slots write no entry line.
// The suspend switch and the timer live in the EEPROM image: their slots change it with
// vendor::ChangeEepromSetting, under the device's lock.
#include "server/shell/base_api.h"

#include "platform/debug/debug.h"
#include "server/shell/port_device.h"
#include "server/shell/vendor_access.h"
#include "server/vendor/eeprom_setting.h"

using portwarden::BufferGiven;
using portwarden::FitsWord;
using portwarden::OnPortDevice;

namespace {

BYTE Low(INT value)
{
    return static_cast<BYTE>(value);
}

} // namespace

INT CBaseAPI::ReadButton_USD(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* buffer)
{
    OutputDebugStringA(rd == 1 ? "ReadButton_USD()" : "WriteButton_USD()");
    if (rd == 1)
        return portwarden::VendorAccessTransfer(*vendor_, handles, index, true, 0x87, 0, 0, 1, buffer, 0, 0);
    BYTE low = Low(value);
    return portwarden::VendorAccessTransfer(*vendor_, handles, index, false, 0x88, 0, 0, 1, &low, 0, 0);
}

INT CBaseAPI::ReadEEPROM_USD(HANDLE* handles, BYTE index, BYTE rd, INT p1, INT p2, INT address, INT length,
                             BYTE* buffer)
{
    return portwarden::VendorAccessTransfer(*vendor_, handles, index, rd == 1, 0x80, rd == 1 ? 1 : rd, address, length,
                                            buffer, Low(p1), Low(p2));
}

INT CBaseAPI::ReadFW_USD(HANDLE* handles, BYTE index, BYTE rd, INT flashType, INT address, INT length, BYTE* buffer)
{
    return portwarden::VendorAccessTransfer(*vendor_, handles, index, rd == 1, 0x81, rd == 1 ? 1 : rd, address, length,
                                            buffer, 0, Low(flashType));
}

INT CBaseAPI::GetPMInfo_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer)
{
    OutputDebugStringA("GetPMInfo_USD()");
    if (!BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->USDPowerRead(device, 0x01, 0, 0, 0, 0, static_cast<DWORD>(length), buffer);
    });
}

INT CBaseAPI::EnableSuspned_USD(HANDLE* handles, BYTE index, INT enable)
{
    const bool on = enable == 1;
    const char* slot = on ? "EnableSuspned_USD()" : "DisableSuspned_USD()";
    OutputDebugStringA(slot);
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor::ChangeEepromSetting(
            *vendor_, device, slot, [&](vendor::EepromImage& image) { image[vendor::kSuspendByte] = on ? 1 : 0; },
            [&] { return vendor_->USDPowerWrite(device, on ? 0x02 : 0x03, 0, 0, 0, 0, 0, nullptr); });
    });
}

INT CBaseAPI::SetTimer_USD(HANDLE* handles, BYTE index, INT value)
{
    OutputDebugStringA("SetTimer_USD()");
    if (!FitsWord(value, "timer value"))
        return 0;
    const BYTE high = Low(value >> 8), low = Low(value);
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor::ChangeEepromSetting(
            *vendor_, device, "SetTimer_USD()",
            [&](vendor::EepromImage& image) {
                image[vendor::kTimerBytes] = high;
                image[vendor::kTimerBytes + 1] = low;
            },
            [&] { return vendor_->USDPowerWrite(device, 0x04, high, low, 0, 0, 0, nullptr); });
    });
}

INT CBaseAPI::SetHDCapLED_USD(HANDLE* handles, BYTE index, INT value)
{
    OutputDebugStringA("SetHDCapLED_USD()");
    return OnPortDevice(handles, index,
                        [&](HANDLE device) { return vendor_->USDPowerWrite(device, 0x07, Low(value), 0, 0, 0, 0, nullptr); });
}

// ATA PASS-THROUGH(12): A1 08 0D 00 00 00 00 00 A0 EC, PIO data in, IDENTIFY DEVICE.
INT CBaseAPI::ATAIdentify_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer)
{
    OutputDebugStringA("ATAIdentify_USD()");
    if (!BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->ATACommandRead(device, 0x08A1, 0x0D000000, 0x00A00000, 0xEC00, 0, static_cast<DWORD>(length),
                                       buffer);
    });
}

// The CDB: EE 80, 2..5 dw1, 6 = 0x7F, 7..8 length, 9 = f >> 4, 10 = e, 11 = flags,
// 12..15 the SPI address, all big-endian; packed into the test command's five words.
INT CBaseAPI::ReadSPI_USD(HANDLE* handles, BYTE index, BYTE flags, DWORD spiAddress, DWORD dw1, INT e, INT f,
                          INT length, BYTE* buffer)
{
    const bool read = (flags & 1) != 0;
    OutputDebugStringA(read ? "ReadSPI_USD()" : "WriteSPI_USD()");
    if (!FitsWord(length, "SPI length") || !BufferGiven(buffer, length))
        return 0;
    const DWORD dw0 = 0x80EE;
    const DWORD dw2 = 0x7F | static_cast<DWORD>(length) << 16;
    const DWORD dw3 = (spiAddress >> 24) << 24 | DWORD{flags} << 16 | DWORD{Low(f >> 4)} << 8 | Low(e);
    const DWORD dw4 = (spiAddress >> 16 & 0xFF) | (spiAddress >> 8 & 0xFF) << 8 | (spiAddress & 0xFF) << 16;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        if (read)
            return vendor_->TestCommandRead(device, dw0, dw1, dw2, dw3, dw4, buffer);
        return vendor_->TestCommandWrite(device, dw0, dw1, dw2, dw3, dw4, buffer);
    });
}
