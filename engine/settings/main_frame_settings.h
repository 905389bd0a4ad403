// The main frame's settings: the settings record, the station members beside it and the
// INI files they come from, with the frame's four load and save operations. The console's
// CMainFrame derives from this class; the port workers reach it through their start record.
#pragma once

#include "engine/ini/ini_file.h"
#include "engine/settings/cis_setting.h"

#include <memory>
#include <string>
#include <vector>

constexpr DWORD kFabrunModeFlashDrive = 0x01;       // flash-drive mode, else chip mode
constexpr DWORD kFabrunModeTypedSerial = 0x02;      // the operator types each serial number
constexpr DWORD kFabrunModeAutoRunActive = 0x200;   // an automatic run is in progress

// What a save could not write, for the operator: empty when everything was saved.
struct SettingsSaveResult {
    std::vector<std::u16string> unwrittenFiles; // files not written, or written without some keys
    std::vector<std::u16string> unwrittenKeys;  // keys whose value no INI line can hold; the file keeps their old line
    bool Saved() const { return unwrittenFiles.empty() && unwrittenKeys.empty(); }
};

class MainFrameSettings {
public:
    // The program folder (with its trailing '/') holds the station INI and the default CIS file.
    MainFrameSettings();
    explicit MainFrameSettings(std::u16string programFolder);
    virtual ~MainFrameSettings();
    MainFrameSettings(const MainFrameSettings&) = delete;
    MainFrameSettings& operator=(const MainFrameSettings&) = delete;

    // The station INI and then the CIS settings; leaves chip mode selected (FabrunMode bit 0 clear).
    void LoadSettings();
    // Every key of the CIS settings file; falls back to DefaultCIS.ini beside the program.
    void LoadCISSettings();
    // The CIS settings again, as the start-up takes them, for a mode selected after the load:
    // some keys have a name of their own in flash-drive mode, and the save writes those.
    void ReloadCISSettingsForMode();
    // DevNoView and CISSettingFilePath to the station INI, then the CIS settings. A failed
    // write does not stop the other file from being saved, and nothing is thrown.
    SettingsSaveResult SaveSettings();
    SettingsSaveResult SaveCISSettings();

    CISSetting CisSetting;
    INT DevNoView = 0;
    DWORD FabrunMode = 0;
    std::unique_ptr<CIniFile> ToolIni;
    std::unique_ptr<CIniFile> LogIni;
    std::unique_ptr<CIniFile> CisIni;
    std::u16string CISSettingFilePath;
    std::u16string DebugFilePath;
    std::u16string ProgramDrive;
    std::u16string ProgramFolder;
    // The serial-number length as decimal text, kept by the console; empty until first
    // filled. The shared result log cuts serial numbers to it.
    std::u16string SerialLengthText;

private:
    std::u16string programFolder_;
};
