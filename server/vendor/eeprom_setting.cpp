#include "server/vendor/eeprom_setting.h"

#include "platform/debug/debug.h"

#include <vector>

namespace vendor {
namespace {

constexpr DWORD kPowerInfoLength = 4;
constexpr std::size_t kEepromBusAddressByte = 3;
constexpr DWORD kFirmwareLength = 0x6000;
constexpr DWORD kFirmwarePiece = 4096;

} // namespace

void StoreEepromChecksum(EepromImage& image)
{
    image[0] = image[1] = 0;
    unsigned sum = 0;
    for (std::size_t at = 0; at < image.size(); at += 2)
        sum += unsigned{image[at]} << 8 | image[at + 1];
    const auto checksum = static_cast<WORD>(0x10000 - (sum & 0xFFFF));
    image[0] = static_cast<BYTE>(checksum >> 8);
    image[1] = static_cast<BYTE>(checksum);
}

int ChangeEepromSetting(CVCommCMDControl& sender, HANDLE device, const char* slot,
                        const std::function<void(EepromImage&)>& change, const std::function<int()>& powerCommand)
{
    BYTE info[kPowerInfoLength] = {};
    if (sender.USDPowerRead(device, 0x01, 0, 0, 0, 0, kPowerInfoLength, info) != 1) {
        platform::DebugPrintf("%s: power-management information not read, nothing written", slot);
        return 0;
    }
    const BYTE eepromAddress = info[kEepromBusAddressByte];
    std::vector<BYTE> firmware(kFirmwareLength);
    for (DWORD at = 0; at < kFirmwareLength; at += kFirmwarePiece) {
        if (sender.VendorAccessRead(device, 0x81, 1, 0, 0, at, kFirmwarePiece, &firmware[at], 0, 0) != 1) {
            platform::DebugPrintf("%s: firmware memory not read at 0x%X, nothing written", slot, unsigned{at});
            return 0;
        }
    }
    EepromImage image{};
    if (sender.VendorAccessRead(device, 0x80, 1, 0, 0, 0, kEepromSize, image.data(), eepromAddress, 0) != 1) {
        platform::DebugPrintf("%s: EEPROM not read, nothing written", slot);
        return 0;
    }
    change(image);
    bool done = powerCommand() == 1;
    for (DWORD at = 0; at < kFirmwareLength; at += kFirmwarePiece)
        done = sender.VendorAccessWrite(device, 0x81, 0, 0, 0, at, kFirmwarePiece, &firmware[at], 0, 0) == 1 && done;
    StoreEepromChecksum(image);
    done = sender.VendorAccessWrite(device, 0x80, 0, 0, 0, 0, kEepromSize, image.data(), eepromAddress, 0) == 1 && done;
    if (!done)
        platform::DebugPrintf("%s: a command of the change failed", slot);
    return done ? 1 : 0;
}

} // namespace vendor
