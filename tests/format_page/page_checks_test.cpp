// Each check and message of the format page: the capacities, starts and labels it takes
// or refuses, the LUN boxes (the last one stays), the switches, the types and the
// choosers, and the worked cases of Auto Tune and the FAT16 limit.
#include "page_fixture.h"

namespace formattest {
namespace {

// A 1000 MB device on port 0 with LUN 0 (100 MB) and LUN 1 (50 MB): 850 MB free.
class FormatChecks : public FormatPageTest {
protected:
    void OpenTwoLuns(DWORD extraBits = 0, std::array<BYTE, 4> types = {2, 2, 3, 2})
    {
        Load(LunKeys(0x03 | extraBits, {100 * MB, 50 * MB, 0, 0}, {0, 0x32000, 0, 0}, types) +
             "USB_MaxLUN=1\nImageSecurityLunPath=/images/security.img\nSourceSecurityLunPath=/data/security\n"
             "VolumeLable[1]=SECURE\n");
        PlugIn(0, 1000 * MB);
        Open();
    }
};

TEST_F(FormatChecks, TypedCapacities)
{
    struct Case {
        const char* name;
        std::u16string typed;
        DWORD capacity;
        const char16_t* shown;
        const char16_t* remain;
        std::vector<std::u16string> boxes;
    } cases[] = {
        {"taken", u"200", 200 * MB, u"200", u"700", {}},
        {"all that is free", u"900", 900 * MB, u"900", u"0", {}},
        {"more than is free: the old value again", u"901", 50 * MB, u"50", u"850", {}},
        {"above 0x1FFFFF MB", u"2097152", 50 * MB, u"50", u"850", {}},
        {"not a number", u"12a", 50 * MB, u"12a", u"850", {u"Enter a positive integer."}},
        {"empty", u"", 50 * MB, u"", u"850", {u"Enter a positive integer."}},
    };
    for (const Case& c : cases) {
        OpenTwoLuns();
        boxes.Clear();
        Enter(Ids(1).capacity, c.typed);
        EXPECT_EQ(Capacity(1), c.capacity) << c.name;
        EXPECT_EQ(Text(Ids(1).capacity), c.shown) << c.name;
        EXPECT_EQ(Text(IDC_FORMAT_REMAIN), c.remain) << c.name;
        EXPECT_EQ(boxes.Texts(), c.boxes) << c.name;
        EXPECT_EQ(page->Slider(1).value(), static_cast<int>(c.capacity >> 11)) << c.name;
    }
}

TEST_F(FormatChecks, TypedStarts)
{
    struct Case {
        const char* name;
        int lun;
        std::u16string typed;
        DWORD start;
        const char16_t* shown;
    } cases[] = {
        {"1000 is 0x1000", 0, u"1000", 0x1000, u"1000"},
        {"x20 is 0x20", 0, u"x20", 0x20, u"x20"},
        {"with its prefix", 0, u"0x00000800", 0x800, u"0x00000800"},
        {"cut to 10 characters", 0, u"123456789AB", 0x12345678, u"0x12345678"},
        {"LUN 1 with its prefix", 1, u"0x00100000", 0x100000, u"0x00100000"},
        {"LUN 1 without its prefix", 1, u"100000", 0x100000, u"100000"},
    };
    for (const Case& c : cases) {
        OpenTwoLuns();
        const DWORD available = page->Layout().AvailableSectors;
        Enter(Ids(c.lun).startLba, c.typed);
        EXPECT_EQ(Start(c.lun), c.start) << c.name;
        EXPECT_EQ(Text(Ids(c.lun).startLba), c.shown) << c.name;
        // LUN 0's start takes from what lies behind it; LUN 1 lies behind a LUN that has a size.
        const DWORD behind = c.start > available ? 0 : available - c.start;
        EXPECT_EQ(page->Layout().AvailableSectors, c.lun == 0 ? behind : available) << c.name;
    }
}

TEST_F(FormatChecks, AStartTypedKeyByKeyStaysAsTyped)
{
    OpenTwoLuns();
    Type(Ids(0).startLba, u"1000");
    EXPECT_EQ(Start(0), 0x1000u);
    EXPECT_EQ(Text(Ids(0).startLba), u"1000");
    EXPECT_EQ(page->Layout().AvailableSectors, 1000 * MB - 0x1000);
}

TEST_F(FormatChecks, LabelsKeepTheirTypesLength)
{
    struct Case {
        const char* name;
        BYTE type;
        std::u16string typed;
        std::u16string label;
    } cases[] = {
        {"FAT: 11 characters", 2, u"ABCDEFGHIJKLMN", u"ABCDEFGHIJK"},
        {"FAT: a short one as typed", 1, u"DATA", u"DATA"},
        {"NTFS: 32 characters", 4, std::u16string(40, u'n'), std::u16string(32, u'n')},
        {"never half a character", 2, u"ABCDEFGHIJ\U0001F600Z", u"ABCDEFGHIJ"},
    };
    for (const Case& c : cases) {
        OpenTwoLuns(0, {2, c.type, 3, 2});
        Enter(Ids(1).label, c.typed);
        EXPECT_EQ(Record().VolumeLable[1].str(), c.label) << c.name;
        EXPECT_EQ(Text(Ids(1).label), c.label) << c.name;
    }
}

TEST_F(FormatChecks, ALunBoxClearedEmptiesTheLun)
{
    OpenTwoLuns();
    Click(Ids(1).enable);
    EXPECT_EQ(Record().LunTypeBitMap & 0x0F, 0x01u);
    EXPECT_EQ(Start(1), 0u);
    EXPECT_EQ(Capacity(1), 0u);
    EXPECT_EQ(Text(Ids(1).capacity), u"0");
    EXPECT_EQ(Text(Ids(1).startLba), u"0x00000000");
    EXPECT_EQ(Text(IDC_FORMAT_MAX_LUN), u"0");
    EXPECT_EQ(Text(IDC_FORMAT_REMAIN), u"900");
    for (UINT id : {Ids(1).label, Ids(1).imageEdit, Ids(1).sourceEdit})
        EXPECT_EQ(Text(id), u"") << id;
    EXPECT_EQ(Record().ImageSecurityLunPath.str(), u"");
    for (UINT id : {Ids(1).type, Ids(1).mbr, Ids(1).imageButton, Ids(1).sourceButton, Ids(1).createImage})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Writable(Ids(1).capacity));

