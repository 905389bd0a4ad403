// The flash-drive settings page on its own: its switches with what they grey, the build
// options and lists, the field rules it shares with the chip page (with its own limits),
// its choosers, captions and fill, each a table of cases on the widget over a frame's
// loaded settings.
#include "field_edit_cases.h"
#include "ufd_page_fixture.h"

#include <cstring>

namespace settingstest {
namespace {

using UfdPage = FieldEditTest<UfdPageTest>;

constexpr UINT kBuildOptions[] = {IDC_UFD_FORCE_FIRST_BUILD, IDC_UFD_CLEAR_SYSTEM_BLOCK, IDC_UFD_FORCE_SECOND_BUILD,
                                  IDC_UFD_SCAN_BLOCK_ONLY,   IDC_UFD_DUMP_MEMORY,        IDC_UFD_BIT_ERROR_RATE};
constexpr UINT kLunBoxes[] = {IDC_UFD_PUBLIC_LUN, IDC_UFD_PUBLIC_LUN + 1, IDC_UFD_PUBLIC_LUN + 2, IDC_UFD_PUBLIC_LUN + 3};

struct OpenCase {
    const char* name;
    DWORD mask;
    DWORD lunTypeBitMap;
    std::vector<UINT> checked;
    std::vector<UINT> unchecked;
    std::vector<UINT> greyed;
    std::vector<UINT> enabled;
};

TEST_F(UfdPage, OpeningShowsTheSwitchesAndGreysWhatTheDisabledStepsCover)
{
    const std::vector<UINT> options(std::begin(kBuildOptions), std::end(kBuildOptions));
    const OpenCase cases[] = {
        {"build disabled: the six build options greyed", 0x01, 0x20400000,
         {IDC_UFD_BUILD_SYSTEM_DISABLE, IDC_UFD_FORCE_FIRST_BUILD, IDC_UFD_FORCE_SECOND_BUILD}, {}, options,
         {IDC_UFD_DISPLAY_RW_RATE, IDC_UFD_FLASH_TYPE}},
        {"force first build with the build enabled", 0x00, 0x20000000, {IDC_UFD_FORCE_FIRST_BUILD},
         {IDC_UFD_BUILD_SYSTEM_DISABLE, IDC_UFD_CLEAR_SYSTEM_BLOCK}, {}, options},
        {"each option from its bit", 0x00, 0x1C200000,
         {IDC_UFD_CLEAR_SYSTEM_BLOCK, IDC_UFD_SCAN_BLOCK_ONLY, IDC_UFD_DUMP_MEMORY, IDC_UFD_DISPLAY_RW_RATE},
         {IDC_UFD_FORCE_FIRST_BUILD, IDC_UFD_FORCE_SECOND_BUILD}, {}, {}},
        {"each step switch from its bit", 0x3E, 0x00000000,
         {IDC_UFD_FW_DOWNLOAD_DISABLE, IDC_UFD_CIS_DOWNLOAD_DISABLE, IDC_UFD_FORMAT_DISABLE, IDC_UFD_STRESS_TEST_DISABLE,
          IDC_UFD_BOOT_CODE_DISABLE},
         {IDC_UFD_BUILD_SYSTEM_DISABLE}, {IDC_UFD_FLASH_TYPE}, options},
        // LUNs 0 and 2 present, LUNs 1 and 2 chosen for formatting.
        {"the LUN boxes of the present LUNs", 0x00, 0x00000005, {IDC_UFD_PUBLIC_LUN + 2},
         {IDC_UFD_PUBLIC_LUN, IDC_UFD_PUBLIC_LUN + 1, IDC_UFD_PUBLIC_LUN + 3}, {IDC_UFD_PUBLIC_LUN + 1, IDC_UFD_PUBLIC_LUN + 3},
         {IDC_UFD_PUBLIC_LUN, IDC_UFD_PUBLIC_LUN + 2}},
        {"format disabled", 0x08, 0x0000000F, {IDC_UFD_FORMAT_DISABLE}, {},
         std::vector<UINT>(std::begin(kLunBoxes), std::end(kLunBoxes)), {}},
    };
    for (const OpenCase& c : cases) {
        Load(Hex32Key("HDTestProcedureMask", c.mask) + Hex32Key("LunTypeBitMap", c.lunTypeBitMap) + "FormatLunBitMap=0x06\n");
        Open();
        for (UINT id : c.checked)
            EXPECT_TRUE(Checked(id)) << c.name << ": " << id;
        for (UINT id : c.unchecked)
            EXPECT_FALSE(Checked(id)) << c.name << ": " << id;
        for (UINT id : c.greyed)
            EXPECT_FALSE(Enabled(id)) << c.name << ": " << id;
        for (UINT id : c.enabled)
            EXPECT_TRUE(Enabled(id)) << c.name << ": " << id;
        EXPECT_EQ(+Record().TestProcedureMask, c.mask) << c.name << ": opening changes no switch";
        EXPECT_EQ(+Record().LunTypeBitMap, c.lunTypeBitMap) << c.name;
    }
}

struct SwitchCase {
    const char* name;
    DWORD maskBefore;
    UINT box;
    DWORD maskAfter;
    std::vector<UINT> greyed;
    std::vector<UINT> enabled;
};

TEST_F(UfdPage, StepSwitchesSetTheirOwnBitsAndGreyWhatTheyCover)
{
    const std::vector<UINT> options(std::begin(kBuildOptions), std::end(kBuildOptions));
    const SwitchCase cases[] = {
        {"build system table", 0x00, IDC_UFD_BUILD_SYSTEM_DISABLE, 0x01, options, {IDC_UFD_DISPLAY_RW_RATE}},
        {"build system table again", 0x01, IDC_UFD_BUILD_SYSTEM_DISABLE, 0x00, {}, options},
        // The chip page's meanings of these ids (bits 0, 1 and 2 there) do not apply.
        {"firmware", 0x00, IDC_UFD_FW_DOWNLOAD_DISABLE, 0x02, {}, {IDC_UFD_CIS_DOWNLOAD_DISABLE, IDC_UFD_FLASH_TYPE}},
        {"CIS", 0x00, IDC_UFD_CIS_DOWNLOAD_DISABLE, 0x04, {}, {IDC_UFD_PRODUCT_STRING, IDC_UFD_SN_GENERATOR}},
        {"format", 0x00, IDC_UFD_FORMAT_DISABLE, 0x08, std::vector<UINT>(std::begin(kLunBoxes), std::end(kLunBoxes)), {}},
        {"format again", 0x08, IDC_UFD_FORMAT_DISABLE, 0x00, {IDC_UFD_PUBLIC_LUN + 2, IDC_UFD_PUBLIC_LUN + 3},
         {IDC_UFD_PUBLIC_LUN, IDC_UFD_PUBLIC_LUN + 1}},
        {"stress test", 0x00, IDC_UFD_STRESS_TEST_DISABLE, 0x10, {}, {IDC_UFD_DISPLAY_RW_RATE}},
        {"boot code", 0x00, IDC_UFD_BOOT_CODE_DISABLE, 0x20, {IDC_UFD_FLASH_TYPE}, {}},
        {"boot code again", 0x20, IDC_UFD_BOOT_CODE_DISABLE, 0x00, {}, {IDC_UFD_FLASH_TYPE}},
        {"one bit of many", 0x3F, IDC_UFD_STRESS_TEST_DISABLE, 0x2F, options, {}},
    };
    for (const SwitchCase& c : cases) {
        // LUNs 0 and 1 present, both formatted.
        Load(Hex32Key("HDTestProcedureMask", c.maskBefore) + "LunTypeBitMap=0x00000003\nFormatLunBitMap=0x03\n");
        Open();
        Click(c.box);
        EXPECT_EQ(+Record().TestProcedureMask, c.maskAfter) << c.name;
        for (UINT id : c.greyed)
            EXPECT_FALSE(Enabled(id)) << c.name << ": " << id;
        for (UINT id : c.enabled)
            EXPECT_TRUE(Enabled(id)) << c.name << ": " << id;
        EXPECT_EQ(+Record().LunTypeBitMap, 0x3u) << c.name << ": no build option changed";
        EXPECT_EQ(Record().FormatLunBitMap, 0x03) << c.name;
    }
}

TEST_F(UfdPage, BuildOptionAndLunBoxesSetTheirBitsAndClearThemAgain)
{
    const struct {
        UINT box;
        DWORD lunTypeBit;
        BYTE formatBit;
    } cases[] = {
        {IDC_UFD_FORCE_FIRST_BUILD, 1u << 29, 0}, {IDC_UFD_CLEAR_SYSTEM_BLOCK, 1u << 28, 0},
        {IDC_UFD_SCAN_BLOCK_ONLY, 1u << 27, 0},   {IDC_UFD_DUMP_MEMORY, 1u << 26, 0},
        {IDC_UFD_FORCE_SECOND_BUILD, 1u << 22, 0}, {IDC_UFD_DISPLAY_RW_RATE, 1u << 21, 0},
        {IDC_UFD_PUBLIC_LUN, 0, 0x01},            {IDC_UFD_PUBLIC_LUN + 3, 0, 0x08},
    };
    Load("LunTypeBitMap=0x0000000F\n");
    Open();
    for (const auto& c : cases) {
        Click(c.box);
        EXPECT_EQ(+Record().LunTypeBitMap, 0xFu | c.lunTypeBit) << c.box;
        EXPECT_EQ(Record().FormatLunBitMap, c.formatBit) << c.box;
        Click(c.box);
        EXPECT_EQ(+Record().LunTypeBitMap, 0xFu) << c.box;
        EXPECT_EQ(Record().FormatLunBitMap, 0) << c.box;
    }
    EXPECT_EQ(+Record().TestProcedureMask, 0u);
}

TEST_F(UfdPage, TheBitErrorListHoldsSixteenLevelsInBits16To19)
{
    Load("LunTypeBitMap=0x400A0001\n");
    Open();
    QComboBox& list = ufdPage->List(IDC_UFD_BIT_ERROR_RATE);
    ASSERT_EQ(list.count(), 16);
    EXPECT_EQ(list.itemText(0), QStringLiteral("0"));
    EXPECT_EQ(list.itemText(15), QStringLiteral("15"));
    EXPECT_EQ(Selected(IDC_UFD_BIT_ERROR_RATE), 10);
    const struct {
        int index;
        DWORD bitmap;
    } choices[] = {{15, 0x400F0001}, {0, 0x40000001}, {3, 0x40030001}};
    for (const auto& choice : choices) {
        Choose(IDC_UFD_BIT_ERROR_RATE, choice.index);
        EXPECT_EQ(+Record().LunTypeBitMap, choice.bitmap) << choice.index;
    }
}

TEST_F(UfdPage, TheFlashTypeListShowsAndSetsOneOfThreeBits)
{
    const struct {
        const char* bitmap;
        int shown;
    } opens[] = {{"0x00000000", 0}, {"0x40006000", 1}, {"0x00006000", 2}, {"0x00002000", 3}};
    for (const auto& open : opens) {
        Load(std::string("LunTypeBitMap=") + open.bitmap + "\n");
        Open();
        EXPECT_EQ(Selected(IDC_UFD_FLASH_TYPE), open.shown) << open.bitmap;
        EXPECT_EQ(ufdPage->List(IDC_UFD_FLASH_TYPE).itemText(3), QStringLiteral("ATMEL"));
    }
    Load("LunTypeBitMap=0x40006001\n");
    Open();
    const DWORD chosen[] = {0x00000001, 0x40000001, 0x00004001, 0x00002001};
    for (int index : {2, 0, 3, 1}) {
        Choose(IDC_UFD_FLASH_TYPE, index);
        EXPECT_EQ(+Record().LunTypeBitMap, chosen[index]) << index;
    }
}

TEST_F(UfdPage, HexadecimalFieldsFollowTheChipPagesRule)
{
    const HexFieldCase cases[] = {
        {IDC_UFD_USB_VID, u"1234", u"1234", u"0x1234", cis::kUsbVendorId, 2, 0x1234},
        {IDC_UFD_USB_PID, u"0x123456", u"0x1234", u"0x1234", cis::kUsbProductId, 2, 0x1234},
        {IDC_UFD_SYS_START_LBA, u"x1000", u"x1000", nullptr, cis::kSysStartLba, 4, 0x1000},
        {IDC_UFD_SYS_CAPACITY, u"0x123456789", u"0x12345678", nullptr, cis::kSysCapacity, 4, 0x12345678},
        {IDC_UFD_LED_CTL0, u"0x1FF", u"0x1F", nullptr, cis::kLedCtl0, 1, 0x1F},
        {IDC_UFD_LED_CTL1, u"A5", u"A5", nullptr, cis::kLedCtl1, 1, 0xA5},
    };
    Load("");
    Open();
    ExpectHexFields(cases);
}

TEST_F(UfdPage, StringFieldsAreCutToThisPagesLimitsAndWrittenIntoTheirCisBytes)
{
    const std::u16string thirtyOne = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde";
    const StringFieldCase cases[] = {
        // Product and manufacturer keep 30 characters here; their CIS fields still take 32 bytes.
        {IDC_UFD_PRODUCT_STRING, thirtyOne, thirtyOne.substr(0, 30), &CISSetting::ProductStr, cis::kProduct,
         Padded("ABCDEFGHIJKLMNOPQRSTUVWXYZabcd", 32)},
        {IDC_UFD_MANUFACTURE_STRING, thirtyOne + u"fghijklmn", thirtyOne.substr(0, 30), &CISSetting::ManufactureStr,
         cis::kManufacturer, Padded("ABCDEFGHIJKLMNOPQRSTUVWXYZabcd", 32)},
        {IDC_UFD_MANUFACTURE_STRING, u"Maker", u"Maker", &CISSetting::ManufactureStr, cis::kManufacturer, Padded("Maker", 32)},
        // A cut at the 30th character never keeps half of a surrogate pair.
        {IDC_UFD_PRODUCT_STRING, std::u16string(29, u'A') + u"\U0001F600", std::u16string(29, u'A'), &CISSetting::ProductStr,
         cis::kProduct, Padded(std::string(29, 'A'), 32)},
        {IDC_UFD_PASSWORD, u"0123456789ABCDEFGHIJ", u"0123456789ABCDEF", &CISSetting::PassWordStr, cis::kPassword,
         Padded("0123456789ABCDEF", 16)},
        {IDC_UFD_INQUIRY_VID, u"ABCDEFGHIJ", u"ABCDEFGH", &CISSetting::Inquiry_VID, cis::kInquiryVendor, Padded("ABCDEFGH", 8)},
        // The bytes after a shorter inquiry text used to keep the characters of the longer one before it.
        {IDC_UFD_INQUIRY_VID, u"XY", u"XY", &CISSetting::Inquiry_VID, cis::kInquiryVendor, Padded("XY", 8)},
        {IDC_UFD_INQUIRY_PID, u"Prod\u00FCct", u"Prod\u00FCct", &CISSetting::Inquiry_PID, cis::kInquiryProduct,
         Padded("Prod\xC3\xBC" "ct", 16)},
    };
    Load("Inquiry_PID=A LONG OLD PRODUCT\n");
    Open();
    ExpectStringFields(cases);
}

TEST_F(UfdPage, OpeningShowsTheRecord)
{
    Load("FilePathOfFW=/fw/isp.bin\nFilePathOfBootCode=/fw/boot.bin\nFilePathOfFWBackup=/backups/fw.bin\n"
         "LogFilePath=/logs/run.log\nUSB_VID=0x2F52\nUSB_PID=0x5202\nInquiry_VID=Maker\nInquiry_PID=Flash Drive\n"
         "ProductStr=Drive\nManufactureStr=Maker Inc\nPassWordStr=secret\nSysStartLBA=0x00000100\n"
         "SysCapacity=0x00010000\nLED_CTL0=0x0A\nLED_CTL1=0xB0\n");
    Open();
    const std::pair<UINT, const char16_t*> shown[] = {
        {IDC_UFD_FW_FILE, u"/fw/isp.bin"}, {IDC_UFD_BOOT_CODE_FILE, u"/fw/boot.bin"},
        {IDC_UFD_FW_BACKUP_FILE, u"/backups/fw.bin"}, {IDC_UFD_LOG_FILE, u"/logs/run.log"}, {IDC_UFD_USB_VID, u"0x2F52"},
        {IDC_UFD_USB_PID, u"0x5202"}, {IDC_UFD_INQUIRY_VID, u"Maker"}, {IDC_UFD_INQUIRY_PID, u"Flash Drive"},
        {IDC_UFD_PRODUCT_STRING, u"Drive"}, {IDC_UFD_MANUFACTURE_STRING, u"Maker Inc"}, {IDC_UFD_PASSWORD, u"secret"},
        {IDC_UFD_SYS_START_LBA, u"0x00000100"}, {IDC_UFD_SYS_CAPACITY, u"0x00010000"}, {IDC_UFD_LED_CTL0, u"0x0A"},
        {IDC_UFD_LED_CTL1, u"0xB0"},
    };
    for (auto [id, text] : shown)
        EXPECT_EQ(Narrow(Text(id)), Narrow(text)) << id;
    EXPECT_EQ(Record().FilePathOfFW.str(), u"/fw/isp.bin") << "what the fill writes back is what it showed";
    EXPECT_EQ(Record().FilePathOfBootCode.str(), u"/fw/boot.bin");
    EXPECT_FALSE(ufdPage->Item(IDC_UFD_SYS_START_LBA)->isHidden());
    EXPECT_TRUE(boxes.empty()) << "the page shows no message of its own";
}

TEST_F(UfdPage, ModeBit0x80HidesTheSystemFields)
{
    Load("", "FabrunMode=0x00000080\n");
    Open();
    for (UINT id : {IDC_UFD_SYS_START_LBA, IDC_UFD_SYS_START_LBA_LABEL, IDC_UFD_SYS_CAPACITY, IDC_UFD_SYS_CAPACITY_LABEL})
        EXPECT_TRUE(ufdPage->Item(id)->isHidden()) << id;
    EXPECT_FALSE(ufdPage->Item(IDC_UFD_LED_CTL0)->isHidden());
}

TEST_F(UfdPage, FirmwareAndBootCodeChoosersSetTheirPathsShownInFull)
{
    Load("FilePathOfFW=/old/isp.bin\nFilePathOfBootCode=/old/boot.bin\n");
    Open();
    const struct {
        UINT button;
        std::optional<std::u16string> answer;
        UINT edit;
        std::u16string fw;
        std::u16string boot;
        std::u16string shown;
    } cases[] = {
        {IDC_UFD_FW_OPEN_FILE, std::nullopt, IDC_UFD_FW_FILE, u"/old/isp.bin", u"/old/boot.bin", u"/old/isp.bin"},
        {IDC_UFD_FW_OPEN_FILE, folder.WideFile("isp.bin"), IDC_UFD_FW_FILE, folder.WideFile("isp.bin"), u"/old/boot.bin",
         folder.WideFile("isp.bin")},
        {IDC_UFD_BOOT_CODE_OPEN_FILE, std::nullopt, IDC_UFD_BOOT_CODE_FILE, folder.WideFile("isp.bin"), u"/old/boot.bin",
         u"/old/boot.bin"},
        {IDC_UFD_BOOT_CODE_OPEN_FILE, folder.WideFile("boot.bin"), IDC_UFD_BOOT_CODE_FILE, folder.WideFile("isp.bin"),
         folder.WideFile("boot.bin"), folder.WideFile("boot.bin")},
        // An empty choice empties the path and leaves the edit as it was.
        {IDC_UFD_BOOT_CODE_OPEN_FILE, u"", IDC_UFD_BOOT_CODE_FILE, folder.WideFile("isp.bin"), u"", folder.WideFile("boot.bin")},
    };
    for (const auto& c : cases) {
        answers = {c.answer};
        Click(c.button);
        EXPECT_EQ(Narrow(Record().FilePathOfFW.str()), Narrow(c.fw)) << c.button;
        EXPECT_EQ(Narrow(Record().FilePathOfBootCode.str()), Narrow(c.boot)) << c.button;
        EXPECT_EQ(Narrow(Text(c.edit)), Narrow(c.shown)) << c.button;
    }
    ASSERT_EQ(choosers.size(), std::size(cases));
    for (const auto& chooser : choosers) {
        EXPECT_EQ(chooser.kind, platform::FileDialogRequest::Kind::Open);
        EXPECT_EQ(chooser.defaultExtension, u"bin");
        EXPECT_EQ(chooser.filter, u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||");
        EXPECT_EQ(chooser.flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        EXPECT_TRUE(chooser.initialFolder.empty());
    }
}

// A typed boot-code path used to stay on the page only: the record, the saved settings
// and the worker kept the old file.
TEST_F(UfdPage, TypedFilePathsGoIntoTheRecord)
{
    const struct {
        UINT edit;
        const PackedString CISSetting::*field;
    } cases[] = {
        {IDC_UFD_FW_FILE, &CISSetting::FilePathOfFW},
        {IDC_UFD_BOOT_CODE_FILE, &CISSetting::FilePathOfBootCode},
        {IDC_UFD_FW_BACKUP_FILE, &CISSetting::FilePathOfFWBackup},
        {IDC_UFD_LOG_FILE, &CISSetting::LogFilePath},
    };
    Load("FilePathOfFW=/old/a.bin\nFilePathOfBootCode=/old/b.bin\nFilePathOfFWBackup=/old/c.bin\nLogFilePath=/old/d.log\n");
    Open();
    for (const auto& c : cases) {
        Type(c.edit, u"/typed/file");
        EXPECT_EQ((Record().*c.field).str(), u"/typed/file") << c.edit;
    }
}

TEST_F(UfdPage, BackupAndLogChoosersFollowTheChipPagesRule)
{
    Load("");
    Open();
    answers = {folder.WideFile("backup.bin"), folder.WideFile("run.log")};
    Click(IDC_UFD_FW_BACKUP_CHOOSE);
    Click(IDC_UFD_LOG_OPEN_FILE);
    ASSERT_EQ(choosers.size(), 2u);
    EXPECT_EQ(choosers[0].kind, platform::FileDialogRequest::Kind::Save);
    EXPECT_EQ(choosers[0].defaultExtension, u"bin");
    EXPECT_EQ(choosers[1].kind, platform::FileDialogRequest::Kind::Save);
    EXPECT_EQ(choosers[1].filter, u"LOG File(*.log)|*.log| All File (*.*)|*.*||");
    EXPECT_EQ(Record().FilePathOfFWBackup.str(), folder.WideFile("backup.bin"));
    EXPECT_EQ(Text(IDC_UFD_FW_BACKUP_FILE), folder.WideFile("backup.bin"));
    EXPECT_EQ(Record().LogFilePath.str(), folder.WideFile("run.log"));
    ASSERT_NE(frame->LogIni, nullptr);
    EXPECT_EQ(frame->LogIni->Path(), folder.WideFile("run.log"));

    frame->FabrunMode |= kFabrunModeSerialTextFiles;
    answers = {folder.WideFile("results")};
    Click(IDC_UFD_LOG_OPEN_FILE);
    ASSERT_EQ(choosers.size(), 3u);
    EXPECT_EQ(choosers[2].kind, platform::FileDialogRequest::Kind::Folder);
    EXPECT_EQ(Record().LogFilePath.str(), folder.WideFile("results"));
}

TEST_F(UfdPage, TheBackupButtonDoesNothing)
{
    Load("FilePathOfFWBackup=/backups/fw.bin\n");
    Open();
    const CISSetting before = Record();
    Click(IDC_UFD_BACKUP_FW);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(choosers.empty());
    EXPECT_EQ(std::memcmp(&Record().CISImage, &before.CISImage, sizeof before.CISImage), 0);
    EXPECT_EQ(Record().FilePathOfFWBackup.str(), u"/backups/fw.bin");
}

TEST_F(UfdPage, CaptionsComeFromTheLanguageSection)
{
    const struct {
        const char* station;
        std::vector<std::pair<UINT, std::u16string>> captions;
        std::vector<std::pair<UINT, std::u16string>> groups;
    } cases[] = {
        {"",
         {{IDC_UFD_BUILD_SYSTEM_DISABLE, u"Build System Disable"}, {IDC_UFD_CIS_DOWNLOAD_DISABLE, u"CIS Download Disable"},
          {IDC_UFD_BOOT_CODE_DISABLE, u"BootCode Download Disable"}, {IDC_UFD_FW_OPEN_FILE, u"Open File"},
          {IDC_UFD_BOOT_CODE_OPEN_FILE, u"Open File"}, {IDC_UFD_LOG_OPEN_FILE, u"Open File"},
          {IDC_UFD_SN_GENERATOR_LABEL, u"SN Generator:"}, {IDC_UFD_SERIAL_NUMBER_LABEL, u"Serial Number(Hex):"},
          {IDC_UFD_DECIMAL_SN, u"DecimalSN:"}, {IDC_UFD_BACKUP_FW, u"Backup FW"},
          // No key: the template's text.
          {IDC_UFD_FORCE_FIRST_BUILD, u"Force First Build"}, {IDC_UFD_FW_BACKUP_CHOOSE, u"..."}},
         {{IDC_UFD_GROUP_TEST_PROCEDURE, u""}, {IDC_UFD_GROUP_BOOT_CODE_FILE, u""}, {IDC_UFD_GROUP_BUILD_OPTION, u"Option"}}},
        {"Language=XX\n[XX]\nSetDlgStatic0=Testablauf\nSetDlgStatic6=Bootcode\nOption=Optionen\nBuildSystemDisable=Ohne Tabelle\n"
         "BTCodeDownloadDisable=Ohne Bootcode\nOpenFile=Oeffnen\nSerialNumberHex=Nummer:\n",
         {{IDC_UFD_BUILD_SYSTEM_DISABLE, u"Ohne Tabelle"}, {IDC_UFD_BOOT_CODE_DISABLE, u"Ohne Bootcode"},
          {IDC_UFD_BOOT_CODE_OPEN_FILE, u"Oeffnen"}, {IDC_UFD_SERIAL_NUMBER_LABEL, u"Nummer:"},
          {IDC_UFD_FW_DOWNLOAD_DISABLE, u"FW Download Disable"}},
         {{IDC_UFD_GROUP_TEST_PROCEDURE, u"Testablauf"}, {IDC_UFD_GROUP_BOOT_CODE_FILE, u"Bootcode"},
          {IDC_UFD_GROUP_MASS_STORAGE, u""}, {IDC_UFD_GROUP_BUILD_OPTION, u"Optionen"}}},
    };
    for (const auto& c : cases) {
        Load("", c.station);
        Open();
        for (const auto& [id, text] : c.captions)
            EXPECT_EQ(Narrow(Text(id)), Narrow(text)) << c.station << ": " << id;
        for (const auto& [id, text] : c.groups)
            EXPECT_EQ(Narrow(qobject_cast<QGroupBox*>(ufdPage->Item(id))->title().toStdU16String()), Narrow(text))
                << c.station << ": " << id;
    }
    Load("DecCheck=1\n");
    Open();
    EXPECT_EQ(Text(IDC_UFD_SERIAL_NUMBER_LABEL), u"Serial Number(Dec):");
}

} // namespace
} // namespace settingstest
