// Stand-in for the maker's closed hub-access library: finds the maker's hubs named by an
// enumeration table and reads and writes their registers.
//
// Hubs are found among the USB devices udev knows (vendor, product, release number and
// USB generation from sysfs); a register access is one vendor control request on the
// hub's usbfs node (bRequest the command byte, wValue the register, one data byte). A
// system without such hubs finds none and says so in a debug line.
#pragma once

#include "platform/base/wintypes.h"

#include <cstddef>

// Size of the information buffer VA_GetEnumInfo fills.
constexpr std::size_t VA_EnumInfoSize = 24784;
constexpr int VA_RegRead = 1;
constexpr int VA_RegWrite = 0;

// Takes the hubs to look for: a count byte, then per hub 7 packed little-endian bytes
// {product id, vendor id, release number, USB generation}. *accepted receives the count
// taken. Returns 1, or 0 for a table it cannot use.
int VA_SetIniInfo(const BYTE* enumTable, DWORD* accepted);
// Looks for those hubs; byte 0 of `info` (VA_EnumInfoSize bytes) receives the number
// found, the rest is cleared. Returns that number.
int VA_GetEnumInfo(BYTE* info, int flags);
// Reads (VA_RegRead: into *data) or writes (VA_RegWrite: `value`) one register of the
// hub found at `hubIndex`. Returns 0 on success, another value on failure.
int VA_AccessReg(int hubIndex, int direction, BYTE command, WORD reg, BYTE value, BYTE* data);