    Click(Ids(3).enable);
    EXPECT_EQ(Record().LunTypeBitMap & 0x0F, 0x09u);
    EXPECT_EQ(Text(IDC_FORMAT_MAX_LUN), u"1");
    for (UINT id : {Ids(3).type, Ids(3).mbr, Ids(3).imageButton, Ids(3).sourceButton, Ids(3).createImage})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_TRUE(Writable(Ids(3).capacity));
}

// Only the LUN bits count: the layout switches beside them are no LUN.
TEST_F(FormatChecks, TheLastLunStays)
{
    struct Case {
        DWORD bits;
        int lun;
    } cases[] = {{0x01, 0}, {0x04, 2}, {kLunAutoTune | kLunCapFromCis | (1u << 20) | 0x01, 0}, {0x7DFFFFF0 | 0x02, 1}};
    for (const Case& c : cases) {
        Load(LunKeys(c.bits, {100 * MB, 100 * MB, 100 * MB, 100 * MB}) + "USB_MaxLUN=0\n");
        Open();
        Click(Ids(c.lun).enable);
        EXPECT_TRUE(Checked(Ids(c.lun).enable)) << std::hex << c.bits;
        EXPECT_EQ(DWORD{Record().LunTypeBitMap}, c.bits) << std::hex << c.bits;
        EXPECT_EQ(Capacity(c.lun), 100 * MB);
        EXPECT_EQ(Text(IDC_FORMAT_MAX_LUN), u"0");
    }
}

TEST_F(FormatChecks, HiddenSwitchesExcludeEachOther)
{
    Load(LunKeys(0x05, {MB, 0, MB, 0}));
    Open();
    const BYTE* lunType = Record().CISImage.bytes + cis::kLunType;
    Click(IDC_FORMAT_HIDDEN_PUBLIC);
    EXPECT_EQ(lunType[0] & 0x80, 0x80);
    Click(IDC_FORMAT_HIDDEN_ISO9660);
    EXPECT_EQ(lunType[2] & 0x80, 0x80);
    EXPECT_EQ(lunType[0] & 0x80, 0);
    EXPECT_FALSE(Checked(IDC_FORMAT_HIDDEN_PUBLIC));
    Click(IDC_FORMAT_HIDDEN_PUBLIC);
    EXPECT_EQ(lunType[0] & 0x80, 0x80);
    EXPECT_EQ(lunType[2] & 0x80, 0);
    EXPECT_FALSE(Checked(IDC_FORMAT_HIDDEN_ISO9660));
    Click(IDC_FORMAT_HIDDEN_PUBLIC);
    EXPECT_EQ(lunType[0] & 0x80, 0);

    const BYTE& attribute = Record().CISImage.bytes[cis::kLunAttribute + 2];
    EXPECT_TRUE(Checked(IDC_FORMAT_AUTO_RUN));
    Click(IDC_FORMAT_AUTO_RUN);
    EXPECT_EQ(attribute & 0x40, 0x40) << "AutoRun off sets the attribute";
    Click(IDC_FORMAT_AUTO_RUN);
    EXPECT_EQ(attribute & 0x40, 0);
}

TEST_F(FormatChecks, TypesAndMbr)
{
    OpenTwoLuns();
    Record().ImageType[1] = 0xC2;
    Choose(Ids(1).type, 3); // NTFS
    EXPECT_EQ(Record().ImageType[1], 0x84) << "the MBR bit stays, the copy bit goes";
    for (UINT id : {Ids(1).imageEdit, Ids(1).imageButton, Ids(1).createImage})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(Ids(1).sourceButton));
    Choose(Ids(1).type, 2);
    EXPECT_EQ(Record().ImageType[1], 0x83);
    for (UINT id : {Ids(1).imageEdit, Ids(1).imageButton, Ids(1).createImage})
        EXPECT_TRUE(Enabled(id)) << id;
    Click(Ids(1).mbr); // shown unchecked: the record had no MBR when the page opened
    EXPECT_EQ(Record().ImageType[1], 0x83);
    Click(Ids(1).mbr);
    EXPECT_EQ(Record().ImageType[1], 0x03);
}

