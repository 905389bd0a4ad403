// The result logs of flash-drive mode: at the end of every run that was not stopped, the
// device's result goes into the shared log (LogIni) or, with FabrunMode bit 2, into a small
// file of its own named after its serial number. Both are INI files, one section per
// device and run.
#pragma once

#include "engine/ports/port_thread_param.h"

#include <ctime>
#include <string>

// "Device%d  %u/%u/%u  %u:%u:%u": the port counted from 1, the local date and time.
std::u16string ResultSectionName(int port, const std::tm& local);

// The device's serial-number text as the logs give it (before the shared log's cut).
std::u16string ResultSerialText(const PortThreadParam& param);

// The serial-number text of the shared log: the last N characters, N from the frame's
// SerialLengthText, or from SerialNumberY while that holds no number yet.
std::u16string SharedLogSerialText(const PortThreadParam& param);

// The status text of the shared log: a warning the run went on with, when it then passed;
// else the run's result.
std::u16string SharedLogStatus(int rememberedCode, int result);

// The result file's name in `folder`, the serial-number text made safe as a file name.
std::u16string ResultTextFilePath(std::u16string_view folder, std::u16string_view serialText);

// Each writes one section: 1, or 0 (with a debug line) when a write failed or there is no
// place to write to. Neither throws: a log that cannot be written never ends the station.
int WriteDeviceResultLog(const PortThreadParam& param, int rememberedCode, int result);
int WriteDeviceResultTextFile(const PortThreadParam& param, int result);
