// Serial numbers for the devices of flash-drive mode.
#pragma once

#include "engine/ports/port_device.h"
#include "engine/ports/port_thread_param.h"

#include <span>

// Gives the port's device its serial number (`serialNumber`; in mode 7 also `hdSerial`,
// the drive's own serial text). Returns a run result:
// - 1: the number is the device's. In the advancing modes (2..6) it is new: it was written
//   to SerialNumberX of the settings file before this returns, so a station that stops
//   at any moment never gives it again, and no number is given twice.
// - 11: no number could be given: the stream is used up (the next number was already
//   given, or a decimal count would go below 0) or the number could not be saved. The
//   operator is told why once; the settings keep the last number given.
// - 44: mode 7, the drive's IDENTIFY failed; `hdSerial` is left empty.
// Only the reservation of the number holds SerialNumberMutex; the IDENTIFY of mode 7 runs
// outside it.
int GenerateNextSerialNumber(PortThreadParam& param, const PortDevice& device);

// The drive's serial text from its 512 bytes of ATA IDENTIFY data: the last 16 of the 20
// characters of words 10..19, in reading order.
void DriveSerialFromIdentify(std::span<const BYTE, 512> identify, char (&serial)[16]);
