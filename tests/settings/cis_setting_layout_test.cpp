#include "engine/settings/cis_setting.h"
#include "tests/settings/settings_files.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

struct Offset {
    const char* field;
    std::size_t actual;
    std::size_t expected;
};

#define FIELD(name, expected) Offset{#name, offsetof(CISSetting, name), expected}

TEST(CisSettingLayout, FieldsFollowEachOtherWithoutGaps)
{
    const Offset offsets[] = {
        FIELD(FilePathOfFW, 0), FIELD(USB_VID, 8), FIELD(USB_PID, 16), FIELD(SourcePublicLunPath, 24),
        FIELD(ImagePublicLunPath, 32), FIELD(SourceSecurityLunPath, 40), FIELD(ImageSecurityLunPath, 48),
        FIELD(SourceIso9660LunPath, 56), FIELD(ImageIso9660LunPath, 64), FIELD(SourceHiddenLunPath, 72),
        FIELD(ImageHiddenLunPath, 80), FIELD(LogFilePath, 88), FIELD(FilePathOfFWBackup, 96), FIELD(VolumeLable, 104),
        FIELD(ImageType, 136), FIELD(FormatLunBitMap, 140), FIELD(PassWordStr, 141), FIELD(CIS_Mark, 149),
        FIELD(Inquiry_VID, 157), FIELD(Inquiry_PID, 165), FIELD(ProductStr, 173), FIELD(ManufactureStr, 181),
        FIELD(TestProcedureMask, 189), FIELD(TargetStoreMedia, 193), FIELD(FWDownLoadRetryCount, 197),
        FIELD(CISDownLoadRetryCount, 201), FIELD(LunTypeBitMap, 205), FIELD(CISImage, 209), FIELD(SerialNumberX, 1233),
        FIELD(SerialNumberY, 1241), FIELD(SNInterval, 1245), FIELD(SNType, 1249), FIELD(DecCheck, 1253),
        FIELD(SNMask, 1257), FIELD(FlashPartName, 1265), FIELD(FilePathOfBootCode, 1393), FIELD(StressTestSize, 1401),
        FIELD(DisableFilterDrv, 1405), FIELD(AutoRunEnable, 1406), FIELD(FilePathOfFW2, 1407), FIELD(HubDLEnable, 1415),
        FIELD(FormatNTFSByOS, 1416), FIELD(BackUpFWAndCIS, 1417), FIELD(RunSLTMode, 1418), FIELD(CleanSPI, 1419),
        FIELD(BurnInCycle, 1420), FIELD(PowerOnOffCycle, 1424), FIELD(Bank1Error, 1428),
        FIELD(Create112KForHubAnd521, 1429), FIELD(Create256KForHubAnd522, 1430), FIELD(BackUpWholeSPIx32K, 1431),
        FIELD(SetHubHighZ, 1432), FIELD(ChangeCISBitMap, 1433), FIELD(PwrOnOffCnt, 1434),
        FIELD(QT6180FWOffset64K, 1438), FIELD(SecurityDeviceCnt, 1439), FIELD(SecurityFwFile, 1440),
    };
    for (const Offset& offset : offsets)
        EXPECT_EQ(offset.actual, offset.expected) << offset.field;
    EXPECT_EQ(sizeof(CISSetting), 1504u);
}

#undef FIELD

// The settings sheet keeps a copy for Cancel: it must own its texts.
TEST(CisSettingCopy, CopiesOwnTheirTextsAndTheImage)
{
    CISSetting original;
    original.FilePathOfFW = u"/fw/a.bin";
    original.SecurityFwFile[7] = u"seven";
    original.LunTypeBitMap = 0x00200001;
    original.CISImage.bytes[300] = 0x5A;
    original.FlashPartName.Set(u"PART-1");

    CISSetting copy = original;
    original.FilePathOfFW = u"/fw/b.bin";
    original.SecurityFwFile[7] = u"";
    original.LunTypeBitMap = 0;
    original.CISImage.bytes[300] = 0;
    original.FlashPartName.Set(u"PART-2");

    EXPECT_EQ(copy.FilePathOfFW, u"/fw/a.bin");
    EXPECT_EQ(copy.SecurityFwFile[7], u"seven");
    EXPECT_EQ(Unpacked(copy.LunTypeBitMap), 0x00200001u);
    EXPECT_EQ(copy.CISImage.bytes[300], 0x5A);
    EXPECT_EQ(copy.FlashPartName.Get(), u"PART-1");

    original = copy; // the Cancel path: the copy goes back
    EXPECT_EQ(original.FilePathOfFW, u"/fw/a.bin");
    copy.FilePathOfFW = u"";
    EXPECT_EQ(original.FilePathOfFW, u"/fw/a.bin");
    EXPECT_TRUE(copy.FilePathOfFW.empty());
}

TEST(PackedString, AssignmentFromItselfAndMovesKeepTheText)
{
    PackedString text;
    EXPECT_TRUE(text.empty());
    text = u"abcdef";
    text = std::u16string_view(text.str()).substr(2); // a view of its own text
    EXPECT_EQ(text, u"cdef");
    PackedString& alias = text;
    text = alias;
    EXPECT_EQ(text, u"cdef");
    PackedString moved = std::move(text);
    EXPECT_EQ(moved, u"cdef");
    moved = PackedString();
    EXPECT_TRUE(moved.empty());
}

TEST(PackedWideText, TerminatesWithinTheFieldAndKeepsCharactersWhole)
{
    PackedWideText<4> field;
    field.Set(u"abcdef");
    EXPECT_EQ(field.Get(), u"abc");
    field.Set(u"ab\U0001F600");
    EXPECT_EQ(field.Get(), u"ab") << "half a surrogate pair would be left";
    field.Set(u"");
    EXPECT_EQ(field.Get(), u"");
}

} // namespace
