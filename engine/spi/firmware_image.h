// The model rules of a device firmware image: where it lives, how long it is, and how the
// file becomes the image that is programmed (CRC, the clean pattern, double banks).
#pragma once

#include "engine/usb/supported_devices.h"
#include "platform/base/wintypes.h"

#include <span>

// Image, work and read-back buffers of a download each hold this much.
constexpr DWORD FirmwareBufferSize = 0x20000;

// RZ520 and RZ521 keep their firmware on PD1, every other device on PD2.
BYTE FirmwareTarget(ChipModel model);

// How much firmware a backup or a burn-in reads from the firmware target: 0x8000 bytes
// of an RZ520, 0xC000 of an RZ521, 0x10000 of any other device.
DWORD FirmwareReadLength(ChipModel model);

// The image length for a file of `fileSize` bytes (already clipped to the buffer), or 0
// after printing the model's size error when the model does not take that size.
DWORD ImageLengthFor(ChipModel model, DWORD fileSize);

// RZ522 and RZ523 hold the image twice, in two identical banks.
bool HasDoubleBanks(ChipModel model);

// Stores the CRC in the last two of `length` bytes; with `cleanSpi` the whole buffer then
// becomes the 0x55 pattern (the length stays). Prints the image's first and last bytes.
void CompleteImage(std::span<BYTE> image, DWORD length, bool cleanSpi);

// Copies the first `length` bytes behind themselves and returns the doubled length. With
// `bank1Error` the first bank is then replaced by random bytes.
DWORD DoubleBanks(std::span<BYTE> image, DWORD length, bool bank1Error);
