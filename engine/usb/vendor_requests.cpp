#include "engine/usb/vendor_requests.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::atomic<int> VdrCommandCount{0};

namespace {

constexpr BYTE VendorIn = 0xC0;
constexpr BYTE VendorOut = 0x40;
constexpr BYTE RequestRegister = 0xE0;
constexpr BYTE RequestWriteEnable = 0xD4;
constexpr BYTE RequestChipErase = 0xD1;
constexpr BYTE RequestWriteStatus = 0xD8;
constexpr BYTE RequestReadStatus = 0xC2;
constexpr BYTE RequestReadData = 0xC4;
constexpr BYTE RequestWriteData = 0xDC;
constexpr int RequestTimeoutMs = 1000;
constexpr int EraseTimeoutMs = 11000;

int Transfer(usb_dev_handle* handle, BYTE requestType, BYTE request, WORD value, WORD index, void* data, WORD length,
             int timeoutMs)
{
    const int moved = usb_control_msg(handle, requestType, request, value, index, static_cast<char*>(data), length, timeoutMs);
    if (moved > 0)
        ++VdrCommandCount;
    return moved;
}

WORD RegisterValue(WORD reg, BYTE operation)
{
    return static_cast<WORD>((reg & 0xFF) << 8 | operation);
}

// An SPI request without data stage: the opcode alone in wValue.
int SpiCommand(usb_dev_handle* handle, BYTE request, BYTE opcode, int timeoutMs, const char* errorLine)
{
    if (Transfer(handle, VendorOut, request, opcode, 0, nullptr, 0, timeoutMs) < 0) {
        platform::DebugPrintf("%s", errorLine);
        return 0;
    }
    return 1;
}

WORD DataValue(DWORD address, BYTE opcode)
{
    return static_cast<WORD>((address & 0xFF) << 8 | opcode);
}

// Target 0 is addressed by address bits 8-23; targets 1 and 2 add 0x100 and 0x200.
WORD DataIndex(DWORD address, BYTE target)
{
    return static_cast<WORD>(((address >> 8) + 256u * target) & 0xFFFF);
}

} // namespace

int Read_Register(WORD reg, usb_dev_handle* handle, BYTE* value, bool verbose)
{
    if (verbose)
        platform::DebugPrintf("CALL_Read_Register[0x%04X]\n", reg);
    BYTE data = 0;
    if (Transfer(handle, VendorIn, RequestRegister, RegisterValue(reg, 1), reg >> 8, &data, 1, RequestTimeoutMs) != 1) {
        platform::DebugPrintf("  Read_Reg_FAIL\n");
        return 0;
    }
    *value = data;
    if (verbose)
        platform::DebugPrintf("  Register = 0x%02X", data);
    return 1;
}

int Write_Register(WORD reg, usb_dev_handle* handle, BYTE value)
{
    platform::DebugPrintf("CALL Write_Register[0x%04X]=0x%02X\n", reg, value);
    if (Transfer(handle, VendorOut, RequestRegister, RegisterValue(reg, 2), reg >> 8, &value, 1, RequestTimeoutMs) <= 0) {
        platform::DebugPrintf("  Write_Reg_FAIL\n");
        return 0;
    }
    return 1;
}

int SPI_WriteEN(BYTE opcode, usb_dev_handle* handle)
{
    return SpiCommand(handle, RequestWriteEnable, opcode, RequestTimeoutMs, "\tSPI_WriteEN_Error");
}

int SPI_Chip_Erase(BYTE opcode, usb_dev_handle* handle)
{
    return SpiCommand(handle, RequestChipErase, opcode, EraseTimeoutMs, "\tSPI_Chip_Erase_Error");
}

int SPI_WriteSTS(BYTE opcode, usb_dev_handle* handle)
{
    const int result = SpiCommand(handle, RequestWriteStatus, opcode, RequestTimeoutMs, "\tSPI_WriteSTS_Error");
    Sleep(1000);
    return result;
}

int SPI_Read(usb_dev_handle* handle, BYTE opcode, BYTE* status)
{
    BYTE data = 0;
    if (Transfer(handle, VendorIn, RequestReadStatus, opcode, 0, &data, 1, RequestTimeoutMs) != 1) {
        platform::DebugPrintf("\tSPI_Read_Error");
        return 0;
    }
    *status = data;
    return 1;
}

int SPI_Read_Data(DWORD address, usb_dev_handle* handle, BYTE opcode, DWORD offset, WORD length, BYTE* buffer, BYTE target)
{
    const WORD index = DataIndex(address, target);
    if (Transfer(handle, VendorIn, RequestReadData, DataValue(address, opcode), index, buffer + offset, length,
                 RequestTimeoutMs) != length) {
        platform::DebugPrintf("SPI_Read_Data_Error = %04X%02X\n", index, address & 0xFF);
        return 0;
    }
    return 1;
}

int SPI_Write_Data(DWORD address, usb_dev_handle* handle, BYTE opcode, DWORD offset, WORD length, BYTE* buffer, BYTE target)
{
    const WORD index = DataIndex(address, target);
    if (Transfer(handle, VendorOut, RequestWriteData, DataValue(address, opcode), index, buffer + offset, length,
                 RequestTimeoutMs) < 0) {
        platform::DebugPrintf("SPI_Write_Data_Error = %04X%02X\n", index, address & 0xFF);
        return 0;
    }
    return 1;
}

int VDR_Test(BYTE setup[8], usb_dev_handle* handle)
{
    const bool in = (setup[0] & 0x80) != 0;
    // The data stage is this 8-byte buffer in both directions, so no request may ask for more.
    BYTE data[8];
    std::memcpy(data, setup, sizeof data);
    const WORD length = std::min<WORD>(static_cast<WORD>(setup[7] << 8 | setup[6]), sizeof data);
    std::fputs(in ? "\nCALL_VDR_READ\n" : "\nCALL_VDR_WRITE\n", stdout);
    const int moved = Transfer(handle, in ? VendorIn : VendorOut, setup[1], static_cast<WORD>(setup[3] << 8 | setup[2]),
                               static_cast<WORD>(setup[5] << 8 | setup[4]), data, length, RequestTimeoutMs);
    if (moved < 0 || (in && moved != length)) {
        std::fputs("  VDR_Test_FAIL\n", stdout);
        return 0;
    }
    if (in)
        std::memcpy(setup, data, length);
    return 1;
}
