// The SPI firmware procedures of chip mode: each opens the target chip, runs its vendor
// requests and closes the chip again. Results: 1 ok, 0 general failure (file, device,
// size, erase), 7 flash read error, 8 compare error, 14 flash not blank after erase,
// 48 flash holds no data.
#pragma once

#include "engine/usb/target_device.h"
#include "platform/base/wintypes.h"

#include <string_view>

struct PortThreadParam;

namespace SpiResult {
constexpr int Fail = 0;
constexpr int Ok = 1;
constexpr int ReadError = 7;
constexpr int CompareError = 8;
constexpr int NotBlank = 14;
constexpr int FlashEmpty = 48;
} // namespace SpiResult

// The entry for short operations, by mode: 0 firmware backup to "BackUpFW.BIN" beside
// `path`; 2 read `reg` into setup[0]; 3 write `value` to `reg`; 8 whole-flash backup of
// `value` x 32 KiB; 9 the request of the setup record; any other mode only identifies
// the chip. Modes 9 and others leave the opened device's ids in setup[4..7], high byte first.
int AccessDevice(BYTE mode, BYTE setup[8], std::u16string_view path, BYTE spiType, WORD reg, BYTE value);

// The worker's firmware download: opens the chip and runs Firmware_Download_New.
int Libusb_FW_DL(const PortThreadParam& param, BYTE spiType);
int Firmware_Download_New(const PortThreadParam& param, const TargetDevice& device, BYTE spiType);
// The hub firmware onto target 0, after the chip erase of the device download.
int Hub_FW_Download(const TargetDevice& device, const PortThreadParam& param, BYTE spiType);
// Mode 0: backs the device's firmware up to "BackUpFW.BIN" in the folder of `path`.
int Firmware_Download(const TargetDevice& device, std::u16string_view path, BYTE mode, BYTE spiType);
// The first part of the whole flash, by `value`, to "BackUpWholeSPIx<value*32>K.BIN" in the program folder.
int SPI_Whole_BackUp_Exe(const TargetDevice& device, BYTE mode, BYTE spiType, BYTE value);

// One burn-in cycle: random reads compared with the firmware read at the start.
int CheckSpiContent();
// One power-off/on cycle through register 9: 1 / 0.
int WaitPowerCycle();
