// The serial-number block of the chip page: the generator modes with their masks (the
// date masks on a fixed date), the length, the decimal switch, the interval, and what
// the page writes of the serial number.
#include "settings_fixture.h"

namespace settingstest {
namespace {

using SerialBlock = SettingsTest;

std::string Cis(int snType, int length, const char* serial, int decimal = 0, const char* mask = "")
{
    return "SNType=" + std::to_string(snType) + "\nSerialNumberY=" + std::to_string(length) + "\nSerialNumberX=" + serial +
           "\nDecCheck=" + std::to_string(decimal) + "\nSNInterval=5\nSNMask=" + mask + "\n";
}

struct ModeCase {
    int snType;
    int length;
    const char16_t* mask;
    bool intervalWritable;
    bool fieldsEnabled;
};

TEST_F(SerialBlock, EachGeneratorModeSetsItsMaskAndWhatCanBeEdited)
{
    const ModeCase cases[] = {
        {1, 8, u"#####ABC", false, true},   // the loaded mask refitted to the length
        {2, 8, u"########", true, true},   {3, 8, u"########", false, true},
        {4, 8, u"261209##", true, true},   {4, 6, u"261209", true, true},
        {4, 5, u"61209", true, true},      {5, 8, u"261209##", false, true},
        {6, 10, u"##########", true, true}, {7, 8, u"#####ABC", true, false},
    };
    for (const ModeCase& c : cases) {
        Load(Cis(c.snType, c.length, "0x0000000000001234", 0, "ABC"));
        Open();
        const std::string what = "type " + std::to_string(c.snType) + " length " + std::to_string(c.length);
        EXPECT_EQ(page->List(IDC_SN_GENERATOR).currentIndex(), c.snType) << what;
        EXPECT_EQ(Narrow(Text(IDC_SN_MASK)), Narrow(c.mask)) << what;
        EXPECT_EQ(Narrow(Record().SNMask.str()), Narrow(c.mask)) << what;
        EXPECT_EQ(!page->Edit(IDC_SN_INTERVAL).isReadOnly(), c.intervalWritable) << what;
        for (UINT id : {IDC_SN_INTERVAL, IDC_SERIAL_NUMBER, IDC_SN_LENGTH, IDC_SN_LENGTH_OK, IDC_SN_MASK, IDC_DECIMAL_SN})
            EXPECT_EQ(Enabled(id), c.fieldsEnabled) << what << ": " << id;
        frame->SerialLengthText.clear(); // the next opening takes the loaded length
        page.reset();
    }
}

TEST_F(SerialBlock, ChoosingAModeAppliesIt)
{
    Load(Cis(1, 8, "0x0000000000001234"));
    Open();
    const struct {
        int index;
        const char16_t* mask;
    } choices[] = {{4, u"261209##"}, {2, u"########"}, {5, u"261209##"}, {6, u"########"}};
    for (const auto& choice : choices) {
        Choose(IDC_SN_GENERATOR, choice.index);
        EXPECT_EQ(+Record().SNType, choice.index);
        EXPECT_EQ(Narrow(Record().SNMask.str()), Narrow(choice.mask)) << choice.index;
    }
    Choose(IDC_SN_GENERATOR, 7);
    EXPECT_FALSE(Enabled(IDC_SERIAL_NUMBER));
    Choose(IDC_SN_GENERATOR, 2);
    EXPECT_TRUE(Enabled(IDC_SERIAL_NUMBER)) << "a mode change enables the fields again";
}

TEST_F(SerialBlock, ResetSnZeroesTheNumberAndLeavesFixSnChosen)
{
    Load(Cis(2, 8, "0x0000000000001234"));
    Open();
    Choose(IDC_SN_GENERATOR, 0);
    EXPECT_EQ(+Record().SerialNumberX, 0u);
    EXPECT_EQ(+Record().SNInterval, 1);
    EXPECT_EQ(+Record().SNType, 1);
    EXPECT_EQ(page->List(IDC_SN_GENERATOR).currentIndex(), 1);
    EXPECT_EQ(Text(IDC_SERIAL_NUMBER), u"00000000");
    EXPECT_EQ(Text(IDC_SN_INTERVAL), u"1");
    EXPECT_TRUE(page->Edit(IDC_SN_INTERVAL).isReadOnly());
}

TEST_F(SerialBlock, OpeningShowsTheLastCharactersOfTheSerialNumberAndWritesNothingBack)
{
    const struct {
        int length;
        const char* serial;
        int decimal;
        const char16_t* shown;
    } cases[] = {
        {8, "0x000000123456789A", 0, u"3456789A"},
        {16, "0x000000123456789A", 0, u"000000123456789A"},
        {0, "0x000000123456789A", 0, u""},
        {10, "0x00000000075BCD15", 1, u"0123456789"},
    };
    for (const auto& c : cases) {
        Load(Cis(1, c.length, c.serial, c.decimal));
        const ULONGLONG loaded = Record().SerialNumberX;
        Open();
        EXPECT_EQ(Narrow(Text(IDC_SERIAL_NUMBER)), Narrow(c.shown)) << c.serial << " " << c.length;
        // Storing the shortened text would hand out an older number again.
        EXPECT_EQ(+Record().SerialNumberX, loaded) << c.serial << " " << c.length;
        frame->SerialLengthText.clear();
        page.reset();
    }
}

TEST_F(SerialBlock, TypingASerialNumberKeepsItsLastCharactersInTheBaseShown)
{
    Load(Cis(1, 8, "0x0000000000000000", 0, "AB"));
    Open();
    const struct {
        const char16_t* typed;
        bool decimal;
        const char16_t* kept;
        ULONGLONG value;
    } cases[] = {
        {u"ABC", false, u"ABC", 0xABC},
        {u"123456789A", false, u"3456789A", 0x3456789A},
        {u"12G4", false, u"12G4", 0x12},
        {u"00001234", true, u"00001234", 1234},
        {u"9876543210", true, u"76543210", 76543210},
        {u"12x4", true, u"12x4", 12},
    };
    for (const auto& c : cases) {
        if (Checked(IDC_DECIMAL_SN) != c.decimal) {
            Record().SerialNumberX = 0;
            Click(IDC_DECIMAL_SN);
        }
        Type(IDC_SERIAL_NUMBER, c.typed);
        EXPECT_EQ(Narrow(Text(IDC_SERIAL_NUMBER)), Narrow(c.kept)) << Narrow(c.typed);
        EXPECT_EQ(+Record().SerialNumberX, c.value) << Narrow(c.typed);
        EXPECT_EQ(Text(IDC_SN_MASK), u"######AB") << "each serial edit refits the mask";
    }
}

TEST_F(SerialBlock, TheMaskIsFittedToTheLength)
{
    Load(Cis(6, 6, "0x0000000000000000"));
    Open();
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"AB", u"####AB"}, {u"ABCDEFGH", u"CDEFGH"}, {u"", u"######"}, {u"123456", u"123456"}};
    for (auto [typed, fitted] : cases) {
        Type(IDC_SN_MASK, typed);
        EXPECT_EQ(Narrow(Text(IDC_SN_MASK)), Narrow(fitted)) << Narrow(typed);
        EXPECT_EQ(Narrow(Record().SNMask.str()), Narrow(fitted)) << Narrow(typed);
    }
}

