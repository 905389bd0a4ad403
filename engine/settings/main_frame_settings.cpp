#include "engine/settings/main_frame_settings.h"

#include "engine/settings/batched_writes.h"

#include "platform/debug/debug.h"
#include "platform/process/process.h"
#include "platform/text/text.h"

#include <cstdlib>
#include <ctime>

namespace {
constexpr const char16_t* kStationSection = u"Setting";
}

MainFrameSettings::MainFrameSettings() : MainFrameSettings(platform::ProgramFolder()) {}

MainFrameSettings::MainFrameSettings(std::u16string programFolder) : programFolder_(std::move(programFolder))
{
    if (!programFolder_.empty() && programFolder_.back() != u'/')
        programFolder_ += u'/';
}

MainFrameSettings::~MainFrameSettings() = default;

void MainFrameSettings::LoadSettings()
{
    platform::SplitDriveAndFolder(programFolder_, ProgramDrive, ProgramFolder);
    ToolIni = std::make_unique<CIniFile>(ProgramDrive + ProgramFolder + u"Fabrun.ini");
    FabrunMode = ToolIni->GetHex32(kStationSection, u"FabrunMode", 0) & ~kFabrunModeFlashDrive;
    DevNoView = ToolIni->GetInt(kStationSection, u"DevNoView", 0);
    CISSettingFilePath = ToolIni->GetString(kStationSection, u"CISSettingFilePath", u"");
    DebugFilePath = ToolIni->GetString(kStationSection, u"DebugFilePath", u"");
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    ReloadCISSettingsForMode();
}

void MainFrameSettings::ReloadCISSettingsForMode()
{
    LoadCISSettings();
    FabrunMode &= ~kFabrunModeAutoRunActive;
    CisSetting.AutoRunEnable = 0;
    if (CisSetting.LogFilePath.empty())
        LogIni.reset();
    else
        LogIni = std::make_unique<CIniFile>(CisSetting.LogFilePath.str());
}

SettingsSaveResult MainFrameSettings::SaveSettings()
{
    SettingsSaveResult result;
    if (ToolIni == nullptr) {
        platform::DebugPrintf("SaveSettings: the station settings were never loaded");
        result.unwrittenFiles.push_back(programFolder_ + u"Fabrun.ini");
    } else {
        SaveAsOneBatch("SaveSettings", *ToolIni, result, [&](auto& write) {
            write(u"DevNoView", [&] { ToolIni->WriteInt(kStationSection, u"DevNoView", DevNoView); });
            write(u"CISSettingFilePath",
                  [&] { ToolIni->WriteString(kStationSection, u"CISSettingFilePath", CISSettingFilePath); });
        });
    }
    // The CIS settings are saved even when the station INI could not be.
    SettingsSaveResult cis = SaveCISSettings();
    result.unwrittenFiles.insert(result.unwrittenFiles.end(), cis.unwrittenFiles.begin(), cis.unwrittenFiles.end());
    result.unwrittenKeys.insert(result.unwrittenKeys.end(), cis.unwrittenKeys.begin(), cis.unwrittenKeys.end());
    return result;
}
