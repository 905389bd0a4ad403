// A setting of a bridge drive that lives in its 256-byte EEPROM image (the suspend switch
// at byte 249, the timer at 250..251): read the power-management information (its byte 3
// names the EEPROM's bus address), the 0x6000-byte firmware memory in 4096-byte pieces and
// the EEPROM image; change the image; send the power command; write the firmware memory
// back unchanged; write the image with its new checksum.
// Nothing is written unless every read succeeded, so no buffer that was never filled
// reaches the device; the change succeeds only when every write did.
// The caller holds the device's lock.
#pragma once

#include "server/scsi/vcomm_control.h"

#include <array>
#include <functional>

namespace vendor {

constexpr std::size_t kEepromSize = 256;
constexpr std::size_t kSuspendByte = 249;
constexpr std::size_t kTimerBytes = 250;

using EepromImage = std::array<BYTE, kEepromSize>;

// Bytes 0..1 (big-endian): the value that makes the 128 big-endian words sum to 0.
void StoreEepromChecksum(EepromImage& image);

int ChangeEepromSetting(CVCommCMDControl& sender, HANDLE device, const char* slot,
                        const std::function<void(EepromImage&)>& change, const std::function<int()>& powerCommand);

} // namespace vendor