TEST_F(SerialBlock, TheIntervalKeepsThreeDigits)
{
    Load(Cis(2, 8, "0x0000000000000000"));
    Open();
    const struct {
        const char16_t* typed;
        const char16_t* kept;
        INT value;
    } cases[] = {{u"10", u"10", 10}, {u"12345", u"123", 123}, {u"7x", u"7x", 7}, {u"abc", u"abc", 0}};
    for (const auto& c : cases) {
        Type(IDC_SN_INTERVAL, c.typed);
        EXPECT_EQ(Narrow(Text(IDC_SN_INTERVAL)), Narrow(c.kept));
        EXPECT_EQ(+Record().SNInterval, c.value) << Narrow(c.typed);
    }
}

TEST_F(SerialBlock, TheLengthTakesEffectWithItsOkButton)
{
    const struct {
        const char16_t* typed;
        const char16_t* shown;
        INT length;
        const char16_t* serial;
        ULONGLONG value;
    } cases[] = {
        {u"20", u"16", 16, u"0000000000000ABC", 0xABC},
        {u"8", u"8", 8, u"00000ABC", 0xABC},
        {u"2", u"2", 2, u"BC", 0xBC},
        {u"0", u"0", 0, u"", 0},
        {u"-3", u"0", 0, u"", 0},
    };
    for (const auto& c : cases) {
        Load(Cis(6, 3, "0x0000000000000ABC"));
        Open();
        EXPECT_EQ(Text(IDC_SERIAL_NUMBER), u"ABC");
        Type(IDC_SN_LENGTH, c.typed);
        EXPECT_EQ(+Record().SerialNumberY, 3) << "the edit alone changes nothing";
        Click(IDC_SN_LENGTH_OK);
        EXPECT_EQ(Narrow(Text(IDC_SN_LENGTH)), Narrow(c.shown)) << Narrow(c.typed);
        EXPECT_EQ(+Record().SerialNumberY, c.length) << Narrow(c.typed);
        EXPECT_EQ(Narrow(frame->SerialLengthText), Narrow(c.shown)) << Narrow(c.typed);
        EXPECT_EQ(Narrow(Text(IDC_SERIAL_NUMBER)), Narrow(c.serial)) << Narrow(c.typed);
        EXPECT_EQ(+Record().SerialNumberX, c.value) << Narrow(c.typed);
        EXPECT_EQ(Record().SNMask.size(), static_cast<std::size_t>(c.length));
        frame->SerialLengthText.clear();
        page.reset();
    }
}

