#include "engine/settings/main_frame_settings.h"
#include "platform/text/text.h"
#include "tests/settings/settings_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

std::u16string W(const std::string& ascii)
{
    return platform::AnsiToWide(ascii);
}

std::string ImageBytes(const CISSetting& setting, std::size_t offset, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(setting.CISImage.bytes + offset), size);
}

class SettingsLoadSave : public ::testing::Test {
protected:
    void Load(const std::vector<KeyText>& cisKeys, const std::string& fabrunMode = "0x00000203")
    {
        station.WriteFiles(cisKeys, fabrunMode);
        settings.LoadSettings();
    }

    StationFolder station;
    MainFrameSettings settings{station.program.WideFolder()};
};

TEST_F(SettingsLoadSave, LoadFillsEveryFieldFromItsKey)
{
    Load(FullCisKeys());
    EXPECT_EQ(settings.FabrunMode, 0x2u) << "bits 0 and 9 are cleared at every load";
    EXPECT_EQ(settings.DevNoView, 8);
    EXPECT_EQ(settings.CISSettingFilePath, W(station.CisIni()));
    EXPECT_EQ(settings.DebugFilePath, u"/dbg/");
    ASSERT_NE(settings.ToolIni, nullptr);
    EXPECT_EQ(settings.ToolIni->Path(), W(station.StationIni()));
    ASSERT_NE(settings.CisIni, nullptr);
    EXPECT_EQ(settings.CisIni->Path(), W(station.CisIni()));
    ASSERT_NE(settings.LogIni, nullptr);
    EXPECT_EQ(settings.LogIni->Path(), u"/logs/result.log");

    const CISSetting& s = settings.CisSetting;
    EXPECT_EQ(Unpacked(s.TestProcedureMask), 0x3Cu);
    EXPECT_EQ(s.FilePathOfFW, u"/fw/chip.bin");
    EXPECT_EQ(s.FilePathOfBootCode, u"/fw/boot.bin");
    EXPECT_EQ(s.FilePathOfFWBackup, u"/fw/backup.bin");
    EXPECT_EQ(s.USB_VID, u"0x1D6B");
    EXPECT_EQ(s.USB_PID, u"0x0a2c");
    EXPECT_EQ(Unpacked(s.SerialNumberX), 0x1A2B3C4D5u);
    EXPECT_EQ(Unpacked(s.SerialNumberY), 12);
    EXPECT_EQ(Unpacked(s.SNType), 4);
    EXPECT_EQ(Unpacked(s.SNInterval), -2);
    EXPECT_EQ(s.SNMask, u"AB##");
    EXPECT_EQ(Unpacked(s.DecCheck), 1);
    EXPECT_EQ(Unpacked(s.TargetStoreMedia), 2);
    EXPECT_EQ(s.CIS_Mark, u"RZCIS1");
    EXPECT_EQ(s.Inquiry_VID, u"Tarvo");
    EXPECT_EQ(s.Inquiry_PID, u"Flash Disk");
    EXPECT_EQ(s.ProductStr, u"USB DISK 2.0");
    EXPECT_EQ(s.ManufactureStr, u"Tarvo Tech");
    for (std::size_t lun = 0; lun < cis::kLunCount; ++lun) {
        EXPECT_EQ(s.CISImage.Dword(cis::kLunStartLba + 4 * lun), 0x1000 * lun);
        EXPECT_EQ(s.CISImage.Dword(cis::kLunCapacity + 4 * lun), 0x100000 * (lun + 1));
        EXPECT_EQ(s.CISImage.bytes[cis::kLunAttribute + lun], lun + 1);
        EXPECT_EQ(s.CISImage.bytes[cis::kLunType + lun], 0x10 * (lun + 1));
    }
    EXPECT_EQ(s.CISImage.Dword(cis::kSysStartLba), 0x400u);
    EXPECT_EQ(s.CISImage.Dword(cis::kSysCapacity), 0x800u);
    EXPECT_EQ(s.CISImage.bytes[cis::kUsbMaxLun], 3);
    EXPECT_EQ(s.CISImage.bytes[cis::kLedCtl0], 0x5A);
    EXPECT_EQ(s.CISImage.bytes[cis::kLedCtl1], 0xA5);
    EXPECT_EQ(Unpacked(s.FWDownLoadRetryCount), 7);
    EXPECT_EQ(Unpacked(s.CISDownLoadRetryCount), 9);
    EXPECT_EQ(Unpacked(s.LunTypeBitMap), 0x0020000Fu);
    EXPECT_EQ(s.SourcePublicLunPath, u"/src/public");
    EXPECT_EQ(s.ImagePublicLunPath, u"/img/public.img");
    EXPECT_EQ(s.SourceSecurityLunPath, u"/src/security");
    EXPECT_EQ(s.ImageSecurityLunPath, u"/img/security.img");
    EXPECT_EQ(s.SourceIso9660LunPath, u"/src/iso");
    EXPECT_EQ(s.ImageIso9660LunPath, u"/img/cd.iso");
    EXPECT_EQ(s.SourceHiddenLunPath, u"/src/hidden");
    EXPECT_EQ(s.ImageHiddenLunPath, u"/img/hidden.img");
    EXPECT_EQ(s.VolumeLable[0], u"PUBLIC");
    EXPECT_EQ(s.VolumeLable[3], u"HIDDEN");
    EXPECT_EQ(std::vector<BYTE>(s.ImageType, s.ImageType + 4), (std::vector<BYTE>{0x82, 0x41, 0x03, 0x04}));
    EXPECT_EQ(s.LogFilePath, u"/logs/result.log");
    EXPECT_EQ(s.FormatLunBitMap, 0x05);
    EXPECT_EQ(s.PassWordStr, u"secret");
    EXPECT_EQ(Unpacked(s.StressTestSize), 0x40u);
    EXPECT_EQ(s.DisableFilterDrv, 1);
    EXPECT_EQ(s.AutoRunEnable, 0) << "the automatic run is off after every load";
    EXPECT_EQ(s.FilePathOfFW2, u"/fw/hub.bin");
    EXPECT_EQ((std::vector<BYTE>{s.HubDLEnable, s.FormatNTFSByOS, s.BackUpFWAndCIS, s.RunSLTMode, s.CleanSPI}),
              (std::vector<BYTE>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Unpacked(s.BurnInCycle), 100u);
    EXPECT_EQ(Unpacked(s.PowerOnOffCycle), 200u);
    EXPECT_EQ((std::vector<BYTE>{s.Bank1Error, s.Create112KForHubAnd521, s.Create256KForHubAnd522,
                                 s.BackUpWholeSPIx32K, s.SetHubHighZ, s.ChangeCISBitMap}),
              (std::vector<BYTE>{6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(Unpacked(s.PwrOnOffCnt), 0u) << "read, then reset";
    EXPECT_EQ(s.QT6180FWOffset64K, 0x0C);
    EXPECT_EQ(s.SecurityDeviceCnt, 0x0D);
    EXPECT_TRUE(s.SecurityFwFile[0].empty());
    EXPECT_EQ(s.SecurityFwFile[1], u"/sec/1.bin");
    EXPECT_EQ(s.SecurityFwFile[7], u"/sec/7.bin");

    // The identity texts in the image.
    EXPECT_EQ(ImageBytes(s, cis::kMark, 6), "RZCIS1");
    EXPECT_EQ(s.CISImage.Word(cis::kUsbVendorId), 0x1D6B);
    EXPECT_EQ(s.CISImage.Word(cis::kUsbProductId), 0x0A2C);
    EXPECT_EQ(ImageBytes(s, cis::kInquiryVendor, 8), std::string("Tarvo\0\0\0", 8));
    EXPECT_EQ(ImageBytes(s, cis::kInquiryProduct, 16), std::string("Flash Disk\0\0\0\0\0\0", 16));
    EXPECT_EQ(ImageBytes(s, cis::kManufacturer, 32), "Tarvo Tech" + std::string(22, '\0'));
    EXPECT_EQ(ImageBytes(s, cis::kProduct, 32), "USB DISK 2.0" + std::string(20, '\0'));
    EXPECT_EQ(ImageBytes(s, cis::kPassword, 16), "secret" + std::string(10, '\0'));
    EXPECT_EQ(ImageBytes(s, 256, 768), std::string(768, '\0')) << "the device part starts zeroed";
}

// What a save of the loaded record must write, in save order: the mask key, CIS_Mark, the rest.
std::vector<KeyText> ExpectedSave(std::vector<KeyText> keys, const std::map<std::string, std::string>& changed)
{
    std::vector<KeyText> order{keys[0], keys[13]};
    for (std::size_t i = 1; i < keys.size(); ++i)
        if (i != 13)
            order.push_back(keys[i]);
    for (KeyText& key : order)
        if (auto it = changed.find(key.key); it != changed.end())
            key.text = it->second;
    return order;
}

TEST_F(SettingsLoadSave, SaveToANewFileWritesEveryKeyInOrderAndForm)
{
    Load(FullCisKeys());
    std::string saved = station.other.File("saved-as.ini");
    settings.CisIni = std::make_unique<CIniFile>(W(saved));
    ASSERT_TRUE(settings.SaveCISSettings().Saved());
    auto expected = ExpectedSave(FullCisKeys(), {{"FWDownLoadRetryCount", "3"}, {"CISDownLoadRetryCount", "3"},
                                                 {"AutoRunEnable", "0x00"}, {"PwrOnOffCnt", "0x00000000"}});
    EXPECT_EQ(ReadBytes(saved), IniText("CIS_Setting", expected));
}

TEST_F(SettingsLoadSave, SavedChangesLoadBackAndTheStationFileKeepsItsOtherLines)
{
    Load(FullCisKeys());
    CISSetting& s = settings.CisSetting;
    s.SerialNumberX = 0xFEDCBA9876543210;
    s.CISImage.SetDword(cis::kLunCapacity + 4, 0x12345678);
    s.CISImage.bytes[cis::kUsbMaxLun] = 1;
    s.SNInterval = -7;
    s.PwrOnOffCnt = 9;
    s.CIS_Mark = u"NEWMRK";
    s.SecurityFwFile[0] = u"never saved";
    settings.DevNoView = 16;
    settings.CISSettingFilePath = W(station.CisIni());
    ASSERT_TRUE(settings.SaveSettings().Saved());

    EXPECT_EQ(ReadBytes(station.StationIni()), "[Setting]\r\nLanguage=ENU\r\nFabrunMode=0x00000203\r\nDevNoView=16\r\n"
                                               "CISSettingFilePath=" + station.CisIni() +
                                                   "\r\nDebugFilePath=/dbg/\r\n[ENU]\r\nSetting=Setting\r\n");
    // An existing file keeps its own key order; only values change.
    std::vector<KeyText> expected = FullCisKeys();
    std::map<std::string, std::string> changed = {
        {"SerialNumberX", "0xFEDCBA9876543210"}, {"LunCapacity[1]", "0x12345678"}, {"USB_MaxLUN", "1"},
        {"SNInterval", "-7"}, {"PwrOnOffCnt", "0x00000009"}, {"CIS_Mark", "NEWMRK"}, {"FWDownLoadRetryCount", "3"},
        {"CISDownLoadRetryCount", "3"}, {"AutoRunEnable", "0x00"}};
    for (KeyText& key : expected)
        if (auto it = changed.find(key.key); it != changed.end())
            key.text = it->second;
    EXPECT_EQ(ReadBytes(station.CisIni()), IniText("CIS_Setting", expected));

    MainFrameSettings reloaded(station.program.WideFolder());
    reloaded.LoadSettings();
    EXPECT_EQ(reloaded.DevNoView, 16);
    EXPECT_EQ(Unpacked(reloaded.CisSetting.SerialNumberX), 0xFEDCBA9876543210u);
    EXPECT_EQ(reloaded.CisSetting.CISImage.Dword(cis::kLunCapacity + 4), 0x12345678u);
    EXPECT_EQ(Unpacked(reloaded.CisSetting.SNInterval), -7);
    EXPECT_EQ(ImageBytes(reloaded.CisSetting, cis::kMark, 6), "NEWMRK");
    EXPECT_EQ(Unpacked(reloaded.CisSetting.PwrOnOffCnt), 0u);
}

TEST_F(SettingsLoadSave, FlashDriveModeUsesThePenDriveMaskKey)
{
    std::vector<KeyText> keys = FullCisKeys();
    keys.insert(keys.begin() + 1, {"PenDriveTestProcedureMask", "0x00000011"});
    Load(keys);
    EXPECT_EQ(Unpacked(settings.CisSetting.TestProcedureMask), 0x3Cu);
    settings.FabrunMode |= kFabrunModeFlashDrive;
    settings.LoadCISSettings();
    EXPECT_EQ(Unpacked(settings.CisSetting.TestProcedureMask), 0x11u);

    std::string saved = station.other.File("flash.ini");
    settings.CisIni = std::make_unique<CIniFile>(W(saved));
    ASSERT_TRUE(settings.SaveCISSettings().Saved());
    EXPECT_TRUE(ReadBytes(saved).starts_with("[CIS_Setting]\r\nPenDriveTestProcedureMask=0x00000011\r\n"
                                             "CIS_Mark=RZCIS1\r\nFilePathOfFW="));
}

struct ModeCase {
    std::string stored;
    DWORD loaded;
};

class FabrunModeLoad : public SettingsLoadSave, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(FabrunModeLoad, ChipModeAndNoAutomaticRunAfterLoad)
{
    Load(FullCisKeys(), GetParam().stored);
    EXPECT_EQ(settings.FabrunMode, GetParam().loaded);
}

INSTANTIATE_TEST_SUITE_P(Values, FabrunModeLoad,
                         ::testing::Values(ModeCase{"0x00000001", 0}, ModeCase{"0x00000203", 2},
                                           ModeCase{"0x000011FF", 0x11FE}, ModeCase{"", 0}));

struct ImageTextCase {
    const char* name;
    std::string key;
    std::string value; // empty: the key is left out
    std::size_t offset;
    std::string expected; // the image bytes from `offset` on, into the field that follows
};

class ImageTextLoad : public SettingsLoadSave, public ::testing::WithParamInterface<ImageTextCase> {};

TEST_P(ImageTextLoad, TextsFillTheirImageFieldsWithinBounds)
{
    const ImageTextCase& c = GetParam();
    std::vector<KeyText> keys = FullCisKeys();
    std::erase_if(keys, [&](const KeyText& key) { return key.key == c.key; });
    if (!c.value.empty())
        keys.push_back({c.key, c.value});
    Load(keys);
    EXPECT_EQ(ImageBytes(settings.CisSetting, c.offset, c.expected.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ImageTextLoad,
    ::testing::Values(
        ImageTextCase{"MarkDefault", "CIS_Mark", "", cis::kMark, "VD3CIS\x5A"}, // LED_CTL0 follows
        ImageTextCase{"LongMarkHasNoTerminator", "CIS_Mark", "ABCDEFGH", cis::kMark, "ABCDEF\x5A"},
        ImageTextCase{"ShortMarkZeroFilled", "CIS_Mark", "AB", cis::kMark, std::string("AB\0\0\0\0\x5A", 7)},
        ImageTextCase{"MarkKeepsCharactersWhole", "CIS_Mark", "ABCDE\xc3\xa9", cis::kMark,
                      std::string("ABCDE\0\x5A", 7)},
        ImageTextCase{"LongManufacturerFillsTheField", "ManufactureStr", std::string(40, 'm'), cis::kManufacturer,
                      std::string(32, 'm') + "USB DISK"},
        ImageTextCase{"ShortManufacturer", "ManufactureStr", "Maker", cis::kManufacturer,
                      "Maker" + std::string(27, '\0') + "USB"},
        ImageTextCase{"ProductLowBytes", "ProductStr", "Disk \xc3\xa9\xe4\xb8\xad", cis::kProduct,
                      "Disk \xe9\x2d" + std::string(25, '\0')},
        ImageTextCase{"LongPassword", "PassWordStr", std::string(20, 'p'), cis::kPassword,
                      std::string(16, 'p') + std::string(4, '\0')},
        ImageTextCase{"LongInquiryVendor", "Inquiry_VID", "ABCDEFGHIJ", cis::kInquiryVendor, "ABCDEFGHFlash"},
        ImageTextCase{"LongInquiryProduct", "Inquiry_PID", std::string(20, 'q'), cis::kInquiryProduct,
                      std::string(16, 'q') + std::string(4, '\0')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsLoadSave, MissingFilesGiveDefaultsAndTheDefaultCisFileBesideTheProgram)
{
    WriteBytes(station.program.File("DefaultCIS.ini"), "[CIS_Setting]\r\nSNType=6\r\n");
    settings.LoadSettings();
    EXPECT_EQ(settings.FabrunMode, 0u);
    EXPECT_EQ(settings.DevNoView, 0);
    EXPECT_EQ(settings.DebugFilePath, u"");
    EXPECT_EQ(settings.CISSettingFilePath, station.program.WideFile("DefaultCIS.ini"));
    EXPECT_EQ(Unpacked(settings.CisSetting.SNType), 6);
    EXPECT_EQ(settings.CisSetting.CIS_Mark, u"VD3CIS");
    EXPECT_EQ(settings.CisSetting.FilePathOfFW, u"");
    EXPECT_EQ(settings.LogIni, nullptr);

    // A station INI naming a CIS file that is gone falls back the same way.
    WriteBytes(station.StationIni(), "[Setting]\r\nCISSettingFilePath=" + station.other.File("gone.ini") + "\r\n");
    settings.LoadSettings();
    EXPECT_EQ(settings.CISSettingFilePath, station.program.WideFile("DefaultCIS.ini"));
    EXPECT_EQ(Unpacked(settings.CisSetting.SNType), 6);
}

TEST_F(SettingsLoadSave, EveryCisLoadRebuildsTheImage)
{
    Load(FullCisKeys());
    settings.CisSetting.CISImage.bytes[700] = 0x77;
    settings.CisSetting.CISImage.bytes[cis::kSerialNumber] = '9';
    settings.CisSetting.FlashPartName.Set(u"kept");
    settings.LoadCISSettings();
    EXPECT_EQ(settings.CisSetting.CISImage.bytes[700], 0);
    EXPECT_EQ(settings.CisSetting.CISImage.bytes[cis::kSerialNumber], 0);
    EXPECT_EQ(settings.CisSetting.FlashPartName.Get(), u"kept") << "not stored in the INI";
}

} // namespace
