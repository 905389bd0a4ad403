// The serial-number text of the CIS image and its 16-byte field.
#pragma once

#include "engine/cis/cis_image.h"
#include "engine/ports/port_thread_param.h"
#include "platform/base/wintypes.h"

#include <string>

constexpr std::size_t kSerialTextLength = 16;

// 16 characters: with `decimal` the number's decimal digits padded on the left with zeros
// (a number of more than 16 digits keeps its low 16, so the field never overflows), else
// "%08X%08X" of its high and low 32 bits.
std::u16string SerialNumberText(ULONGLONG number, bool decimal);

// Writes the device's serial-number text (bytes 128..143) and, big-endian, the LUN and
// system fields (bytes 16..63, taken from `source`) into `outgoing`, the copy that goes
// to the device. The settings give the mode, base, length and mask; the mask is padded
// for this device only, the settings keep it as the operator left it. Returns 1, or 11
// (the serial-number field left as it is) for a mode outside 1..7.
int FormatSerialNumberField(const PortThreadParam& param, const CISImage& source, CISImage& outgoing);

// The number the operator typed for a device, read in the base the settings say.
ULONGLONG TypedSerialNumber(std::u16string_view text, bool decimal);
