#include "server/scsi/controller_calls.h"

namespace scsi {
namespace {

constexpr BYTE kXdataRead = 0x04;
constexpr BYTE kXdataWrite = 0x05;
constexpr BYTE kCpuResetSub = 0x01;
constexpr BYTE kLunConfigurationRead = 0x88;
constexpr BYTE kLunConfigurationWrite = 0x8A;
constexpr BYTE kFlashIdSub = 0x82;
constexpr BYTE kBlockEraseSub = 0x8E;

} // namespace

bool ReadXdataByte(CVCommCMDControl& sender, HANDLE device, WORD address, BYTE& value, bool ffFails)
{
    BYTE read = 0xFF;
    if (sender.VendorRead(device, kXdataRead, 0, 0, address, 1, &read) != 1)
        return false;
    if (ffFails && read == 0xFF)
        return false;
    value = read;
    return true;
}

bool WriteXdataByte(CVCommCMDControl& sender, HANDLE device, WORD address, BYTE value)
{
    return sender.VendorWrite(device, kXdataWrite, 0, 0, address, 1, &value) == 1;
}

int SendCpuReset(CVCommCMDControl& sender, HANDLE device)
{
    return sender.ConfigureLUNWrite(device, kCpuResetSub, 0, 0, 0, 0, nullptr);
}

int TransferLunConfiguration(CVCommCMDControl& sender, HANDLE device, bool read, BYTE* buffer48)
{
    if (read)
        return sender.ConfigureLUNRead(device, kLunConfigurationRead, 0, 0, 0, kLunConfigurationLength, buffer48);
    return sender.ConfigureLUNWrite(device, kLunConfigurationWrite, 0, 0, 0, kLunConfigurationLength, buffer48);
}

int ReadFlashId(CVCommCMDControl& sender, HANDLE device, BYTE chip, BYTE* out64)
{
    return sender.SystemAccessRead(device, kFlashIdSub, chip, 0, 0, 0, kFlashIdLength, out64);
}

int EraseFlashBlock(CVCommCMDControl& sender, HANDLE device, DWORD row, BYTE* status1)
{
    return sender.BlockAccessErase(device, kBlockEraseSub, 0, 0, row, 1, status1);
}

} // namespace scsi
