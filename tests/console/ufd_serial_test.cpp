// The serial-number block of the flash-drive page: the seven generator modes with their
// masks (the date masks on a fixed date) and what can be edited, the whole serial number in
// either base, the interval and the mask, and the data-exchange messages of its number edits.
#include "ufd_page_fixture.h"

namespace settingstest {
namespace {

using UfdSerial = UfdPageTest;

std::string Cis(int snType, const char* serial, int decimal = 0, const char* mask = "AB##")
{
    return "SNType=" + std::to_string(snType) + "\nSerialNumberY=8\nSerialNumberX=" + serial + "\nDecCheck=" +
           std::to_string(decimal) + "\nSNInterval=5\nSNMask=" + mask + "\n";
}

struct ModeCase {
    int snType;
    int selected;
    const char16_t* mask;
    bool serialWritable;
    bool maskWritable;
    bool intervalWritable;
};

TEST_F(UfdSerial, EachGeneratorModeSetsItsMaskAndWhatCanBeEdited)
{
    const ModeCase cases[] = {
        {1, 1, u"AB##", false, false, false},
        {2, 2, u"################", false, false, true},
        {3, 3, u"################", false, false, false},
        {4, 4, u"261209##########", false, true, true},
        {5, 5, u"261209##########", false, true, false},
        // Opening in the custom mode keeps the mask as stored.
        {6, 6, u"AB##", true, true, true},
        // No entry reads the number from a disk: nothing chosen, nothing changed.
        {7, -1, u"AB##", false, false, true},
    };
    for (const ModeCase& c : cases) {
        Load(Cis(c.snType, "0x0000000000001234"));
        Open();
        const std::string what = "type " + std::to_string(c.snType);
        EXPECT_EQ(Selected(IDC_UFD_SN_GENERATOR), c.selected) << what;
        EXPECT_EQ(Narrow(Text(IDC_UFD_SN_MASK)), Narrow(c.mask)) << what;
        EXPECT_EQ(Narrow(Record().SNMask.str()), Narrow(c.mask)) << what;
        EXPECT_EQ(!ReadOnly(IDC_UFD_SERIAL_NUMBER), c.serialWritable) << what;
        EXPECT_EQ(!ReadOnly(IDC_UFD_SN_MASK), c.maskWritable) << what;
        EXPECT_EQ(!ReadOnly(IDC_UFD_SN_INTERVAL), c.intervalWritable) << what;
        EXPECT_EQ(+Record().SerialNumberX, 0x1234u) << what;
        EXPECT_EQ(+Record().SNInterval, 5) << what;
        EXPECT_EQ(+Record().SNType, c.snType) << what;
        EXPECT_TRUE(boxes.empty()) << what;
    }
}

TEST_F(UfdSerial, TheGeneratorListHoldsSevenModes)
{
    Load(Cis(1, "0x0000000000000000"), "Language=XX\n[XX]\nFixSN=Fest\n");
    Open();
    QComboBox& list = ufdPage->List(IDC_UFD_SN_GENERATOR);
    ASSERT_EQ(list.count(), 7);
    EXPECT_EQ(list.itemText(0), QStringLiteral("Reset SN"));
    EXPECT_EQ(list.itemText(1), QStringLiteral("Fest"));
    EXPECT_EQ(list.itemText(6), QStringLiteral("Enable Custom Define SN Generator"));
}

TEST_F(UfdSerial, ChoosingAModeAppliesIt)
{
    Load(Cis(1, "0x0000000000001234"));
    Open();
    const struct {
        int index;
        const char16_t* mask;
        bool serialWritable;
    } choices[] = {
        {4, u"261209##########", false}, {2, u"################", false}, {5, u"261209##########", false},
        {6, u"################", true},   {1, u"################", false},
    };
    for (const auto& choice : choices) {
        Choose(IDC_UFD_SN_GENERATOR, choice.index);
        EXPECT_EQ(+Record().SNType, choice.index);
        EXPECT_EQ(Narrow(Record().SNMask.str()), Narrow(choice.mask)) << choice.index;
        EXPECT_EQ(Narrow(Text(IDC_UFD_SN_MASK)), Narrow(choice.mask)) << choice.index;
        EXPECT_EQ(!ReadOnly(IDC_UFD_SERIAL_NUMBER), choice.serialWritable) << choice.index;
    }
    EXPECT_EQ(+Record().SerialNumberX, 0x1234u);
}

TEST_F(UfdSerial, TheCustomMaskIsSetWhenChosenAndKeptWhenReopened)
{
    Load(Cis(2, "0x0000000000000000"));
    Open();
    Choose(IDC_UFD_SN_GENERATOR, 6);
    EXPECT_EQ(Record().SNMask.str(), u"################");
    // A typed mask is kept as typed: this page neither pads nor cuts it.
    Type(IDC_UFD_SN_MASK, u"AB##");
    EXPECT_EQ(Record().SNMask.str(), u"AB##");
    Reopen();
    EXPECT_EQ(Text(IDC_UFD_SN_MASK), u"AB##");
    EXPECT_EQ(Record().SNMask.str(), u"AB##");
}

TEST_F(UfdSerial, ResetSnZeroesTheNumberAndLeavesFixSnChosen)
{
    Load(Cis(2, "0x0000000000001234"));
    Open();
    Choose(IDC_UFD_SN_GENERATOR, 0);
    EXPECT_EQ(+Record().SerialNumberX, 0u);
    EXPECT_EQ(+Record().SNInterval, 1);
    EXPECT_EQ(+Record().SNType, 1);
    EXPECT_EQ(Selected(IDC_UFD_SN_GENERATOR), 1);
    EXPECT_EQ(Text(IDC_UFD_SERIAL_NUMBER), u"0000000000000000");
    EXPECT_EQ(Text(IDC_UFD_SN_INTERVAL), u"1");
    EXPECT_TRUE(ReadOnly(IDC_UFD_SN_INTERVAL));
}

TEST_F(UfdSerial, TheWholeSerialNumberIsShownAndNothingIsWrittenBack)
{
    const struct {
        const char* serial;
        int decimal;
        const char16_t* shown;
    } cases[] = {
        {"0x000000123456789A", 0, u"000000123456789A"},
        {"0x0000000100000000", 1, u"0000004294967296"},
        // More than 16 decimal digits are shown whole, never cut.
        {"0xFFFFFFFFFFFFFFFF", 1, u"18446744073709551615"},
        {"0x0000000000000000", 1, u"0000000000000000"},
    };
    for (const auto& c : cases) {
        Load(Cis(6, c.serial, c.decimal));
        const ULONGLONG loaded = Record().SerialNumberX;
        Open();
        EXPECT_EQ(Narrow(Text(IDC_UFD_SERIAL_NUMBER)), Narrow(c.shown)) << c.serial;
        EXPECT_EQ(+Record().SerialNumberX, loaded) << c.serial;
        EXPECT_EQ(ufdPage->SerialNumberWritten(), std::nullopt) << c.serial << ": showing writes nothing";
    }
}

TEST_F(UfdSerial, DecimalSnSwitchesTheBaseAndKeepsTheNumber)
{
    Load(Cis(1, "0x0000000100000000"));
    Open();
    EXPECT_EQ(Text(IDC_UFD_SERIAL_NUMBER), u"0000000100000000");
    const struct {
        bool decimal;
        const char16_t* shown;
        const char16_t* label;
    } clicks[] = {
        {true, u"0000004294967296", u"Serial Number(Dec):"},
        {false, u"0000000100000000", u"Serial Number(Hex):"},
        {true, u"0000004294967296", u"Serial Number(Dec):"},
    };
    for (const auto& click : clicks) {
        Click(IDC_UFD_DECIMAL_SN);
        EXPECT_EQ(Checked(IDC_UFD_DECIMAL_SN), click.decimal);
        EXPECT_EQ(+Record().DecCheck, click.decimal ? 1 : 0);
        EXPECT_EQ(Narrow(Text(IDC_UFD_SERIAL_NUMBER)), Narrow(click.shown));
        EXPECT_EQ(Narrow(Text(IDC_UFD_SERIAL_NUMBER_LABEL)), Narrow(click.label));
        EXPECT_EQ(+Record().SerialNumberX, 4294967296u) << "the number reads back unchanged";
    }
    // A number longer than 16 decimal digits switches too: this page never cuts it.
    Record().SerialNumberX = 0xFFFFFFFFFFFFFFFFull;
    Click(IDC_UFD_DECIMAL_SN);
    Click(IDC_UFD_DECIMAL_SN);
    EXPECT_EQ(Text(IDC_UFD_SERIAL_NUMBER), u"18446744073709551615");
    EXPECT_EQ(+Record().SerialNumberX, 0xFFFFFFFFFFFFFFFFull);
}

struct NumberCase {
    UINT id;
    bool decimal;
    const char16_t* typed;
    std::u16string message; // empty: accepted
    ULONGLONG serial;
    INT interval;
};

TEST_F(UfdSerial, TypedNumbersAreReadOrRefusedWithTheDataExchangeMessage)
{
    const NumberCase cases[] = {
        {IDC_UFD_SERIAL_NUMBER, false, u"ABC", u"", 0xABC, 5},
        {IDC_UFD_SERIAL_NUMBER, false, u"123456789ABCDEF0", u"", 0x123456789ABCDEF0, 5},
        {IDC_UFD_SERIAL_NUMBER, false, u"12G4", u"", 0x12, 5},
        {IDC_UFD_SERIAL_NUMBER, true, u"4294967296", u"", 4294967296u, 5},
        {IDC_UFD_SERIAL_NUMBER, true, u"18446744073709551615", u"", 0xFFFFFFFFFFFFFFFF, 5},
        {IDC_UFD_SERIAL_NUMBER, true, u"18446744073709551616", u"Enter a positive integer.", 0xFFFFFFFFFFFFFFFF, 5},
        {IDC_UFD_SERIAL_NUMBER, true, u"12x4", u"Enter a positive integer.", 0xFFFFFFFFFFFFFFFF, 5},
        {IDC_UFD_SERIAL_NUMBER, true, u"-1", u"Enter a positive integer.", 0xFFFFFFFFFFFFFFFF, 5},
        {IDC_UFD_SERIAL_NUMBER, true, u"", u"Enter a positive integer.", 0xFFFFFFFFFFFFFFFF, 5},
        {IDC_UFD_SN_INTERVAL, false, u"10", u"", 0xFFFFFFFFFFFFFFFF, 10},
        {IDC_UFD_SN_INTERVAL, false, u"12345", u"", 0xFFFFFFFFFFFFFFFF, 12345},
        {IDC_UFD_SN_INTERVAL, false, u"-3", u"", 0xFFFFFFFFFFFFFFFF, -3},
        {IDC_UFD_SN_INTERVAL, false, u"7x", u"Enter an integer.", 0xFFFFFFFFFFFFFFFF, -3},
        {IDC_UFD_SN_INTERVAL, false, u"2147483648", u"Enter an integer.", 0xFFFFFFFFFFFFFFFF, -3},
        {IDC_UFD_SN_INTERVAL, false, u"-2147483648", u"", 0xFFFFFFFFFFFFFFFF, -2147483647 - 1},
    };
    Load(Cis(6, "0x0000000000000000"));
    Open();
    for (const NumberCase& c : cases) {
        if (Checked(IDC_UFD_DECIMAL_SN) != c.decimal)
            Click(IDC_UFD_DECIMAL_SN);
        boxes.clear();
        QLineEdit& edit = ufdPage->Edit(c.id);
        edit.setText(QString::fromUtf16(c.typed));
        Q_EMIT edit.textEdited(edit.text());
        const std::string what = std::to_string(c.id) + " \"" + Narrow(c.typed) + "\"";
        EXPECT_EQ(Narrow(Text(c.id)), Narrow(c.typed)) << what << ": the text is not cut";
        EXPECT_EQ(+Record().SerialNumberX, c.serial) << what;
        EXPECT_EQ(+Record().SNInterval, c.interval) << what;
        if (c.message.empty()) {
            EXPECT_TRUE(boxes.empty()) << what;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << what;
            EXPECT_EQ(boxes[0].text, c.message) << what;
            EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONWARNING) << what;
        }
    }
}

} // namespace
} // namespace settingstest
