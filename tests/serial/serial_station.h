// A station whose CIS settings file holds the serial-number keys, and the start records
// of its ports, for the serial-number tests.
#pragma once

#include "engine/ports/port_device.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/text/text.h"
#include "tests/profile/scratch_folder.h"

#include <memory>
#include <string>

struct SerialSettings {
    INT mode = 2;
    INT decimal = 0;
    ULONGLONG number = 0;
    INT step = 1;
    INT length = 16;
    std::string mask = {};
};

inline std::string SerialKeysText(const SerialSettings& s)
{
    char number[32];
    std::snprintf(number, sizeof number, "0x%08X%08X", static_cast<unsigned>(s.number >> 32),
                  static_cast<unsigned>(s.number));
    return "[CIS_Setting]\r\nSerialNumberX=" + std::string(number) + "\r\nSerialNumberY=" + std::to_string(s.length) +
           "\r\nSNType=" + std::to_string(s.mode) + "\r\nSNInterval=" + std::to_string(s.step) + "\r\nSNMask=" + s.mask +
           "\r\nDecCheck=" + std::to_string(s.decimal) + "\r\n";
}

// The program folder holds the station INI naming the CIS settings file beside it.
class SerialStation {
public:
    explicit SerialStation(const SerialSettings& settings)
    {
        WriteBytes(folder.File("Fabrun.ini"), "[Setting]\r\nCISSettingFilePath=" + CisFile() + "\r\n");
        WriteBytes(CisFile(), SerialKeysText(settings));
    }

    std::string CisFile() const { return folder.File("cis.ini"); }

    // A frame as the station has it after its start-up.
    std::unique_ptr<MainFrameSettings> Load() const
    {
        auto frame = std::make_unique<MainFrameSettings>(folder.WideFolder());
        frame->LoadSettings();
        return frame;
    }

    // SerialNumberX as the file holds it now.
    ULONGLONG SavedNumber() const { return Load()->CisSetting.SerialNumberX; }

    ScratchFolder folder;
};

inline void PreparePort(PortThreadParam& param, MainFrameSettings& frame, int port)
{
    param.mainFrame = &frame;
    param.port = port;
}
