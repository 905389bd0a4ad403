// The chip-mode settings page on its own: every field rule, switch, list, chooser, label
// and message, each a table of cases on the widget over a frame's loaded settings.
#include "console/settings/firmware_file_version.h"
#include "field_edit_cases.h"
#include "settings_fixture.h"

#include <cstring>

namespace settingstest {
namespace {

using ChipPage = FieldEditTest<SettingsTest>;

TEST_F(ChipPage, HexadecimalFieldsKeepThePrefixedTextCutToTheirLimit)
{
    const HexFieldCase cases[] = {
        {IDC_USB_VID, u"1234", u"1234", u"0x1234", cis::kUsbVendorId, 2, 0x1234},
        {IDC_USB_VID, u"x12", u"x12", u"0x12", cis::kUsbVendorId, 2, 0x12},
        {IDC_USB_VID, u"0x123456", u"0x1234", u"0x1234", cis::kUsbVendorId, 2, 0x1234},
        {IDC_USB_VID, u"12345", u"0x1234", u"0x1234", cis::kUsbVendorId, 2, 0x1234},
        // A capital prefix is a prefix too (it used to store 0).
        {IDC_USB_VID, u"0X2F52", u"0X2F52", u"0x2F52", cis::kUsbVendorId, 2, 0x2F52},
        {IDC_USB_VID, u"", u"", u"0x", cis::kUsbVendorId, 2, 0},
        {IDC_USB_PID, u"abcd", u"abcd", u"0xabcd", cis::kUsbProductId, 2, 0xABCD},
        {IDC_USB_PID, u"12G4", u"12G4", u"0x12G4", cis::kUsbProductId, 2, 0x12},
        {IDC_SYS_START_LBA, u"0x123456789", u"0x12345678", nullptr, cis::kSysStartLba, 4, 0x12345678},
        {IDC_SYS_CAPACITY, u"FFFFFFFF", u"FFFFFFFF", nullptr, cis::kSysCapacity, 4, 0xFFFFFFFF},
        {IDC_LED_CTL0, u"0x1FF", u"0x1F", nullptr, cis::kLedCtl0, 1, 0x1F},
        {IDC_LED_CTL1, u"7g", u"7g", nullptr, cis::kLedCtl1, 1, 0x07},
    };
    Load("USB_VID=0x0000\nUSB_PID=0x0000\n");
    Open();
    ExpectHexFields(cases);
}

TEST_F(ChipPage, StringFieldsAreCutAndWrittenIntoTheirCisBytes)
{
    const std::u16string forty = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    const StringFieldCase cases[] = {
        {IDC_PRODUCT_STRING, forty, forty.substr(0, 32), &CISSetting::ProductStr, cis::kProduct,
         Padded("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef", 32)},
        // A cut never keeps half of a surrogate pair.
        {IDC_PRODUCT_STRING, std::u16string(31, u'A') + u"\U0001F600", std::u16string(31, u'A'), &CISSetting::ProductStr,
         cis::kProduct, Padded(std::string(31, 'A'), 32)},
        {IDC_MANUFACTURE_STRING, u"Maker", u"Maker", &CISSetting::ManufactureStr, cis::kManufacturer, Padded("Maker", 32)},
        {IDC_INQUIRY_VID, u"ABCDEFGHIJ", u"ABCDEFGH", &CISSetting::Inquiry_VID, cis::kInquiryVendor, Padded("ABCDEFGH", 8)},
        // The inquiry strings in the ANSI code page (UTF-8 here), the others one low byte a character.
        {IDC_INQUIRY_PID, u"Prod\u00FCct", u"Prod\u00FCct", &CISSetting::Inquiry_PID, cis::kInquiryProduct,
         Padded("Prod\xC3\xBC" "ct", 16)},
        {IDC_PASSWORD, u"\u03A9pass", u"\u03A9pass", &CISSetting::PassWordStr, cis::kPassword, Padded("\xA9pass", 16)},
        {IDC_PASSWORD, u"0123456789ABCDEFGHIJ", u"0123456789ABCDEF", &CISSetting::PassWordStr, cis::kPassword,
         Padded("0123456789ABCDEF", 16)},
    };
    Load("ProductStr=An old product name\nInquiry_PID=OLD PRODUCT\n");
    Open();
    ExpectStringFields(cases);
}

struct SwitchCase {
    const char* name;
    DWORD fabrunMode;
    DWORD maskBefore;
    UINT box;
    DWORD maskAfter;
    std::vector<UINT> checked;
    std::vector<UINT> unchecked;
    std::vector<UINT> greyed;
    std::vector<UINT> enabled;
};

TEST_F(ChipPage, TestProcedureSwitchesSetTheirBitsAndGreyWhatTheyCover)
{
    const SwitchCase cases[] = {
        {"firmware switch carries the CIS switch", 0, 0, IDC_FW_DOWNLOAD_DISABLE, 0x3, {IDC_FW_DOWNLOAD_DISABLE, IDC_CIS_DOWNLOAD_DISABLE}, {},
         {IDC_FLASH_TYPE, IDC_PRODUCT_STRING, IDC_MANUFACTURE_STRING, IDC_USB_VID, IDC_USB_PID, IDC_INQUIRY_VID, IDC_INQUIRY_PID,
          IDC_PASSWORD, IDC_LED_CTL0, IDC_LED_CTL1, IDC_SN_GENERATOR, IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_MASK,
          IDC_SN_INTERVAL, IDC_DECIMAL_SN, IDC_HDD_POWER_CONTROL, IDC_HD_CAPACITY_DISPLAY, IDC_MEDIA_EEPROM, IDC_CIS_DOWNLOAD_DISABLE},
         {IDC_SN_LENGTH_OK}},
        {"unchecking the firmware switch", 0, 0x3, IDC_FW_DOWNLOAD_DISABLE, 0x0, {}, {IDC_CIS_DOWNLOAD_DISABLE},
         {IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK, IDC_CIS_DOWNLOAD_DISABLE},
         {IDC_FLASH_TYPE, IDC_PRODUCT_STRING, IDC_SERIAL_NUMBER, IDC_HDD_POWER_CONTROL}},
        {"independent firmware switch", 0x1000, 0, IDC_FW_DOWNLOAD_DISABLE, 0x1, {IDC_FW_DOWNLOAD_DISABLE}, {IDC_CIS_DOWNLOAD_DISABLE},
         {IDC_FLASH_TYPE}, {IDC_CIS_DOWNLOAD_DISABLE, IDC_PRODUCT_STRING, IDC_MEDIA_EEPROM, IDC_SN_GENERATOR}},
        {"independent CIS switch", 0x1000, 0, IDC_CIS_DOWNLOAD_DISABLE, 0x2, {IDC_CIS_DOWNLOAD_DISABLE}, {},
         {IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK, IDC_PRODUCT_STRING, IDC_MANUFACTURE_STRING, IDC_USB_VID,
          IDC_USB_PID, IDC_INQUIRY_VID, IDC_INQUIRY_PID, IDC_PASSWORD, IDC_LED_CTL0, IDC_LED_CTL1, IDC_SN_GENERATOR,
          IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_LENGTH_OK, IDC_SN_MASK, IDC_SN_INTERVAL, IDC_DECIMAL_SN,
          IDC_HDD_POWER_CONTROL, IDC_HD_CAPACITY_DISPLAY},
         {IDC_FLASH_TYPE}},
        {"format switch", 0x1000, 0, IDC_FORMAT_DISABLE, 0x4, {IDC_FORMAT_DISABLE}, {},
         {IDC_PUBLIC_LUN, IDC_PUBLIC_LUN + 1, IDC_PUBLIC_LUN + 2, IDC_PUBLIC_LUN + 3}, {}},
        {"unchecking the format switch", 0x1000, 0x4, IDC_FORMAT_DISABLE, 0x0, {IDC_PUBLIC_LUN + 1}, {IDC_PUBLIC_LUN},
         {IDC_PUBLIC_LUN + 2, IDC_PUBLIC_LUN + 3}, {IDC_PUBLIC_LUN, IDC_PUBLIC_LUN + 1}},
        {"stress test switch", 0x1000, 0, IDC_STRESS_TEST_DISABLE, 0x8, {IDC_STRESS_TEST_DISABLE}, {IDC_DISPLAY_RW_RATE},
         {IDC_DISPLAY_RW_RATE, IDC_TEST_DATA_SIZE}, {}},
        // The page opened with the rate box marked from its bit (fill step 7), greyed.
        {"unchecking the stress test switch", 0x1000, 0x8, IDC_STRESS_TEST_DISABLE, 0x0, {IDC_DISPLAY_RW_RATE}, {}, {},
         {IDC_DISPLAY_RW_RATE, IDC_TEST_DATA_SIZE}},
    };
    for (const SwitchCase& c : cases) {
        // LUNs 0 and 1 present, LUN 1 formatted, rates shown.
        Load(platform::WideToUtf8(platform::FormatWide("HDTestProcedureMask=0x%08X\nLunTypeBitMap=0x00200003\nFormatLunBitMap=0x02\n",
                                                      static_cast<unsigned>(c.maskBefore))),
             platform::WideToUtf8(platform::FormatWide("FabrunMode=0x%08X\n", static_cast<unsigned>(c.fabrunMode))));
        Open();
        Click(c.box);
        EXPECT_EQ(+Record().TestProcedureMask, c.maskAfter) << c.name;
        for (UINT id : c.checked)
            EXPECT_TRUE(Checked(id)) << c.name << ": " << id;
        for (UINT id : c.unchecked)
            EXPECT_FALSE(Checked(id)) << c.name << ": " << id;
        for (UINT id : c.greyed)
            EXPECT_FALSE(Enabled(id)) << c.name << ": " << id;
        for (UINT id : c.enabled)
            EXPECT_TRUE(Enabled(id)) << c.name << ": " << id;
        EXPECT_EQ(+Record().LunTypeBitMap & (1u << 21), 1u << 21) << c.name << ": the rate bit stays";
        page.reset();
    }
}

TEST_F(ChipPage, OpeningWithTheCisSwitchGreysTheGeneratorListButTheSerialFieldsFollowTheMode)
{
    Load("HDTestProcedureMask=0x00000002\nSNType=2\nSerialNumberY=8\n", "FabrunMode=0x00001000\n");
    Open();
    EXPECT_FALSE(Enabled(IDC_SN_GENERATOR));
    EXPECT_FALSE(Enabled(IDC_PRODUCT_STRING));
    for (UINT id : {IDC_SERIAL_NUMBER, IDC_SN_MASK, IDC_SN_INTERVAL, IDC_SN_LENGTH, IDC_DECIMAL_SN})
        EXPECT_TRUE(Enabled(id)) << id;
}

struct BitBoxCase {
    UINT box;
    std::function<bool(const CISSetting&)> set;
};

TEST_F(ChipPage, EveryOtherBoxSetsItsFieldAndClearsItAgain)
{
    const BitBoxCase cases[] = {
        {IDC_PUBLIC_LUN + 2, [](const CISSetting& s) { return (s.FormatLunBitMap & 0x4) != 0; }},
        {IDC_HDD_POWER_CONTROL, [](const CISSetting& s) { return (s.LunTypeBitMap & (1u << 24)) != 0; }},
        {IDC_DISPLAY_RW_RATE, [](const CISSetting& s) { return (s.LunTypeBitMap & (1u << 21)) != 0; }},
        {IDC_HD_CAPACITY_DISPLAY, [](const CISSetting& s) { return (s.LunTypeBitMap & (1u << 20)) != 0; }},
        {IDC_HUB_FW_DOWNLOAD, [](const CISSetting& s) { return s.HubDLEnable == 1; }},
    };
    Load("LunTypeBitMap=0x0000000F\n", "FabrunMode=0x00001000\n");
    Open();
    for (const BitBoxCase& c : cases) {
        Click(c.box);
        EXPECT_TRUE(c.set(Record())) << c.box;
        Click(c.box);
        EXPECT_FALSE(c.set(Record())) << c.box;
    }
    Click(IDC_AUTO_RUN);
    EXPECT_EQ(Record().AutoRunEnable, 1);
    EXPECT_NE(frame->FabrunMode & 0x200, 0u);
    Click(IDC_AUTO_RUN);
    EXPECT_EQ(Record().AutoRunEnable, 0);
    EXPECT_EQ(frame->FabrunMode & 0x200, 0u);
    EXPECT_EQ(frame->SaveRequested, 0);
    Click(IDC_SAVE_SETTING);
    EXPECT_EQ(frame->SaveRequested, 1);
}

TEST_F(ChipPage, MediaBoxesChooseOneTargetOrNone)
{
    const struct {
        UINT box;
        INT media;
        UINT left; // the box still checked
    } clicks[] = {{IDC_MEDIA_EXTERNAL_FLASH, 2, IDC_MEDIA_EXTERNAL_FLASH}, {IDC_MEDIA_HARD_DISK, 3, IDC_MEDIA_HARD_DISK},
                  {IDC_MEDIA_EEPROM, 1, IDC_MEDIA_EEPROM}, {IDC_MEDIA_EEPROM, 0, 0}};
    Load("TargetStoreMedia=2\n", "FabrunMode=0x00001000\n");
    Open();
    EXPECT_TRUE(Checked(IDC_MEDIA_EXTERNAL_FLASH));
    Click(IDC_MEDIA_EXTERNAL_FLASH); // unchecked: no target
    EXPECT_EQ(+Record().TargetStoreMedia, 0);
    for (const auto& click : clicks) {
        Click(click.box);
        EXPECT_EQ(+Record().TargetStoreMedia, click.media) << click.box;
        for (UINT id : {IDC_MEDIA_EEPROM, IDC_MEDIA_EXTERNAL_FLASH, IDC_MEDIA_HARD_DISK})
            EXPECT_EQ(Checked(id), id == click.left) << click.box << " then " << id;
    }
}

TEST_F(ChipPage, TheFilterDriverBoxRunsTheInstallerOnlyWhenTheStateChanges)
{
    Load("");
    frame->FilterInstalled = 1;
    Open();
    Click(IDC_DISABLE_FILTER_DRIVER);
    EXPECT_EQ(Record().DisableFilterDrv, 1);
    EXPECT_EQ(frame->FilterInstalled, 0);
    ASSERT_TRUE(FilterLogBecomes("d\n"));
    Click(IDC_DISABLE_FILTER_DRIVER);
    EXPECT_EQ(Record().DisableFilterDrv, 0);
    EXPECT_EQ(frame->FilterInstalled, 1);
    ASSERT_TRUE(FilterLogBecomes("d\ne\n"));
    // Checked while this process never switched the driver on: nothing to switch off.
    frame->FilterInstalled = 0;
    Click(IDC_DISABLE_FILTER_DRIVER);
    usleep(50000);
    EXPECT_EQ(ReadFile("filter.log"), "d\ne\n");
}

TEST_F(ChipPage, TheFlashTypeListShowsAndSetsOneOfThreeBits)
{
    const struct {
        const char* bitmap;
        int shown;
    } opens[] = {{"0x00000000", 0}, {"0x40006000", 1}, {"0x00006000", 2}, {"0x00002000", 3}};
    for (const auto& open : opens) {
        Load(std::string("LunTypeBitMap=") + open.bitmap + "\n");
        Open();
        EXPECT_EQ(page->List(IDC_FLASH_TYPE).currentIndex(), open.shown) << open.bitmap;
        EXPECT_EQ(page->List(IDC_FLASH_TYPE).itemText(2), QStringLiteral("MXIC 25L512E"));
        page.reset();
    }
    Load("LunTypeBitMap=0x40006001\n");
    Open();
    const DWORD chosen[] = {0x00000001, 0x40000001, 0x00004001, 0x00002001};
    for (int index : {2, 0, 3, 1}) {
        Choose(IDC_FLASH_TYPE, index);
        EXPECT_EQ(+Record().LunTypeBitMap, chosen[index]) << index;
    }
}

TEST_F(ChipPage, NumberEditsRefuseTextsThatAreNoNumbersWithTheDataExchangeMessage)
{
    const struct {
        UINT id;
        const char16_t* text;
        std::u16string message; // empty: accepted
        DWORD value;
    } cases[] = {
        {IDC_TEST_DATA_SIZE, u"64", u"", 64},
        {IDC_TEST_DATA_SIZE, u" 128 ", u"", 128},
        {IDC_TEST_DATA_SIZE, u"12ab", u"Enter a positive integer.", 128},
        {IDC_TEST_DATA_SIZE, u"-1", u"Enter a positive integer.", 128},
        {IDC_TEST_DATA_SIZE, u"4294967296", u"Enter a positive integer.", 128},
        {IDC_TEST_DATA_SIZE, u"4294967295", u"", 4294967295u},
        {IDC_MAX_LUN, u"3", u"", 3},
        {IDC_MAX_LUN, u"256", u"Enter an integer between 0 and 255.", 3},
        {IDC_MAX_LUN, u"x", u"Enter an integer between 0 and 255.", 3},
        {IDC_MAX_LUN, u"255", u"", 255},
    };
    Load("StressTestSize=0x00000010\n");
    Open();
    EXPECT_EQ(Text(IDC_TEST_DATA_SIZE), u"16");
    EXPECT_TRUE(page->Edit(IDC_MAX_LUN).isReadOnly()) << "only the page sets MaxLun";
    for (const auto& c : cases) {
        boxes.clear();
        if (c.id == IDC_TEST_DATA_SIZE) {
            page->Edit(c.id).setText(QString::fromUtf16(c.text));
            Q_EMIT page->Edit(c.id).textEdited(QString::fromUtf16(c.text));
        } else {
            page->SetItemText(c.id, c.text);
        }
        const DWORD value = c.id == IDC_TEST_DATA_SIZE ? Record().StressTestSize : Record().CISImage.bytes[cis::kUsbMaxLun];
        EXPECT_EQ(value, c.value) << Narrow(c.text);
        if (c.message.empty()) {
            EXPECT_TRUE(boxes.empty()) << Narrow(c.text);
        } else {
            ASSERT_EQ(boxes.size(), 1u) << Narrow(c.text);
            EXPECT_EQ(boxes[0].text, c.message);
            EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONWARNING);
        }
    }
}

TEST_F(ChipPage, TheLunBlockShowsTheLunsTheImageHoldsAndNoMore)
{
    const std::string luns =
        "LunStartLBA[0]=0x00000010\nLunStartLBA[1]=0x00000020\nLunStartLBA[3]=0x00000040\n"
        "LunCapacity[0]=0x00001000\nLunCapacity[1]=0x00002000\nLunCapacity[3]=0x00004000\n"
        "LunAttribute[1]=0x81\nLunType[1]=0x02\nLunType[3]=0x05\n";
    struct LunCase {
        int maxLun;
        int entries; // 0: list greyed
        int select;
        const char16_t* start;
        const char16_t* capacity;
        const char16_t* attribute;
        const char16_t* type;
    };
    const LunCase cases[] = {
        {0, 0, -1, u"0x00000010", u"0x00001000", u"0x00", u"0x00"},
        {2, 3, 1, u"0x00000020", u"0x00002000", u"0x81", u"0x02"},
        // Only four LUNs fit the image, however large MaxLun is.
        {255, 4, 3, u"0x00000040", u"0x00004000", u"0x00", u"0x05"},
    };
    for (const LunCase& c : cases) {
        Load(luns + "USB_MaxLUN=" + std::to_string(c.maxLun) + "\n");
        Open();
        QComboBox& list = page->List(IDC_LUN_SELECT);
        EXPECT_EQ(Text(IDC_MAX_LUN), platform::FormatWide("%d", c.maxLun));
        EXPECT_EQ(list.isEnabled(), c.entries != 0) << c.maxLun;
        if (c.entries != 0) {
            EXPECT_EQ(list.count(), c.entries) << c.maxLun;
            EXPECT_EQ(list.currentIndex(), 0);
            Choose(IDC_LUN_SELECT, c.select);
        }
        EXPECT_EQ(Text(IDC_LUN_START_LBA), c.start) << c.maxLun;
        EXPECT_EQ(Text(IDC_LUN_CAPACITY), c.capacity) << c.maxLun;
        EXPECT_EQ(Text(IDC_LUN_ATTRIBUTE), c.attribute) << c.maxLun;
        EXPECT_EQ(Text(IDC_LUN_TYPE), c.type) << c.maxLun;
        for (UINT id : {IDC_LUN_START_LBA, IDC_LUN_CAPACITY, IDC_LUN_ATTRIBUTE, IDC_LUN_TYPE})
            EXPECT_TRUE(page->Edit(id).isReadOnly()) << id;
        // Showing wrote back what it showed, nothing else.
        EXPECT_EQ(Record().CISImage.Dword(cis::kLunCapacity + 4), 0x2000u);
        EXPECT_EQ(Record().CISImage.bytes[cis::kLunType + 3], 0x05);
        page.reset();
    }
}

TEST_F(ChipPage, OpeningShowsTheRecord)
{
    Load("FilePathOfFWBackup=/backups/fw.bin\nLogFilePath=/logs/run.log\nUSB_VID=0x2F52\nUSB_PID=0x5202\n"
         "Inquiry_VID=Maker\nInquiry_PID=Chip Drive\nProductStr=Chip\nManufactureStr=Maker Inc\nPassWordStr=secret\n"
         "SysStartLBA=0x00000100\nSysCapacity=0x00010000\nLED_CTL0=0x0A\nLED_CTL1=0xB0\nStressTestSize=0x00000020\n"
         "DisableFilterDrv=0x01\nHubDLEnable=0x01\nFilePathOfFW2=/hub/firmware/hub.bin\nLunTypeBitMap=0x01300000\n"
         "TargetStoreMedia=3\n");
    Open();
    const std::pair<UINT, const char16_t*> shown[] = {
        {IDC_FW_BACKUP_FILE, u"/backups/fw.bin"}, {IDC_LOG_FILE, u"/logs/run.log"}, {IDC_USB_VID, u"0x2F52"},
        {IDC_USB_PID, u"0x5202"}, {IDC_INQUIRY_VID, u"Maker"}, {IDC_INQUIRY_PID, u"Chip Drive"}, {IDC_PRODUCT_STRING, u"Chip"},
        {IDC_MANUFACTURE_STRING, u"Maker Inc"}, {IDC_PASSWORD, u"secret"}, {IDC_SYS_START_LBA, u"0x00000100"},
        {IDC_SYS_CAPACITY, u"0x00010000"}, {IDC_LED_CTL0, u"0x0A"}, {IDC_LED_CTL1, u"0xB0"}, {IDC_TEST_DATA_SIZE, u"32"},
        {IDC_HUB_FW_FILE, u"hub.bin"}, {IDC_FW_FILE, u""}, {IDC_BIN_FW_VERSION, u"N/A"}, {IDC_CURRENT_FW_VERSION, u"N/A"},
    };
    for (auto [id, text] : shown)
        EXPECT_EQ(Narrow(Text(id)), Narrow(text)) << id;
    for (UINT id : {IDC_DISABLE_FILTER_DRIVER, IDC_HUB_FW_DOWNLOAD, IDC_HDD_POWER_CONTROL, IDC_DISPLAY_RW_RATE,
                    IDC_HD_CAPACITY_DISPLAY, IDC_MEDIA_HARD_DISK})
        EXPECT_TRUE(Checked(id)) << id;
    for (UINT id : {IDC_AUTO_RUN, IDC_MEDIA_EEPROM, IDC_FW_DOWNLOAD_DISABLE})
        EXPECT_FALSE(Checked(id)) << id;
    EXPECT_FALSE(page->Item(IDC_SYS_START_LBA)->isHidden());
}

TEST_F(ChipPage, ModeBit0x80HidesTheSystemFieldsAndChoosersShowOnlyTheName)
{
    Load("", "FabrunMode=0x00000080\n");
    Open();
    for (UINT id : {IDC_SYS_START_LBA, IDC_SYS_START_LBA_LABEL, IDC_SYS_CAPACITY, IDC_SYS_CAPACITY_LABEL})
        EXPECT_TRUE(page->Item(id)->isHidden()) << id;
    WriteBytes(folder.File("dev.bin"), std::string(0x2000, '\x01'));
    answers = {folder.WideFile("dev.bin"), folder.WideFile("hub.bin")};
    Click(IDC_FW_OPEN_FILE);
    Click(IDC_HUB_FW_OPEN_FILE);
    ASSERT_EQ(choosers.size(), 2u);
    for (const auto& chooser : choosers)
        EXPECT_EQ(chooser.initialFolder, folder.WideFolder());
    EXPECT_EQ(Text(IDC_FW_FILE), u"dev.bin");
    EXPECT_EQ(Text(IDC_HUB_FW_FILE), u"hub.bin");
    EXPECT_EQ(Record().FilePathOfFW.str(), folder.WideFile("dev.bin"));
    EXPECT_EQ(Record().FilePathOfFW2.str(), folder.WideFile("hub.bin"));
    EXPECT_EQ(Text(IDC_BIN_FW_VERSION), u"1.1.1.1");
}

// A firmware file of `size` bytes with `block` at 0x4000 (when it fits) and `plain` at 0x1003.
std::string FirmwareFile(std::size_t size, std::vector<BYTE> block, std::vector<BYTE> plain)
{
    std::string bytes(size, '\0');
    for (std::size_t n = 0; n < plain.size() && 0x1003 + n < size; ++n)
        bytes[0x1003 + n] = static_cast<char>(plain[n]);
    for (std::size_t n = 0; n < block.size() && 0x4000 + n < size; ++n)
        bytes[0x4000 + n] = static_cast<char>(block[n]);
    return bytes;
}

TEST_F(ChipPage, TheBinFileVersionComesFromWhereTheFileCarriesIt)
{
    const std::vector<BYTE> plain{0x02, 0x10, 0x00, 0x07};
    const std::vector<BYTE> makerAt12{1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0x52, 0x2F, 0, 0};
    const std::vector<BYTE> lenovoAt4{5, 6, 7, 8, 0xEF, 0x17};
    const std::vector<BYTE> samsungAt4{9, 10, 11, 12, 0xE8, 0x04};
    const std::vector<BYTE> makerAt4{0xA, 0xB, 0xC, 0xD, 0x52, 0x2F};
    const std::vector<BYTE> otherVendor{1, 2, 3, 4, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0x34, 0x12};
    const struct {
        const char* name;
        std::string file;
        const char16_t* shown;
    } cases[] = {
        {"maker id at 12", FirmwareFile(0x8000, makerAt12, plain), u"1.2.3.4"},
        {"accepted id at 4", FirmwareFile(0x8000, lenovoAt4, plain), u"5.6.7.8"},
        {"second accepted id at 4", FirmwareFile(0x8000, samsungAt4, plain), u"9.a.b.c"},
        {"maker id at 4", FirmwareFile(0x8000, makerAt4, plain), u"a.b.c.d"},
        {"no accepted id", FirmwareFile(0x8000, otherVendor, plain), u"2.10.0.7"},
        {"zero version", FirmwareFile(0x8000, otherVendor, {0, 0, 0, 0}), u"N/A"},
        // Files too short for the block fall back to 0x1003; too short for that too: N/A.
        {"short of the block", FirmwareFile(0x4008, makerAt12, plain), u"2.10.0.7"},
        {"short of the version", FirmwareFile(0x1005, {}, plain), u"N/A"},
        {"empty file", "", u"N/A"},
    };
    Load("");
    Open();
    for (const auto& c : cases) {
        WriteBytes(folder.File("fw.bin"), c.file);
        answers = {folder.WideFile("fw.bin")};
        Click(IDC_FW_OPEN_FILE);
        EXPECT_EQ(Narrow(Text(IDC_BIN_FW_VERSION)), Narrow(c.shown)) << c.name;
        EXPECT_EQ(Text(IDC_FW_FILE), u"fw.bin") << c.name << ": the edit shows only the name";
    }
    BYTE version[4];
    ReadFirmwareFileVersion(folder.WideFile("missing.bin"), version);
    EXPECT_EQ(FirmwareVersionText(version), u"N/A");
}

TEST_F(ChipPage, TheCurrentVersionIsThatOfTheFirstPresentPortOfTheView)
{
    const struct {
        int devNoView;
        std::vector<int> present;
        const char16_t* shown;
    } cases[] = {
        {4, {}, u"N/A"}, {4, {2}, u"2.0.1.c"}, {4, {3, 1}, u"1.0.1.c"}, {1, {2}, u"N/A"}, {0, {0}, u"N/A"}, {32, {31}, u"1f.0.1.c"},
    };
    Load("");
    for (const auto& c : cases) {
        for (auto& record : document.Ports())
            record = PortRecord{};
        for (int port : c.present) {
            PortRecord& record = document.Ports()[static_cast<std::size_t>(port)];
            record.present = 1;
            const BYTE version[4] = {static_cast<BYTE>(port), 0x00, 0x01, 0x0C};
            std::memcpy(record.disk.inquiry + 40, version, 4);
        }
        frame->DevNoView = c.devNoView;
        Open();
        EXPECT_EQ(Narrow(Text(IDC_CURRENT_FW_VERSION)), Narrow(c.shown)) << c.devNoView;
        page.reset();
    }
}

TEST_F(ChipPage, FileChoosersSetTheirPathsAndTheirEdits)
{
    Load("FilePathOfFW=/old/fw.bin\nFilePathOfFW2=/old/hub.bin\n");
    Open();
    EXPECT_EQ(Text(IDC_FW_FILE), u"fw.bin") << "the firmware edit shows only the name";
    answers = {std::nullopt, u"", folder.WideFile("hub2.bin"), u"", folder.WideFile("backup.bin"), std::nullopt};
    Click(IDC_FW_OPEN_FILE); // cancelled
    EXPECT_EQ(Record().FilePathOfFW.str(), u"/old/fw.bin");
    Click(IDC_FW_OPEN_FILE); // an empty path
    EXPECT_TRUE(Record().FilePathOfFW.empty());
    EXPECT_EQ(Text(IDC_BIN_FW_VERSION), u"N/A");
    page->SetItemText(IDC_BIN_FW_VERSION, u"x");
    Click(IDC_HUB_FW_OPEN_FILE);
    EXPECT_EQ(Record().FilePathOfFW2.str(), folder.WideFile("hub2.bin"));
    EXPECT_EQ(Text(IDC_HUB_FW_FILE), folder.WideFile("hub2.bin").substr(0, 0) + u"hub2.bin");
    Click(IDC_HUB_FW_OPEN_FILE); // an empty hub path shows N/A in the bin-file label
    EXPECT_EQ(Text(IDC_BIN_FW_VERSION), u"N/A");
    Click(IDC_FW_BACKUP_CHOOSE);
    EXPECT_EQ(Record().FilePathOfFWBackup.str(), folder.WideFile("backup.bin"));
    EXPECT_EQ(Text(IDC_FW_BACKUP_FILE), folder.WideFile("backup.bin"));
    Click(IDC_FW_BACKUP_CHOOSE); // cancelled
    EXPECT_EQ(Record().FilePathOfFWBackup.str(), folder.WideFile("backup.bin"));
    Type(IDC_FW_BACKUP_FILE, u"/typed/backup.bin");
    EXPECT_EQ(Record().FilePathOfFWBackup.str(), u"/typed/backup.bin");

    const struct {
        platform::FileDialogRequest::Kind kind;
        const char16_t* extension;
        const char16_t* filter;
    } expected[] = {
        {platform::FileDialogRequest::Kind::Open, u"bin", u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||"},
        {platform::FileDialogRequest::Kind::Open, u"bin", u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||"},
        {platform::FileDialogRequest::Kind::Open, u"bin", u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||"},
        {platform::FileDialogRequest::Kind::Open, u"bin", u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||"},
        {platform::FileDialogRequest::Kind::Save, u"bin", u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||"},
        {platform::FileDialogRequest::Kind::Save, u"bin", u"BIN File(*.bin)|*.bin| All File (*.*)|*.*||"},
    };
    ASSERT_EQ(choosers.size(), std::size(expected));
    for (std::size_t n = 0; n < choosers.size(); ++n) {
        EXPECT_EQ(choosers[n].kind, expected[n].kind) << n;
        EXPECT_EQ(choosers[n].defaultExtension, expected[n].extension) << n;
        EXPECT_EQ(choosers[n].filter, expected[n].filter) << n;
        EXPECT_EQ(choosers[n].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT) << n;
        EXPECT_TRUE(choosers[n].initialFolder.empty()) << n;
    }
}

TEST_F(ChipPage, TheLogChooserPicksAFileOrWithBit0x04AFolder)
{
    Load("LogFilePath=/old/run.log\n");
    Open();
    answers = {folder.WideFile("new.log")};
    Click(IDC_LOG_OPEN_FILE);
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].kind, platform::FileDialogRequest::Kind::Save);
    EXPECT_EQ(choosers[0].defaultExtension, u"log");
    EXPECT_EQ(choosers[0].filter, u"LOG File(*.log)|*.log| All File (*.*)|*.*||");
    EXPECT_EQ(Record().LogFilePath.str(), folder.WideFile("new.log"));
    EXPECT_EQ(Text(IDC_LOG_FILE), folder.WideFile("new.log"));
    ASSERT_NE(frame->LogIni, nullptr);
    EXPECT_EQ(frame->LogIni->Path(), folder.WideFile("new.log"));
    Type(IDC_LOG_FILE, u"/typed.log");
    EXPECT_EQ(Record().LogFilePath.str(), u"/typed.log");
    page.reset();

    frame->FabrunMode |= kFabrunModeSerialTextFiles;
    Open();
    choosers.clear();
    answers = {folder.WideFile("results"), std::nullopt};
    Click(IDC_LOG_OPEN_FILE);
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].kind, platform::FileDialogRequest::Kind::Folder);
    EXPECT_EQ(choosers[0].flags, BIF_RETURNONLYFSDIRS);
    EXPECT_EQ(Record().LogFilePath.str(), folder.WideFile("results"));
    EXPECT_EQ(Text(IDC_LOG_FILE), folder.WideFile("results"));
    EXPECT_EQ(frame->LogIni->Path(), folder.WideFile("new.log")) << "a folder has no log INI";
    Click(IDC_LOG_OPEN_FILE); // cancelled
    EXPECT_EQ(Record().LogFilePath.str(), folder.WideFile("results"));
}

TEST_F(ChipPage, CaptionsComeFromTheLanguageSection)
{
    Load("DecCheck=1\n", "Language=XX\n[XX]\nSetDlgStatic0=Testablauf\nSetDlgStatic5=Firmware\nFWDownloadDisable=Ohne FW\n"
                        "ResetSN=Zuruecksetzen\nSerialNumberDec=Dezimal:\nOpenFile=Oeffnen\nBasicSetting=Grund\n");
    Open();
    auto group = [&](UINT id) { return qobject_cast<QGroupBox*>(page->Item(id))->title().toStdU16String(); };
    EXPECT_EQ(group(IDC_GROUP_TEST_PROCEDURE), u"Testablauf");
    EXPECT_EQ(group(IDC_GROUP_FIRMWARE_FILE), u"Firmware");
    EXPECT_EQ(group(IDC_GROUP_MASS_STORAGE), u"") << "a group without its key has no caption";
    EXPECT_EQ(group(IDC_GROUP_HUB_FIRMWARE), u"Hub Firmware Setting") << "no key: the template's text";
    EXPECT_EQ(Text(IDC_FW_DOWNLOAD_DISABLE), u"Ohne FW");
    EXPECT_EQ(Text(IDC_CIS_DOWNLOAD_DISABLE), u"VID/PID Download Disable");
    EXPECT_EQ(Text(IDC_SERIAL_NUMBER_LABEL), u"Dezimal:");
    EXPECT_EQ(Text(IDC_FW_OPEN_FILE), u"Oeffnen");
    EXPECT_EQ(Text(IDC_LOG_OPEN_FILE), u"Oeffnen");
    EXPECT_EQ(Text(IDC_HUB_FW_OPEN_FILE), u"OpenFile");
    EXPECT_EQ(Text(IDC_DECIMAL_SN), u"DecimalSN:");
    EXPECT_EQ(Text(IDC_MEDIA_EEPROM), u"EEPROM");
    EXPECT_EQ(page->List(IDC_SN_GENERATOR).count(), 8);
    EXPECT_EQ(page->List(IDC_SN_GENERATOR).itemText(0), QStringLiteral("Zuruecksetzen"));
    EXPECT_EQ(page->List(IDC_SN_GENERATOR).itemText(7), QStringLiteral("Read serial number form HD"));
}

TEST_F(ChipPage, TheBackupButtonBuildsTheCombinedImageTheSettingsAskFor)
{
    WriteBytes(folder.File("hub.bin"), std::string(0x100, '\x11'));
    WriteBytes(folder.File("dev.bin"), std::string(0x100, '\x22'));
    const struct {
        const char* flags;
        std::vector<std::u16string> messages;
        bool built521, built522;
    } cases[] = {
        {"Create112KForHubAnd521=0x01\nCreate256KForHubAnd522=0x01\n", {u"Create <HubAnd521.Bin> From FWFile OK"}, true, false},
        {"Create256KForHubAnd522=0x01\n", {u"Create <HubAnd522.Bin> From FWFile OK"}, false, true},
        // The firmware backup needs the chip the port poll found.
        {"", {u"Open Device Fail"}, false, false},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(folder.File("HubAnd521.Bin"));
        std::filesystem::remove(folder.File("HubAnd522.Bin"));
        Load("FilePathOfFW=" + folder.File("dev.bin") + "\nFilePathOfFW2=" + folder.File("hub.bin") + "\n" + c.flags);
        Open();
        boxes.clear();
        Click(IDC_BACKUP_FW);
        EXPECT_EQ(BoxTexts(), c.messages) << c.flags;
        EXPECT_EQ(std::filesystem::exists(folder.File("HubAnd521.Bin")), c.built521) << c.flags;
        EXPECT_EQ(std::filesystem::exists(folder.File("HubAnd522.Bin")), c.built522) << c.flags;
        page.reset();
    }
}

} // namespace
} // namespace settingstest
