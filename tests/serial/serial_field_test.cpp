// The serial-number text in the image that goes to the device, and the LUN fields beside it.
#include "engine/serial/serial_field.h"
#include "engine/settings/main_frame_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace std::string_literals;

struct FieldCase {
    const char* what;
    INT mode;
    INT decimal;
    ULONGLONG number;
    INT length;
    std::u16string mask;
    DWORD fabrunMode;
    std::string field; // the 16 bytes at 128..143
    int result = 1;
};

constexpr BYTE kUntouched = 0xEE;

class SerialField : public ::testing::Test {
protected:
    SerialField() : frame(u"/nonexistent/") { param.mainFrame = &frame; }

    std::string Format(const FieldCase& c, int& result)
    {
        CISSetting& s = frame.CisSetting;
        s.SNType = c.mode;
        s.DecCheck = c.decimal;
        s.SerialNumberY = c.length;
        s.SNMask = c.mask;
        frame.FabrunMode = c.fabrunMode;
        param.serialNumber = c.number;
        std::memset(outgoing.bytes, kUntouched, sizeof outgoing.bytes);
        result = FormatSerialNumberField(param, source, outgoing);
        return std::string(reinterpret_cast<const char*>(outgoing.bytes + 128), 16);
    }

    MainFrameSettings frame;
    PortThreadParam param{};
    CISImage source{};
    CISImage outgoing{};
};

TEST_F(SerialField, TextLengthMaskAndModeGiveTheFieldBytes)
{
    std::memcpy(param.hdSerial, "WD-WCC4N1234567X", 16);
    const std::string untouched(16, static_cast<char>(kUntouched));
    const FieldCase cases[] = {
        {"decimal, length 5", 2, 1, 123, 5, u"", 0, "00123"s + std::string(11, '\0')},
        {"hexadecimal, length 4", 2, 0, 0x1A, 4, u"", 0, "001A"s + std::string(12, '\0')},
        {"hexadecimal, whole", 1, 0, 0x0123'4567'89AB'CDEFULL, 16, u"", 0, "0123456789ABCDEF"},
        {"random mode, decimal", 3, 1, 6559, 8, u"", 0, "00006559"s + std::string(8, '\0')},
        {"mask padded with #", 4, 1, 1234, 16, u"AB##", 0, "AB00000000001234"},
        {"mask cut at the length", 6, 0, 0xABCD'EF12, 8, u"X#######Y", 0, "XBCDEF12"s + std::string(8, '\0')},
        {"mask in the random mode", 5, 0, 0x7FFF, 16, u"################", 0, "0000000000007FFF"},
        {"negative length clears all", 2, 1, 99, -3, u"", 0, std::string(16, '\0')},
        {"length 0 clears all", 2, 1, 99, 0, u"", 0, std::string(16, '\0')},
        {"length above 16 is 16", 2, 1, 99, 40, u"", 0, "0000000000000099"},
        {"17 to 20 digits keep the low 16", 2, 1, 123'456'789'012'345'678ULL, 16, u"", 0, "3456789012345678"},
        {"largest number, decimal", 2, 1, 0xFFFF'FFFF'FFFF'FFFFULL, 16, u"", 0, "6744073709551615"},
        {"drive's serial", 7, 0, 5, 16, u"", 0, "WD-WCC4N1234567X"},
        {"drive's serial, length 10", 7, 0, 5, 10, u"", 0, "WD-WCC4N12"s + std::string(6, '\0')},
        {"typed numbers in any mode", 0, 0, 0xBEEF, 6, u"Z#", 0x02, "00BEEF"s + std::string(10, '\0')},
        {"typed numbers ignore the mask", 4, 1, 42, 4, u"Z###", 0x02, "0042"s + std::string(12, '\0')},
        {"reset mode writes no text", 0, 0, 5, 16, u"", 0, untouched, 11},
        {"unknown mode writes no text", 9, 0, 5, 4, u"", 0, untouched, 11},
    };
    for (const FieldCase& c : cases) {
        int result = 0;
        EXPECT_EQ(Format(c, result), c.field) << c.what;
        EXPECT_EQ(result, c.result) << c.what;
    }
}

TEST_F(SerialField, TheMaskInTheSettingsStaysAsTheOperatorLeftIt)
{
    int result = 0;
    Format({"mask", 4, 0, 1, 16, u"AB", 0, ""}, result);
    EXPECT_EQ(frame.CisSetting.SNMask.str(), u"AB");
}

TEST_F(SerialField, ANegativeLengthTouchesNothingBeforeTheField)
{
    int result = 0;
    Format({"negative", 2, 0, 1, -100, u"", 0, ""}, result);
    for (std::size_t at = 64; at < 128; ++at)
        ASSERT_EQ(outgoing.bytes[at], kUntouched) << at;
    for (std::size_t at = 144; at < 1024; ++at)
        ASSERT_EQ(outgoing.bytes[at], kUntouched) << at;
}

TEST_F(SerialField, LunAndSystemFieldsGoBigEndianFromTheSource)
{
    for (std::size_t lun = 0; lun < 4; ++lun) {
        source.SetDword(16 + 4 * lun, 0x11223300u + static_cast<DWORD>(lun));
        source.SetDword(32 + 4 * lun, 0xA0B0C000u + static_cast<DWORD>(lun));
        source.bytes[48 + lun] = static_cast<BYTE>(0x40 + lun); // attributes and types are bytes
        source.bytes[52 + lun] = static_cast<BYTE>(0x50 + lun);
    }
    source.SetDword(56, 0x01020304);
    source.SetDword(60, 0x05060708);
    int result = 0;
    Format({"fields", 2, 0, 1, 16, u"", 0, ""}, result);
    const BYTE expected[48] = {
        0x11, 0x22, 0x33, 0x00, 0x11, 0x22, 0x33, 0x01, 0x11, 0x22, 0x33, 0x02, 0x11, 0x22, 0x33, 0x03,
        0xA0, 0xB0, 0xC0, 0x00, 0xA0, 0xB0, 0xC0, 0x01, 0xA0, 0xB0, 0xC0, 0x02, 0xA0, 0xB0, 0xC0, 0x03,
        0x40, 0x41, 0x42, 0x43, 0x50, 0x51, 0x52, 0x53, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
    };
    EXPECT_EQ(std::memcmp(outgoing.bytes + 16, expected, sizeof expected), 0);
    EXPECT_EQ(source.Dword(56), 0x01020304u) << "the source keeps the host's order";
}

TEST(TypedSerialNumber, IsReadInTheBaseTheSettingsSay)
{
    EXPECT_EQ(TypedSerialNumber(u"123", true), 123u);
    EXPECT_EQ(TypedSerialNumber(u"123", false), 0x123u);
    EXPECT_EQ(TypedSerialNumber(u"00ab", false), 0xABu);
    EXPECT_EQ(TypedSerialNumber(u"0000000000000291", true), 291u);
    EXPECT_EQ(TypedSerialNumber(u"12x4", true), 12u) << "leading digits";
    EXPECT_EQ(TypedSerialNumber(u"", true), 0u);
}

TEST(SerialNumberText, IsSixteenCharactersInEitherBase)
{
    EXPECT_EQ(SerialNumberText(0, true), u"0000000000000000");
    EXPECT_EQ(SerialNumberText(0x1'0000'0002ULL, false), u"0000000100000002");
    EXPECT_EQ(SerialNumberText(10'000'000'000'000'000ULL, true), u"0000000000000000");
}

} // namespace
