// MainFrameSettings::LoadCISSettings and SaveCISSettings: the CIS settings file, key by key.
#include "engine/ports/port_sync.h"
#include "engine/settings/batched_writes.h"
#include "engine/settings/cis_setting_keys.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/settings/system_language.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

bool FileExists(const std::u16string& path)
{
    std::error_code error;
    bool exists = std::filesystem::exists(platform::WideToAnsi(path), error);
    if (error)
        platform::DebugPrintf("LoadCISSettings: cannot look up %s: %s", platform::WideToAnsi(path).c_str(),
                              error.message().c_str());
    return exists;
}

} // namespace

void MainFrameSettings::LoadCISSettings()
{
    std::fill(std::begin(CisSetting.CISImage.bytes), std::end(CisSetting.CISImage.bytes), BYTE{0});
    if (CISSettingFilePath.empty() || !FileExists(CISSettingFilePath))
        CISSettingFilePath = ProgramDrive + ProgramFolder + u"DefaultCIS.ini";
    CisIni = std::make_unique<CIniFile>(CISSettingFilePath);
    bool flashDriveMode = (FabrunMode & kFabrunModeFlashDrive) != 0;
    for (const CisSettingKey& key : CisSettingKeys())
        LoadCisSettingKey(key, KeyName(key, flashDriveMode), *CisIni, CisSetting);
    ReportSystemLanguage();
}

SettingsSaveResult MainFrameSettings::SaveCISSettings()
{
    SettingsSaveResult result;
    if (CisIni == nullptr) {
        platform::DebugPrintf("SaveCISSettings: no CIS settings file is open");
        result.unwrittenFiles.push_back(CISSettingFilePath);
        return result;
    }
    bool flashDriveMode = (FabrunMode & kFabrunModeFlashDrive) != 0;
    // Workers save every serial number they give at once: a save that read an older one
    // must not put it back.
    SerialNumberLock serialNumbers;
    SaveAsOneBatch("SaveCISSettings", *CisIni, result, [&](auto& write) {
        for (const CisSettingKey* key : CisSettingSaveOrder()) {
            const char16_t* name = KeyName(*key, flashDriveMode);
            write(name, [&] { SaveCisSettingKey(*key, name, CisSetting, *CisIni); });
        }
    });
    return result;
}
