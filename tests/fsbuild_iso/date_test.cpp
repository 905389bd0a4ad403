#include "fsbuild/iso9660/iso_date.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace iso9660;

struct DateCase {
    std::uint64_t fileTime;
    IsoDate expected;
};

class FileTimeConversion : public ::testing::TestWithParam<DateCase> {};

TEST_P(FileTimeConversion, ConvertsInUtcAndClampsToTheRecordableRange)
{
    const DateCase& c = GetParam();
    IsoDate got = IsoDateFromFileTime(c.fileTime);
    IsoDate want = c.expected;
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0)
        << got.year << '-' << got.month << '-' << got.day << ' ' << got.hour << ':' << got.minute << ':' << got.second
        << '.' << got.hundredths;
}

INSTANTIATE_TEST_SUITE_P(Cases, FileTimeConversion,
    ::testing::Values(DateCase{133536879078900000ull, {2024, 2, 29, 13, 45, 7, 89}},
                      DateCase{94354848000000000ull, {1900, 1, 1, 0, 0, 0, 0}},
                      DateCase{175140575999900000ull, {2155, 12, 31, 23, 59, 59, 99}},
                      // before 1900 and after 2155 the one-byte year would wrap
                      DateCase{94354847990000000ull, {1900, 1, 1, 0, 0, 0, 0}},
                      DateCase{0, {1900, 1, 1, 0, 0, 0, 0}},
                      DateCase{175140576000000000ull, {2155, 12, 31, 23, 59, 59, 99}},
                      DateCase{~0ull, {2155, 12, 31, 23, 59, 59, 99}}));

TEST(IsoDateEncoding, RecordAndDescriptorForms)
{
    IsoDate date{2024, 2, 29, 13, 45, 7, 89};
    std::array<std::uint8_t, 7> record{124, 2, 29, 13, 45, 7, 0};
    EXPECT_EQ(EncodeRecordDate(date), record);
    auto descriptor = EncodeDescriptorDate(date);
    EXPECT_EQ(std::string(descriptor.begin(), descriptor.begin() + 16), "2024022913450789");
    EXPECT_EQ(descriptor[16], 0);
    EXPECT_EQ(EncodeRecordDate({2155, 12, 31, 23, 59, 59, 99})[0], 255);
}

TEST(IsoDateEncoding, NowIsAPlausibleUtcTime)
{
    IsoDate now = IsoDateFromFileTime(FileTimeNow());
    EXPECT_GE(now.year, 2024);
    EXPECT_LE(now.year, 2155);
}