TEST_F(FormatChecks, AFat16LunZeroAbove2000MBIsCut)
{
    Load(LunKeys(0x01, {3000 * MB, 0, 0, 0}, {}, {2, 2, 3, 2}));
    PlugIn(0, 8000 * MB);
    Open();
    EXPECT_EQ(Capacity(0), 3000 * MB);
    Choose(Ids(0).type, 0); // FAT16
    EXPECT_EQ(Capacity(0), 4096000u);
    EXPECT_EQ(Text(Ids(0).capacity), u"2000");
    EXPECT_EQ(Text(IDC_FORMAT_REMAIN), u"6000");
}

TEST_F(FormatChecks, LunZeroTakesTheRestWhenItsTypeChanges)
{
    Load(LunKeys(kLunZeroTakesRest | 0x01, {10 * MB, 0, 0, 0}, {}, {1, 2, 3, 2}));
    PlugIn(0, 1000 * MB);
    Open();
    EXPECT_EQ(Capacity(0), 10 * MB) << "FAT16 keeps its size";
    Choose(Ids(0).type, 1); // FAT32
    EXPECT_EQ(Capacity(0), 1000 * MB);
    EXPECT_EQ(Text(Ids(0).capacity), u"1000");
    EXPECT_EQ(Text(IDC_FORMAT_REMAIN), u"0");
}

TEST_F(FormatChecks, AutoTuneMovesTheNextLunBehindTheOneBefore)
{
    Load(LunKeys(kLunAutoTune | 0x03, {100 * MB, 0, 0, 0}, {0, 0x100, 0, 0}));
    PlugIn(0, 1000 * MB);
    Open();
    Type(Ids(1).capacity, u"10");
    EXPECT_EQ(Start(1), 0x32000u);
    EXPECT_EQ(Text(Ids(1).startLba), u"0x00032000");
    Click(IDC_FORMAT_AUTO_TUNE);
    EXPECT_EQ(Record().LunTypeBitMap & kLunAutoTune, 0u);
    EXPECT_TRUE(Writable(Ids(1).startLba));
    Click(IDC_FORMAT_AUTO_TUNE);
    EXPECT_FALSE(Writable(Ids(1).startLba));
}

