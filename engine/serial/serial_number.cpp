#include "engine/serial/serial_number.h"

#include "engine/ports/port_sync.h"
#include "engine/ports/run_result.h"
#include "engine/serial/issued_serial_numbers.h"
#include "engine/serial/serial_advance.h"
#include "engine/serial/serial_field.h"
#include "engine/settings/cis_setting_keys.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr INT kIdentifyLength = 512;
constexpr std::size_t kIdentifySerialTail = 24; // the last 16 of the serial's 20 characters, words 12..19

std::string Narrow(const std::u16string& text)
{
    return platform::WideToAnsi(text);
}

int ReadDriveSerial(PortThreadParam& param, const PortDevice& device)
{
    std::fill(std::begin(param.hdSerial), std::end(param.hdSerial), '\0');
    BYTE identify[kIdentifyLength] = {};
    if (device.ctrl == nullptr || !device.ctrl->ATAIdentify_USD(device.handles, device.index, kIdentifyLength, identify)) {
        platform::DebugPrintf("Port %d: IDENTIFY failed, the drive's serial number is unknown", param.port);
        return RunResult::ReadHdSerialFail;
    }
    DriveSerialFromIdentify(identify, param.hdSerial);
    return RunResult::Success;
}

struct Reservation {
    int result = RunResult::Success;
    std::u16string operatorMessage; // shown after the lock is released
};

Reservation Refuse(IssuedSerialNumbers& issued, std::u16string message)
{
    platform::DebugPrintf("GenerateNextSerialNumber: %s", Narrow(message).c_str());
    Reservation refused{RunResult::SerialNumberFail, {}};
    if (issued.TellOperatorOnce())
        refused.operatorMessage = std::move(message);
    return refused;
}

// Under SerialNumberMutex: the next number, kept in the settings and their file, or why not.
Reservation ReserveNextNumber(PortThreadParam& param, INT mode)
{
    MainFrameSettings& frame = *param.mainFrame;
    CISSetting& settings = frame.CisSetting;
    const bool decimal = settings.DecCheck != 0;
    const ULONGLONG current = settings.SerialNumberX;
    if (!serial::ModeAdvances(mode)) {
        param.serialNumber = current;
        return {};
    }
    const std::u16string file = frame.CisIni != nullptr ? frame.CisIni->Path() : frame.CISSettingFilePath;
    IssuedSerialNumbers& issued = IssuedSerialNumbersOf(file);
    issued.Follow(mode, current);

    std::optional<ULONGLONG> next = AdvanceSerialNumber(mode, decimal, current, settings.SNInterval);
    if (!next)
        return Refuse(issued, u"The serial numbers are used up: the next one would be below 0. "
                              u"Set a new serial number or step.");
    if (issued.WasIssued(*next)) {
        const std::u16string text = SerialNumberText(*next, decimal);
        if (serial::ModeIsRandom(mode))
            return Refuse(issued, u"The random serial numbers are used up: the next one, " + text +
                                      u", was already given to a device. Choose another serial-number mode.");
        return Refuse(issued, u"The serial numbers are used up: the next one, " + text +
                                  u", was already given to a device. Set a new serial number or step.");
    }
    if (frame.CisIni == nullptr)
        return Refuse(issued, u"The next serial number cannot be saved: no CIS settings file is open. "
                              u"No number was given to the device.");
    try {
        frame.CisIni->WriteHex64(kCisSettingSection, u"SerialNumberX", *next);
    } catch (const CIniFileException&) {
        return Refuse(issued, u"The next serial number could not be saved to " + file +
                                  u". No number was given to the device.");
    }
    settings.SerialNumberX = *next;
    issued.Record(*next);
    param.serialNumber = *next;
    return {};
}

} // namespace

// ATA strings hold the first character of each pair in the word's high byte.
void DriveSerialFromIdentify(std::span<const BYTE, 512> identify, char (&serial)[16])
{
    for (std::size_t i = 0; i < sizeof serial; i += 2) {
        serial[i] = static_cast<char>(identify[kIdentifySerialTail + i + 1]);
        serial[i + 1] = static_cast<char>(identify[kIdentifySerialTail + i]);
    }
}

int GenerateNextSerialNumber(PortThreadParam& param, const PortDevice& device)
{
    const INT mode = param.mainFrame->CisSetting.SNType;
    if (mode == serial::kReadFromHd) {
        int read = ReadDriveSerial(param, device);
        if (read != RunResult::Success)
            return read;
    }
    Reservation reservation;
    {
        SerialNumberLock lock;
        if (!lock.Held())
            return RunResult::SerialNumberFail;
        reservation = ReserveNextNumber(param, mode);
    }
    if (!reservation.operatorMessage.empty())
        MessageBoxW(nullptr, reservation.operatorMessage.c_str(), u"Fabrun", MB_OK | MB_ICONERROR);
    return reservation.result;
}