TEST_F(SerialBlock, TheLengthTextOutlastsTheSheet)
{
    Load(Cis(2, 8, "0x0000000000000000"));
    Open();
    Type(IDC_SN_LENGTH, u"12");
    Click(IDC_SN_LENGTH_OK);
    page.reset();
    Record().SerialNumberY = 8; // as a Cancel of the sheet would put it back
    Open();
    EXPECT_EQ(Record().SNMask.str(), std::u16string(12, u'#')) << "the block keeps the frame's length text";
}

TEST_F(SerialBlock, DecimalSnIsRefusedForANumberLongerThanTheLength)
{
    const struct {
        const char* serial;
        bool accepted;
        const char16_t* shown;
    } cases[] = {
        {"0x00000000075BCD15", false, u"075BCD15"}, // 123456789: nine digits
        {"0x0000000000BC614E", true, u"12345678"},  // 12345678
        {"0x0000000005F5E0FF", true, u"99999999"},  // the largest of eight digits
    };
    for (const auto& c : cases) {
        Load(Cis(1, 8, c.serial));
        const ULONGLONG value = Record().SerialNumberX;
        Open();
        Click(IDC_DECIMAL_SN);
        EXPECT_EQ(Checked(IDC_DECIMAL_SN), c.accepted) << c.serial;
        EXPECT_EQ(+Record().DecCheck, c.accepted ? 1 : 0) << c.serial;
        EXPECT_EQ(Narrow(Text(IDC_SERIAL_NUMBER)), Narrow(c.shown)) << c.serial;
        EXPECT_EQ(Text(IDC_SERIAL_NUMBER_LABEL), c.accepted ? u"Serial Number(Dec):" : u"Serial Number(Hex):");
        EXPECT_EQ(+Record().SerialNumberX, value) << "the value is kept";
        if (c.accepted) {
            Click(IDC_DECIMAL_SN);
            EXPECT_EQ(+Record().DecCheck, 0);
            EXPECT_EQ(Text(IDC_SERIAL_NUMBER_LABEL), u"Serial Number(Hex):");
            EXPECT_EQ(+Record().SerialNumberX, value) << "and back in hexadecimal";
        }
        frame->SerialLengthText.clear();
        page.reset();
    }
}

} // namespace
} // namespace settingstest