TEST_F(FormatChecks, SlidersSetTheCapacity)
{
    OpenTwoLuns();
    page->Slider(1).setValue(300);
    EXPECT_EQ(Capacity(1), 300 * MB);
    EXPECT_EQ(Text(Ids(1).capacity), u"300");
    EXPECT_EQ(Text(IDC_FORMAT_REMAIN), u"600");
    page->Slider(1).setValue(0);
    EXPECT_EQ(Capacity(1), 0u);
    EXPECT_EQ(Text(Ids(1).startLba), u"0x00032000");
    page->Slider(3).setValue(5);
    EXPECT_EQ(Capacity(3), 0u) << "an absent LUN's slider does nothing";
}

TEST_F(FormatChecks, PathEditsAndChoosers)
{
    OpenTwoLuns();
    Type(Ids(0).imageEdit, u"/images/typed.img");
    EXPECT_EQ(Record().ImagePublicLunPath.str(), u"/images/typed.img");
    Type(Ids(0).sourceEdit, u"/data/typed");
    EXPECT_EQ(Record().SourcePublicLunPath.str(), u"/data/typed");

    answers = {u"/images/chosen.iso", std::nullopt, u"/images/second.img"};
    Click(Ids(0).imageButton);
    EXPECT_EQ(Record().ImagePublicLunPath.str(), u"/images/chosen.iso");
    EXPECT_EQ(Text(Ids(0).imageEdit), u"/images/chosen.iso");
    Click(Ids(1).imageButton); // cancelled
    EXPECT_EQ(Record().ImageSecurityLunPath.str(), u"/images/security.img");
    Click(Ids(1).imageButton);
    EXPECT_EQ(Record().ImageSecurityLunPath.str(), u"/images/second.img");
    ASSERT_EQ(choosers.size(), 3u);
    EXPECT_EQ(choosers[0].kind, platform::FileDialogRequest::Kind::Open);
    EXPECT_EQ(choosers[0].filter, u"BIN File(*.iso)|*.iso|BIN File(*.img)|*.img| All File (*.*)|*.*||");
    EXPECT_EQ(choosers[1].filter, u"BIN File(*.img)|*.img| All File (*.*)|*.*||");
    EXPECT_EQ(choosers[0].defaultExtension, u"img");

    choosers.clear();
    answers = {u"/data/chosen", std::nullopt};
    Click(Ids(1).sourceButton);
    EXPECT_EQ(Record().SourceSecurityLunPath.str(), u"/data/chosen");
    EXPECT_EQ(Text(Ids(1).sourceEdit), u"/data/chosen");
    // A cancelled folder chooser keeps the folder the LUN had.
    Click(Ids(1).sourceButton);
    EXPECT_EQ(Record().SourceSecurityLunPath.str(), u"/data/chosen");
    EXPECT_EQ(Text(Ids(1).sourceEdit), u"/data/chosen");
    ASSERT_EQ(choosers.size(), 2u);
    EXPECT_EQ(choosers[0].kind, platform::FileDialogRequest::Kind::Folder);
    EXPECT_EQ(choosers[0].flags, BIF_RETURNONLYFSDIRS);
}

TEST_F(FormatChecks, CreateImageWithoutAnImageFile)
{
    OpenTwoLuns();
    Lines();
    Click(Ids(0).createImage);
    EXPECT_TRUE(Wrote("No Select File Path"));
    EXPECT_EQ(page->Build(0), nullptr);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(FormatChecks, DataExchangeShowsTheRecordAgain)
{
    OpenTwoLuns();
    Record().ImageSecurityLunPath = u"/images/loaded.img";
    Record().CISImage.SetDword(cis::kLunCapacity + 4, 20 * MB);
    page->DoDataExchange();
    EXPECT_EQ(Text(Ids(1).imageEdit), u"/images/loaded.img");
    EXPECT_EQ(Text(Ids(1).capacity), u"20");
    EXPECT_EQ(Text(IDC_FORMAT_REMAIN), u"880");
}

} // namespace
} // namespace formattest
