// The format page as it opens: captions, each LUN's controls from the record, what the
// mode bits hide, the hidden and AutoRun switches, the writable starts, and the target's
// size that the totals come from.
#include "page_fixture.h"
#include "portwarden/block_map.h"

#include <QGroupBox>
#include <QLabel>

namespace formattest {
namespace {

TEST_F(FormatPageTest, CaptionsInTheOperatorsLanguage)
{
    Load("", 0, "Language=DEU\n[DEU]\nCreateImage=Abbild erstellen\nStartLBA[2]=Anfang[2]:\nHidden=Versteckt\n");
    Open();
    EXPECT_EQ(qobject_cast<QGroupBox*>(page->Item(IDC_FORMAT_OPTION_GROUP))->title(), "Option");
    struct Case {
        UINT id;
        const char16_t* text;
    } cases[] = {
        {IDC_FORMAT_AUTO_TUNE, u"Auto Tune"},       {IDC_FORMAT_MAX_LUN_CAPTION, u"MaxLun:"},
        {IDC_FORMAT_TOTAL_CAPTION, u"Total:"},      {IDC_FORMAT_REMAIN_CAPTION, u"Remain:"},
        {Ids(0).startLbaCaption, u"StartLBA[0]:"},  {Ids(2).startLbaCaption, u"Anfang[2]:"},
        {Ids(3).capacityCaption, u"Capacity[3]:"},  {Ids(1).labelCaption, u"Volume Lable:"},
        {Ids(2).typeCaption, u"Type:"},             {Ids(3).imageButton, u"Open Image File"},
        {Ids(0).sourceButton, u"Open Source File"}, {Ids(1).createImage, u"Abbild erstellen"},
        {Ids(3).createImage, u"Abbild erstellen"},  {IDC_FORMAT_HIDDEN_PUBLIC, u"Versteckt"},
        {IDC_FORMAT_HIDDEN_ISO9660, u"Versteckt"},  {IDC_FORMAT_AUTO_RUN, u"Auto Run"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(c.id), c.text) << c.id;
    for (int lun = 0; lun < 4; ++lun) {
        QComboBox& types = page->List(Ids(lun).type);
        ASSERT_EQ(types.count(), 4);
        EXPECT_EQ(types.itemText(0), "FAT");
        EXPECT_EQ(types.itemText(1), "FAT32");
        EXPECT_EQ(types.itemText(2), "ISO9660");
        EXPECT_EQ(types.itemText(3), "NTFS");
        EXPECT_EQ(page->Progress(lun).value(), 0);
    }
}

TEST_F(FormatPageTest, EachLunShowsTheRecord)
{
    Load(LunKeys(0x0D, {100 * MB, 50 * MB, 20 * MB, 10 * MB}, {0, 0x32000, 0x4B000, 0x55000}, {0x81, 0x02, 0x43, 0x04}) +
         "USB_MaxLUN=2\nImagePublicLunPath=/images/public.img\nSourcePublicLunPath=/data/public\n"
         "ImageSecurityLunPath=/images/security.img\nVolumeLable[0]=PUBLIC\nImageIso9660LunPath=/images/cd.iso\n");
    Open();
    struct Case {
        int lun;
        bool present;
        int typeItem;
        bool mbr;
        const char16_t *start, *capacity, *image, *source, *label;
        bool imageControls;
    } cases[] = {
        {0, true, 0, true, u"0x00000000", u"100", u"/images/public.img", u"/data/public", u"PUBLIC", true},
        {1, false, 0, false, u"0x00032000", u"50", u"", u"", u"", false},
        {2, true, 2, false, u"0x0004B000", u"20", u"/images/cd.iso", u"", u"", true},
        {3, true, 3, false, u"0x00055000", u"10", u"", u"", u"", false}, // NTFS: built on the device only
    };
    for (const Case& c : cases) {
        const FormatLunIds& ids = Ids(c.lun);
        EXPECT_EQ(Checked(ids.enable), c.present) << c.lun;
        EXPECT_EQ(Text(ids.startLba), c.start) << c.lun;
        EXPECT_EQ(Text(ids.capacity), c.capacity) << c.lun;
        EXPECT_EQ(Text(ids.imageEdit), c.image) << c.lun;
        EXPECT_EQ(Text(ids.sourceEdit), c.source) << c.lun;
        EXPECT_EQ(Text(ids.label), c.label) << c.lun;
        for (UINT id : {ids.capacity, ids.startLba, ids.imageEdit, ids.sourceEdit, ids.label})
            EXPECT_EQ(Writable(id), c.present) << c.lun << " edit " << id;
        for (UINT id : {ids.type, ids.mbr, ids.sourceButton})
            EXPECT_EQ(Enabled(id), c.present) << c.lun << " control " << id;
        for (UINT id : {ids.imageEdit, ids.imageButton, ids.createImage})
            EXPECT_EQ(Enabled(id), c.imageControls) << c.lun << " image control " << id;
        if (c.present) {
            EXPECT_EQ(page->List(ids.type).currentIndex(), c.typeItem) << c.lun;
            EXPECT_EQ(Checked(ids.mbr), c.mbr) << c.lun;
        }
    }
    EXPECT_EQ(Text(IDC_FORMAT_MAX_LUN), u"2");
    EXPECT_EQ(Text(IDC_FORMAT_TOTAL), u"180") << "no device: the sum of the four capacities";
    EXPECT_EQ(Text(IDC_FORMAT_REMAIN), u"50") << "what the present LUNs leave of it";
}

TEST_F(FormatPageTest, ModeBitsHideTheMbrBoxesAndCapFromCis)
{
    struct Case {
        DWORD mode;
        bool mbrShown, capFromCisShown;
    } cases[] = {{0, true, false}, {0x80, false, false}, {0x01, true, true}, {0x81, false, true}};
    for (const Case& c : cases) {
        Load(LunKeys(0x0F, {MB, MB, MB, MB}), c.mode);
        Open();
        for (int lun = 0; lun < 4; ++lun)
            EXPECT_EQ(Shown(Ids(lun).mbr), c.mbrShown) << c.mode;
        EXPECT_EQ(Shown(IDC_FORMAT_CAP_FROM_CIS), c.capFromCisShown) << c.mode;
        page.reset();
    }
}

TEST_F(FormatPageTest, HiddenAndAutoRunSwitchesComeWithTheIsoLun)
{
    struct Case {
        DWORD bits;
        BYTE lunType0, lunType2, attribute2;
        bool enabled, hiddenPublic, hiddenIso, autoRun;
    } cases[] = {
        {0x05, 0x80, 0x00, 0x00, true, true, false, true},
        {0x05, 0x00, 0x80, 0x40, true, false, true, false},
        {0x03, 0x80, 0x80, 0x00, false, true, true, true},
    };
    for (const Case& c : cases) {
        Load(LunKeys(c.bits, {MB, MB, MB, MB}));
        Record().CISImage.bytes[cis::kLunType] = c.lunType0;
        Record().CISImage.bytes[cis::kLunType + 2] = c.lunType2;
        Record().CISImage.bytes[cis::kLunAttribute + 2] = c.attribute2;
        Open();
        for (UINT id : {IDC_FORMAT_HIDDEN_PUBLIC, IDC_FORMAT_HIDDEN_ISO9660, IDC_FORMAT_AUTO_RUN})
            EXPECT_EQ(Enabled(id), c.enabled) << c.bits << " " << id;
        EXPECT_EQ(Checked(IDC_FORMAT_HIDDEN_PUBLIC), c.hiddenPublic);
        EXPECT_EQ(Checked(IDC_FORMAT_HIDDEN_ISO9660), c.hiddenIso);
        EXPECT_EQ(Checked(IDC_FORMAT_AUTO_RUN), c.autoRun);
        page.reset();
    }
}

TEST_F(FormatPageTest, WithAutoTuneOnlyTheFirstPresentStartIsTyped)
{
    struct Case {
        DWORD bits;
        std::array<bool, 4> writable;
    } cases[] = {
        {0x0F, {true, true, true, true}},
        {kLunAutoTune | 0x0F, {true, false, false, false}},
        {kLunAutoTune | 0x0C, {false, false, true, false}},
        {0x0A, {false, true, false, true}},
    };
    for (const Case& c : cases) {
        Load(LunKeys(c.bits, {MB, MB, MB, MB}));
        Open();
        EXPECT_EQ(Checked(IDC_FORMAT_AUTO_TUNE), (c.bits & kLunAutoTune) != 0);
        for (int lun = 0; lun < 4; ++lun)
            EXPECT_EQ(Writable(Ids(lun).startLba), c.writable[lun]) << std::hex << c.bits << " LUN " << lun;
        page.reset();
    }
}

TEST_F(FormatPageTest, LunZeroTakesTheRest)
{
    struct Case {
        BYTE lun0Type;
        DWORD capacity0;
        DWORD capacity1;
    } cases[] = {{2, 1000 * MB, 0}, {1, 10 * MB, 100 * MB}}; // FAT16 keeps its own size
    for (const Case& c : cases) {
        Load(LunKeys(kLunZeroTakesRest | 0x03, {10 * MB, 100 * MB, 0, 0}, {}, {c.lun0Type, 2, 3, 2}));
        PlugIn(0, 1000 * MB);
        Open();
        EXPECT_EQ(Capacity(0), c.capacity0) << int(c.lun0Type);
        EXPECT_EQ(Capacity(1), c.capacity1) << int(c.lun0Type);
        for (int lun = 1; lun < 4; ++lun)
            for (UINT id : {Ids(lun).startLba, Ids(lun).capacity, Ids(lun).slider, Ids(lun).type, Ids(lun).label,
                            Ids(lun).enable})
                EXPECT_FALSE(Enabled(id)) << "LUN " << lun << " control " << id;
        EXPECT_TRUE(Enabled(Ids(0).capacity));
        page.reset();
    }
}

TEST_F(FormatPageTest, TheTargetsSizeGivesTheTotals)
{
    struct Case {
        const char* name;
        DWORD mode;
        int devNoView;
        int port;      // -1: none
        BYTE hubTier;
        DWORD lastLba;
        bool blockMap;
        BYTE ce, channels, sizeCode;
        DWORD start0;
        DWORD total;
    } cases[] = {
        {"no device: the capacities' sum", 0, 4, -1, 0, 0, false, 0, 0, 0, 0, 300 * MB},
        {"chip mode: READ CAPACITY's last LBA", 0, 4, 1, 2, 0x3B9FFF, false, 0, 0, 0, 0, 0x3B9FFF},
        {"a device beyond the view's ports", 0, 1, 2, 2, 0x3B9FFF, false, 0, 0, 0, 0, 300 * MB},
        {"a record the walk did not fill", 0, 4, 1, 0, 0x3B9FFF, false, 0, 0, 0, 0, 300 * MB},
        {"a disk whose capacity was not read", 0, 4, 1, 2, 0, false, 0, 0, 0, 0, 300 * MB},
        {"flash-drive mode: 95 % of the flash", 1, 4, 0, 1, 0x3B9FFF, true, 2, 2, 1,
         0, static_cast<DWORD>((0x200000ull << 1) * 4 / 100 * 95)},
        {"flash-drive mode without a block map", 1, 4, 0, 1, 0x3B9FFF, false, 0, 0, 0, 0, 300 * MB},
        {"a flash of more sectors than 32 bits hold", 1, 4, 0, 1, 0, true, 4, 4, 15, 0x800, 0xFFFFFFFF},
        {"LUN 0's start is taken off", 0, 4, 3, 1, 0x3B9FFF, false, 0, 0, 0, 0x800, 0x3B9FFF},
    };
    for (const Case& c : cases) {
        Load(LunKeys(0x03, {100 * MB, 200 * MB, 0, 0}, {c.start0, 0, 0, 0}), c.mode);
        frame->DevNoView = c.devNoView;
        Record().CISImage.bytes[cis::kFlashSizeCode] = c.sizeCode;
        UFDBlockMap map{};
        map.ceCount = c.ce;
        map.channelCount = c.channels;
        frame->BlockMapHandle = c.blockMap ? &map : nullptr;
        if (c.port >= 0) {
            PlugIn(c.port, c.lastLba);
            document.Ports()[c.port].hubTier = c.hubTier;
        }
        Open();
        document.Ports() = {};
        EXPECT_EQ(page->Layout().TotalSectors, c.total) << c.name;
        EXPECT_EQ(page->Layout().AvailableSectors, c.total - c.start0) << c.name;
        EXPECT_EQ(platform::WideToUtf8(Text(IDC_FORMAT_TOTAL)), std::to_string((c.total - c.start0) >> 11)) << c.name;
    }
}

} // namespace
} // namespace formattest
