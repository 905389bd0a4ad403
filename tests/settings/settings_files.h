// A station with a program folder, its station INI and a CIS settings INI that holds
// every key with a value of its own.
#pragma once

#include "engine/settings/main_frame_settings.h"
#include "tests/profile/scratch_folder.h"

#include <string>
#include <vector>

// gtest compares through references, which must not bind to fields of a packed record.
template <class T>
T Unpacked(T value)
{
    return value;
}

struct KeyText {
    std::string key;
    std::string text; // as stored after "="
};

// Every key of the CIS settings in file order, each with a distinct value.
inline std::vector<KeyText> FullCisKeys()
{
    return {
        {"HDTestProcedureMask", "0x0000003C"}, {"FilePathOfFW", "/fw/chip.bin"}, {"FilePathOfBootCode", "/fw/boot.bin"},
        {"FilePathOfFWBackup", "/fw/backup.bin"}, {"USB_VID", "0x1D6B"}, {"USB_PID", "0x0a2c"},
        {"SerialNumberX", "0x00000001A2B3C4D5"}, {"SerialNumberY", "12"}, {"SNType", "4"}, {"SNInterval", "-2"},
        {"SNMask", "AB##"}, {"DecCheck", "1"}, {"TargetStoreMedia", "2"}, {"CIS_Mark", "RZCIS1"},
        {"Inquiry_VID", "Tarvo"}, {"Inquiry_PID", "Flash Disk"}, {"ProductStr", "USB DISK 2.0"},
        {"ManufactureStr", "Tarvo Tech"}, {"LunStartLBA[0]", "0x00000000"}, {"LunStartLBA[1]", "0x00001000"},
        {"LunStartLBA[2]", "0x00002000"}, {"LunStartLBA[3]", "0x00003000"}, {"LunCapacity[0]", "0x00100000"},
        {"LunCapacity[1]", "0x00200000"}, {"LunCapacity[2]", "0x00300000"}, {"LunCapacity[3]", "0x00400000"},
        {"LunAttribute[0]", "0x01"}, {"LunAttribute[1]", "0x02"}, {"LunAttribute[2]", "0x03"},
        {"LunAttribute[3]", "0x04"}, {"LunType[0]", "0x10"}, {"LunType[1]", "0x20"}, {"LunType[2]", "0x30"},
        {"LunType[3]", "0x40"}, {"SysStartLBA", "0x00000400"}, {"SysCapacity", "0x00000800"}, {"USB_MaxLUN", "3"},
        {"LED_CTL0", "0x5A"}, {"LED_CTL1", "0xA5"}, {"FWDownLoadRetryCount", "7"}, {"CISDownLoadRetryCount", "9"},
        {"LunTypeBitMap", "0x0020000F"}, {"SourcePublicLunPath", "/src/public"}, {"ImagePublicLunPath", "/img/public.img"},
        {"SourceSecurityLunPath", "/src/security"}, {"ImageSecurityLunPath", "/img/security.img"},
        {"SourceIso9660LunPath", "/src/iso"}, {"ImageIso9660LunPath", "/img/cd.iso"},
        {"SourceHiddenLunPath", "/src/hidden"}, {"ImageHiddenLunPath", "/img/hidden.img"},
        {"VolumeLable[0]", "PUBLIC"}, {"VolumeLable[1]", "SECURE"}, {"VolumeLable[2]", "CDROM"},
        {"VolumeLable[3]", "HIDDEN"}, {"ImageType[0]", "0x82"}, {"ImageType[1]", "0x41"}, {"ImageType[2]", "0x03"},
        {"ImageType[3]", "0x04"}, {"LogFilePath", "/logs/result.log"}, {"FormatLunBitMap", "0x05"},
        {"PassWordStr", "secret"}, {"StressTestSize", "0x00000040"}, {"DisableFilterDrv", "0x01"},
        {"AutoRunEnable", "0x01"}, {"FilePathOfFW2", "/fw/hub.bin"}, {"HubDLEnable", "0x01"},
        {"FormatNTFSByOS", "0x02"}, {"BackUpFWAndCIS", "0x03"}, {"RunSLTMode", "0x04"}, {"CleanSPI", "0x05"},
        {"BurnInCycle", "0x00000064"}, {"PowerOnOffCycle", "0x000000C8"}, {"Bank1Error", "0x06"},
        {"Create112KForHubAnd521", "0x07"}, {"Create256KForHubAnd522", "0x08"}, {"BackUpWholeSPIx32K", "0x09"},
        {"SetHubHighZ", "0x0A"}, {"ChangeCISBitMap", "0x0B"}, {"PwrOnOffCnt", "0x00000005"},
        {"QT6180FWOffset64K", "0x0C"}, {"SecurityDeviceCnt", "0x0D"}, {"SecurityFwFile1", "/sec/1.bin"},
        {"SecurityFwFile2", "/sec/2.bin"}, {"SecurityFwFile3", "/sec/3.bin"}, {"SecurityFwFile4", "/sec/4.bin"},
        {"SecurityFwFile5", "/sec/5.bin"}, {"SecurityFwFile6", "/sec/6.bin"}, {"SecurityFwFile7", "/sec/7.bin"},
    };
}

inline std::string IniText(const std::string& section, const std::vector<KeyText>& keys)
{
    std::string text = "[" + section + "]\r\n";
    for (const KeyText& key : keys)
        text += key.key + "=" + key.text + "\r\n";
    return text;
}

class StationFolder {
public:
    std::string StationIni() const { return program.File("Fabrun.ini"); }
    std::string CisIni() const { return other.File("station-cis.ini"); }

    // A station INI naming the CIS file, and the CIS file itself.
    void WriteFiles(const std::vector<KeyText>& cisKeys, const std::string& fabrunMode = "0x00000203")
    {
        WriteBytes(StationIni(), "[Setting]\r\nLanguage=ENU\r\nFabrunMode=" + fabrunMode +
                                     "\r\nDevNoView=8\r\nCISSettingFilePath=" + CisIni() +
                                     "\r\nDebugFilePath=/dbg/\r\n[ENU]\r\nSetting=Setting\r\n");
        WriteBytes(CisIni(), IniText("CIS_Setting", cisKeys));
    }

    ScratchFolder program;
    ScratchFolder other;
};
