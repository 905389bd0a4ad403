#include "fsbuild/fat/dir_entries.h"
#include "fsbuild/fat/short_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::string Text(const ShortName& name)
{
    return std::string(name.data(), name.size());
}

bool IsValidShortName(const ShortName& name)
{
    static const std::string allowed = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789$%'-_@~`!(){}^#&";
    std::string base = Text(name).substr(0, 8), extension = Text(name).substr(8);
    for (const std::string& part : {base, extension}) {
        std::size_t end = part.find_last_not_of(' ');
        for (std::size_t i = 0; end != std::string::npos && i <= end; ++i)
            if (allowed.find(part[i]) == std::string::npos)
                return false; // blanks only as padding
    }
    return base[0] != ' ';
}

} // namespace

TEST(FatShortNames, EachFolderGetsValidUniqueNames)
{
    struct Case {
        const char16_t* longName;
        const char* shortName; // in the order the folder hands them out
    };
    const Case cases[] = {
        {u"readme.txt", "README  TXT"},        // fits 8.3 but for case: no tail
        {u"README.TXT", "README~1TXT"},        // differs only in case: a tail keeps it apart
        {u"ReadMe.Txt", "README~2TXT"},
        {u"report.final.txt", "REPORT~1TXT"},  // one dot kept, the rest would not fit
        {u"a b.c", "AB~1    C  "},             // blanks are not kept inside a short name
        {u"file+name[1].txt", "FILE_N~1TXT"},  // characters a short name cannot hold
        {u".bashrc", "BASHRC~1   "},
        {u"\u00dcberstunden.txt", "_BERST~1TXT"},
        {u"noext", "NOEXT      "},
        {u"x.tar.gz", "XTAR~1  GZ "},
        {u"NOEXT", "NOEXT~1    "},
        {u"...", "_~1        "},
    };
    ShortNameSet folder;
    std::set<std::string> seen;
    for (const Case& c : cases) {
        ShortName name = folder.Assign(c.longName);
        EXPECT_EQ(Text(name), c.shortName);
        EXPECT_TRUE(IsValidShortName(name)) << Text(name);
        EXPECT_TRUE(seen.insert(Text(name)).second) << "duplicate " << Text(name);
    }
    ShortNameSet other;
    EXPECT_EQ(Text(other.Assign(u"README.TXT")), "README  TXT") << "names are unique per folder only";
}

TEST(FatShortNames, ManySimilarNamesGrowTheirTail)
{
    ShortNameSet folder;
    std::set<std::string> seen;
    for (int i = 0; i < 3000; ++i) {
        ShortName name = folder.Assign(u"longfilename_" + std::u16string(1, char16_t(u'a' + i % 26)) + u".txt");
        EXPECT_TRUE(IsValidShortName(name)) << Text(name);
        ASSERT_TRUE(seen.insert(Text(name)).second) << Text(name);
    }
    EXPECT_TRUE(seen.count("LONGFI~1TXT") && seen.count("LONGF~10TXT") && seen.count("LONG~100TXT") &&
                seen.count("LON~1000TXT"));
}

TEST(FatShortNames, LabelFieldIsUpperCaseAndBlankPadded)
{
    EXPECT_EQ(Text(LabelField("my disk")), "MY DISK    ");
    EXPECT_EQ(Text(LabelField("twelve chars")), "TWELVE CHAR") << "the field holds 11 characters";
    EXPECT_EQ(Text(LabelField("a.b*c")), "A_B_C      ");
}

TEST(FatDirEntries, LongNameEntriesPrecedeTheShortEntry)
{
    SourceEntry entry{};
    entry.name = "report.final.txt";
    entry.wideName = u"report.final.txt";
    entry.attributes = 0x20;
    entry.size = 70000;
    entry.firstCluster = 0x00012345;
    ShortName shortName = ShortNameSet().Assign(entry.wideName);
    ASSERT_EQ(LongNameSlots(entry.wideName), 2u);
    std::uint8_t slots[3 * kDirEntryBytes];
    BuildDirEntry(slots, entry, shortName);
    const std::uint8_t* first = slots;
    const std::uint8_t* second = slots + kDirEntryBytes;
    const std::uint8_t* shortEntry = slots + 2 * kDirEntryBytes;
    EXPECT_EQ(first[0], 0x42) << "the last part of the name comes first, flagged";
    EXPECT_EQ(second[0], 0x01);
    for (const std::uint8_t* slot : {first, second}) {
        EXPECT_EQ(slot[11], 0x0F);
        EXPECT_EQ(slot[13], ShortNameChecksum(shortName));
        EXPECT_EQ(slot[26] | slot[27], 0) << "no cluster";
    }
    EXPECT_EQ(second[1], 'r');
    EXPECT_EQ(second[30], '.') << "13th unit of the first part";
    EXPECT_EQ(first[1], 't');
    EXPECT_EQ(first[3], 'x');
    EXPECT_EQ(first[5], 't');
    EXPECT_EQ(first[7] | first[8], 0) << "a NUL unit ends the name";
    EXPECT_EQ(first[9], 0xFF);
    EXPECT_EQ(first[31], 0xFF) << "then 0xFFFF units";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(shortEntry), 11), Text(shortName));
    EXPECT_EQ(shortEntry[11], 0x20);
    EXPECT_EQ(shortEntry[20] | shortEntry[21] << 8, 0x0001);
    EXPECT_EQ(shortEntry[26] | shortEntry[27] << 8, 0x2345);
    EXPECT_EQ(shortEntry[28] | shortEntry[29] << 8 | shortEntry[30] << 16, 70000);
}

TEST(FatTimes, DatesOutsideTheFatRangeAreClampedNotWrapped)
{
    auto fileTime = [](int year, int month, int day, int hour, int minute, int second, int ms) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        long long unix = timegm(&t);
        return static_cast<std::uint64_t>((unix + 11644473600LL) * 10'000'000LL + ms * 10'000LL);
    };
    struct Case {
        std::uint64_t time;
        std::uint16_t date, clock;
        std::uint8_t tenths;
    };
    const Case cases[] = {
        {fileTime(2000, 2, 29, 13, 45, 31, 250), (20 << 9) | (2 << 5) | 29, (13 << 11) | (45 << 5) | 15, 125},
        {fileTime(1980, 1, 1, 0, 0, 0, 0), (0 << 9) | (1 << 5) | 1, 0, 0},
        {fileTime(1979, 12, 31, 23, 59, 59, 990), (0 << 9) | (1 << 5) | 1, 0, 0},
        {fileTime(1601, 1, 1, 0, 0, 0, 0), (0 << 9) | (1 << 5) | 1, 0, 0},
        {fileTime(2107, 12, 31, 23, 59, 58, 0), (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29, 0},
        {fileTime(2108, 1, 1, 0, 0, 0, 0), (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29, 0},
        {fileTime(2400, 6, 1, 0, 0, 0, 0), (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29, 0},
    };
    for (const Case& c : cases) {
        FatTimestamp stamp = FatTimeOf(c.time);
        EXPECT_EQ(stamp.date, c.date) << c.time;
        EXPECT_EQ(stamp.time, c.clock) << c.time;
        EXPECT_EQ(stamp.tenths, c.tenths) << c.time;
    }
}
