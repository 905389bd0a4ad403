#include "engine/ini/ini_file.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::string path = folder.File("t.ini");
    CIniFile ini{folder.WideFile("t.ini")};
};

TEST_F(IniFileTest, EveryWriterStoresItsFormAndReadsBackUnchanged)
{
    ini.WriteString(u"S", u"text", u"some text");
    ini.WriteInt(u"S", u"dec", -2147483647 - 1);
    ini.WriteHex32(u"S", u"hex32", 0xABCDEF01);
    ini.WriteHex64(u"S", u"hex64", 0xFEDCBA9876543210);
    ini.WriteHex64(u"S", u"hex64low", 0x12345678); // high half 0: eight zero digits first
    ini.WriteHexByte(u"S", u"hex8", 0x0A);
    EXPECT_EQ(ReadBytes(path), "[S]\r\ntext=some text\r\ndec=-2147483648\r\nhex32=0xABCDEF01\r\n"
                               "hex64=0xFEDCBA9876543210\r\nhex64low=0x0000000012345678\r\nhex8=0x0A\r\n");
    EXPECT_EQ(ini.GetString(u"S", u"text", u""), u"some text");
    EXPECT_EQ(ini.GetInt(u"S", u"dec", 0), INT_MIN);
    EXPECT_EQ(ini.GetHex32(u"S", u"hex32", 0), 0xABCDEF01u);
    EXPECT_EQ(ini.GetHex64(u"S", u"hex64", 0), 0xFEDCBA9876543210u);
    EXPECT_EQ(ini.GetHex64(u"S", u"hex64low", 0), 0x12345678u);
    EXPECT_EQ(ini.GetHexByte(u"S", u"hex8", 0), 0x0A);
}

struct NumberCase {
    const char* value; // as it stands after "k=" in the file
    INT asInt;
    DWORD asHex32;
    ULONGLONG asHex64;
    BYTE asHexByte;
};

class IniFileNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(IniFileNumbers, ReadersConvertTheStoredText)
{
    const NumberCase& c = GetParam();
    ScratchFolder folder;
    WriteBytes(folder.File("t.ini"), std::string("[S]\nk=") + c.value + "\n");
    CIniFile ini(folder.WideFile("t.ini"));
    EXPECT_EQ(ini.GetInt(u"S", u"k", 77), c.asInt);
    EXPECT_EQ(ini.GetHex32(u"S", u"k", 77), c.asHex32);
    EXPECT_EQ(ini.GetHex64(u"S", u"k", 77), c.asHex64);
    EXPECT_EQ(ini.GetHexByte(u"S", u"k", 77), c.asHexByte);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IniFileNumbers,
    ::testing::Values(NumberCase{"", 77, 77, 77, 77}, // present but empty: the default for every number
                      NumberCase{"0x1A2b", 0, 0x1A2B, 0x1A2B, 0x2B}, NumberCase{"0x12G4", 0, 0x12, 0x12, 0x12},
                      NumberCase{"0x", 0, 0, 0, 0}, NumberCase{"1234", 1234, 0x34, 0x34, 0x34},
                      NumberCase{"0x123456789", 0, 0x23456789, 0x123456789, 0x89},
                      NumberCase{"\"  -12abc\"", -12, 0, 0, 0}, NumberCase{"letters", 0, 0, 0, 0},
                      NumberCase{"+42", 42, 0x2, 0x2, 0x2}, NumberCase{"99999999999", INT_MAX, 0x999999999 & 0xFFFFFFFF,
                                                                       0x999999999, 0x99},
                      NumberCase{"-99999999999", INT_MIN, 0x9999999999 & 0xFFFFFFFF, 0x9999999999, 0x99}));

TEST_F(IniFileTest, StringsComeBackWholeHoweverLongAndEmptyIsNotTheDefault)
{
    for (std::size_t length : {2047u, 2048u, 2049u, 4095u, 5000u}) {
        std::u16string value(length, u'v');
        value.back() = u'e';
        ini.WriteString(u"S", u"long", value);
        EXPECT_EQ(ini.GetString(u"S", u"long", u""), value) << length;
    }
    ini.WriteString(u"S", u"empty", u"");
    EXPECT_EQ(ini.GetString(u"S", u"empty", u"default"), u"");
    EXPECT_EQ(ini.GetString(u"S", u"missing", u"default"), u"default");
    EXPECT_EQ(ini.GetString(u"Missing", u"empty", u"default"), u"default");
}

TEST_F(IniFileTest, ObjectsOnOneFileSeeEachOthersWrites)
{
    CIniFile other(folder.WideFile("t.ini"));
    ini.WriteInt(u"S", u"a", 1);
    EXPECT_EQ(other.GetInt(u"S", u"a", 0), 1);
    other.WriteInt(u"S", u"a", 2);
    EXPECT_EQ(ini.GetInt(u"S", u"a", 0), 2);
}

TEST_F(IniFileTest, AFailedWriteRaisesTheException)
{
    CIniFile unwritable(folder.WideFile("absent/t.ini"));
    EXPECT_THROW(unwritable.WriteString(u"S", u"k", u"v"), CIniFileException);
    EXPECT_THROW(unwritable.WriteHex32(u"S", u"k", 1), CIniFileException);
    EXPECT_EQ(unwritable.GetString(u"S", u"k", u"default"), u"default");
}

} // namespace
