// Times a full settings load (the station INI and every CIS key, each one private-profile
// call with fresh-read semantics) and a full save (every key written, each changed file
// replaced atomically once per save) on a realistic station: a station INI with three
// caption languages and a CIS settings file with every key. Goals on the station PC: load
// under 5 ms, save under 50 ms; the goal line of the save writes both files new.
#include "engine/settings/main_frame_settings.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kLoadRuns = 200;
constexpr int kSaveRuns = 20;

struct Figures {
    double median;
    double worst;
};

Figures Time(int runs, const std::function<void(int)>& prepare, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        prepare(run);
        auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void Report(const char* what, Figures figures, double goal)
{
    std::printf("%-52s median %7.3f ms   worst %7.3f ms   (goal %g ms)\n", what, figures.median, figures.worst, goal);
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Files not touched for an hour, as at a station's start-up.
void Age(const std::string& path)
{
    timespec old{std::time(nullptr) - 3600, 0};
    timespec times[2] = {old, old};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string StationIni(const std::string& cisPath)
{
    std::string text = "[Setting]\r\nLanguage=CHT\r\nFabrunMode=0x00000020\r\nDevNoView=16\r\nCISSettingFilePath=" +
                       cisPath + "\r\nDebugFilePath=/var/tmp/fabrun-dump/\r\n";
    for (const char* language : {"CHS", "CHT", "JPN"}) {
        text += std::string("[") + language + "]\r\n";
        for (int caption = 0; caption < 180; ++caption)
            text += "Caption" + std::to_string(caption) + "=\xe8\xa8\xad\xe5\xae\x9a " + std::to_string(caption) + "\r\n";
    }
    return text;
}

std::string CisIni()
{
    std::string text = "[CIS_Setting]\r\nHDTestProcedureMask=0x00000000\r\nCIS_Mark=VD3CIS\r\n";
    const char* paths[] = {"FilePathOfFW", "FilePathOfBootCode", "FilePathOfFWBackup", "SNMask", "Inquiry_VID",
                           "Inquiry_PID", "ProductStr", "ManufactureStr", "SourcePublicLunPath", "ImagePublicLunPath",
                           "SourceSecurityLunPath", "ImageSecurityLunPath", "SourceIso9660LunPath",
                           "ImageIso9660LunPath", "SourceHiddenLunPath", "ImageHiddenLunPath", "LogFilePath",
                           "PassWordStr", "FilePathOfFW2"};
    for (const char* key : paths)
        text += std::string(key) + "=/srv/station/files/" + key + ".bin\r\n";
    text += "USB_VID=0x1D6B\r\nUSB_PID=0x0A2C\r\nSerialNumberX=0x0000000000001000\r\nSerialNumberY=12\r\nSNType=2\r\n"
            "SNInterval=1\r\nDecCheck=1\r\nTargetStoreMedia=2\r\nLunTypeBitMap=0x0020000F\r\n";
    for (int lun = 0; lun < 4; ++lun) {
        std::string n = std::to_string(lun);
        text += "LunStartLBA[" + n + "]=0x00001000\r\nLunCapacity[" + n + "]=0x00100000\r\nLunAttribute[" + n +
                "]=0x01\r\nLunType[" + n + "]=0x02\r\nVolumeLable[" + n + "]=LUN" + n + "\r\nImageType[" + n +
                "]=0x82\r\n";
    }
    for (const char* key : {"SysStartLBA", "SysCapacity", "StressTestSize", "BurnInCycle", "PowerOnOffCycle",
                            "PwrOnOffCnt"})
        text += std::string(key) + "=0x00000010\r\n";
    for (const char* key : {"LED_CTL0", "LED_CTL1", "FormatLunBitMap", "DisableFilterDrv", "AutoRunEnable",
                            "HubDLEnable", "FormatNTFSByOS", "BackUpFWAndCIS", "RunSLTMode", "CleanSPI", "Bank1Error",
                            "Create112KForHubAnd521", "Create256KForHubAnd522", "BackUpWholeSPIx32K", "SetHubHighZ",
                            "ChangeCISBitMap", "QT6180FWOffset64K", "SecurityDeviceCnt"})
        text += std::string(key) + "=0x01\r\n";
    text += "USB_MaxLUN=3\r\nFWDownLoadRetryCount=3\r\nCISDownLoadRetryCount=3\r\n";
    for (int file = 1; file <= 7; ++file)
        text += "SecurityFwFile" + std::to_string(file) + "=/srv/station/security/" + std::to_string(file) + ".bin\r\n";
    return text;
}

} // namespace

int main()
{
    std::string folder = (std::filesystem::temp_directory_path() / "fabrun-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    folder += '/';
    const std::string station = folder + "Fabrun.ini";
    const std::string cis = folder + "station-cis.ini";
    Write(station, StationIni(cis));
    Write(cis, CisIni());
    platform::SetDebugSink([](std::string_view) {}); // the language lines are not what is measured
    std::printf("station INI %ju bytes, CIS settings INI %ju bytes, in %s\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(station)),
                static_cast<std::uintmax_t>(std::filesystem::file_size(cis)), folder.c_str());

    auto load = [&] {
        MainFrameSettings settings(platform::AnsiToWide(folder));
        settings.LoadSettings();
    };
    Age(station);
    Age(cis);
    Report("load, first in the process (files parsed)", Time(1, [](int) {}, load), 5);
    Report("load, files unchanged since start-up", Time(kLoadRuns, [](int) {}, load), 5);
    // Just written: the time stamps alone cannot be trusted, each call compares the bytes.
    Report("load, files written a moment ago", Time(kLoadRuns, [&](int) {
        Write(station, StationIni(cis));
        Write(cis, CisIni());
    }, load), 5);

    MainFrameSettings settings(platform::AnsiToWide(folder));
    settings.LoadSettings();
    auto save = [&] {
        if (!settings.SaveSettings().Saved()) {
            std::fprintf(stderr, "a save failed\n");
            std::exit(1);
        }
    };
    Report("save, full, to new files (every key written)", Time(kSaveRuns, [&](int run) {
        std::string target = folder + "saved-" + std::to_string(run);
        std::filesystem::create_directory(target);
        settings.ToolIni = std::make_unique<CIniFile>(platform::AnsiToWide(target + "/Fabrun.ini"));
        settings.CISSettingFilePath = platform::AnsiToWide(target + "/cis.ini");
        settings.CisIni = std::make_unique<CIniFile>(settings.CISSettingFilePath);
    }, save), 50);
    Report("save, nothing changed", Time(kSaveRuns, [](int) {}, save), 50);
    Report("save, serial number advanced (one key rewritten)", Time(kSaveRuns, [&](int run) {
        settings.CisSetting.SerialNumberX = settings.CisSetting.SerialNumberX + 1 + run;
    }, save), 50);

    std::filesystem::remove_all(folder);
    return 0;
}
