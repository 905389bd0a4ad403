#include "platform/base/lasterror.h"
#include "platform/profile/ini_document.h"
#include "platform/profile/profile.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace {

// What a read through a generous buffer gives.
std::u16string Read(const std::u16string& file, const char16_t* section, const char16_t* key, const char16_t* fallback)
{
    char16_t buffer[256];
    DWORD length = GetPrivateProfileStringW(section, key, fallback, buffer, 256, file.c_str());
    return std::u16string(buffer, length);
}

// What the next start of the station reads: the file parsed afresh, not the process's copy.
std::u16string ReadAfterRestart(const std::string& file, const char16_t* section, const char16_t* key)
{
    return platform::profile::IniDocument::Parse(ReadBytes(file)).Find(section, key).value_or(u"(missing)");
}

struct ReadCase {
    const char* name;
    std::string file;
    const char16_t* section;
    const char16_t* key;
    std::u16string expected; // the default is u"(default)"
};

class PrivateProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(PrivateProfileRead, GivesTheWindowsReading)
{
    const ReadCase& c = GetParam();
    ScratchFolder folder;
    WriteBytes(folder.File("t.ini"), c.file);
    EXPECT_EQ(Read(folder.WideFile("t.ini"), c.section, c.key, u"(default)"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PrivateProfileRead,
    ::testing::Values(
        ReadCase{"MissingSection", "[Other]\nk=1\n", u"S", u"k", u"(default)"},
        ReadCase{"MissingKey", "[S]\nj=1\n", u"S", u"k", u"(default)"},
        ReadCase{"EmptyValueIsNotTheDefault", "[S]\nk=\n", u"S", u"k", u""},
        ReadCase{"BlankValueIsEmpty", "[S]\nk=   \n", u"S", u"k", u""},
        ReadCase{"LetterCaseIgnored", "[SeTTing]\nFabrunMODE=0x01\n", u"setting", u"fabrunmode", u"0x01"},
        ReadCase{"SurroundingBlanksIgnoredInnerKept", "  [ My Section ]  \n\t my key \t=  a  b  \n", u" My Section",
                 u"my key ", u"a  b"},
        ReadCase{"InnerBlanksOfNamesMatter", "[S]\nmy key=1\n", u"S", u"mykey", u"(default)"},
        ReadCase{"DoubleQuotesRemoved", "[S]\nk=\"  quoted  \"\n", u"S", u"k", u"  quoted  "},
        ReadCase{"SingleQuotesRemoved", "[S]\nk='x'\n", u"S", u"k", u"x"},
        ReadCase{"OnlyOnePairRemoved", "[S]\nk=\"\"a\"\"\n", u"S", u"k", u"\"a\""},
        ReadCase{"UnmatchedQuotesKept", "[S]\nk=\"a'\n", u"S", u"k", u"\"a'"},
        ReadCase{"LoneQuoteKept", "[S]\nk=\"\n", u"S", u"k", u"\""},
        ReadCase{"QuotesInsideKept", "[S]\nk=a \"b\" c\n", u"S", u"k", u"a \"b\" c"},
        ReadCase{"CommentLinesAreNoKeys", "[S]\n;k=1\n  ; k=2\nk=3\n", u"S", u"k", u"3"},
        ReadCase{"FirstSectionWins", "[S]\nk=1\n[s]\nk=2\nj=3\n", u"S", u"j", u"(default)"},
        ReadCase{"FirstKeyWins", "[S]\nk=1\nK=2\n", u"S", u"k", u"1"},
        ReadCase{"KeysBeforeAnySectionIgnored", "k=0\n[S]\nk=1\n", u"S", u"k", u"1"},
        ReadCase{"ValueKeepsLaterEquals", "[S]\nk=a=b\n", u"S", u"k", u"a=b"},
        ReadCase{"WindowsLineEnds", "[S]\r\nk=v\r\n", u"S", u"k", u"v"},
        ReadCase{"LineEndsConvertedTwice", "[S]\r\r\nk=v\r\r\n", u"S", u"k", u"v"},
        ReadCase{"TrailingCarriageReturnsOfTheLastLine", "[S]\nk=v\r\r", u"S", u"k", u"v"},
        ReadCase{"Utf16LeLineEndsConvertedTwice", Utf16LeFile(u"[S]\r\r\nk=v\r\r\n"), u"S", u"k", u"v"},
        ReadCase{"NoFinalLineEnd", "[S]\nk=v", u"S", u"k", u"v"},
        ReadCase{"TextAfterSectionHeader", "[S] ; about S\nk=v\n", u"S", u"k", u"v"},
        ReadCase{"LinesWithoutEqualsSkipped", "[S]\njunk\nk=v\n", u"S", u"k", u"v"},
        ReadCase{"AnsiIsTheLocalesUtf8", "[S]\nk=\xe4\xb8\xad\xe6\x96\x87\n", u"S", u"k", u"\u4e2d\u6587"},
        ReadCase{"Utf8ByteOrderMarkSkipped", "\xEF\xBB\xBF[S]\nk=v\n", u"S", u"k", u"v"},
        ReadCase{"Utf16LeFile", Utf16LeFile(u"[\u8a2d\u5b9a]\r\nk= \u4e2d\u6587 \r\n"), u"\u8a2d\u5b9a", u"k",
                 u"\u4e2d\u6587"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrivateProfile, MissingFileGivesTheDefaultAndNullDefaultIsEmpty)
{
    ScratchFolder folder;
    std::u16string file = folder.WideFile("absent.ini");
    EXPECT_EQ(Read(file, u"S", u"k", u"fallback"), u"fallback");
    EXPECT_EQ(Read(file, u"S", u"k", nullptr), u"");
}

TEST(PrivateProfile, TheDefaultLosesItsTrailingBlanksAValueFoundKeepsItsInnerOnes)
{
    ScratchFolder folder;
    WriteBytes(folder.File("t.ini"), "[S]\nk=\"a  \"\n");
    std::u16string file = folder.WideFile("t.ini");
    EXPECT_EQ(Read(file, u"S", u"missing", u"  fallback \t "), u"  fallback");
    EXPECT_EQ(Read(file, u"S", u"missing", u"   "), u"");
    EXPECT_EQ(Read(file, u"S", u"k", u"fallback  "), u"a  ");
}

struct TruncationCase {
    const char16_t* key; // "k" holds "abcdef"; others are missing and give "ghijkl"
    DWORD size;
    DWORD expectedCount;
    std::u16string expectedText;
};

class PrivateProfileTruncation : public ::testing::TestWithParam<TruncationCase> {};

// The growing read buffer of CIniFile depends on exactly this rule.
TEST_P(PrivateProfileTruncation, CutsToSizeMinusOneAndTerminates)
{
    const TruncationCase& c = GetParam();
    ScratchFolder folder;
    WriteBytes(folder.File("t.ini"), "[S]\nk=abcdef\n");
    char16_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    DWORD count = GetPrivateProfileStringW(u"S", c.key, u"ghijkl", buffer, c.size, folder.WideFile("t.ini").c_str());
    EXPECT_EQ(count, c.expectedCount);
    EXPECT_EQ(std::u16string(buffer), c.expectedText);
    EXPECT_EQ(buffer[c.size], u'#') << "wrote past the buffer";
}

INSTANTIATE_TEST_SUITE_P(Sizes, PrivateProfileTruncation,
                         ::testing::Values(TruncationCase{u"k", 8, 6, u"abcdef"}, TruncationCase{u"k", 7, 6, u"abcdef"},
                                           TruncationCase{u"k", 6, 5, u"abcde"}, TruncationCase{u"k", 2, 1, u"a"},
                                           TruncationCase{u"k", 1, 0, u""}, TruncationCase{u"x", 4, 3, u"ghi"},
                                           TruncationCase{u"x", 7, 6, u"ghijkl"}));

struct WriteCase {
    const char* name;
    std::string before; // empty: no file
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
    std::string after;
};

class PrivateProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(PrivateProfileWrite, RewritesTheFileAsWindowsDoes)
{
    const WriteCase& c = GetParam();
    ScratchFolder folder;
    if (!c.before.empty())
        WriteBytes(folder.File("t.ini"), c.before);
    ASSERT_TRUE(WritePrivateProfileStringW(c.section, c.key, c.value, folder.WideFile("t.ini").c_str()));
    EXPECT_EQ(ReadBytes(folder.File("t.ini")), c.after);
    EXPECT_EQ(Read(folder.WideFile("t.ini"), c.section, c.key, u"(default)"), c.value);
    EXPECT_EQ(ReadAfterRestart(folder.File("t.ini"), c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PrivateProfileWrite,
    ::testing::Values(
        WriteCase{"NewFile", "", u"S", u"k", u"v", "[S]\r\nk=v\r\n"},
        WriteCase{"ReplacesValueKeepsCommentsAndOrder", "; top\n[S]\n; about k\nk=1\nj=2\n", u"S", u"k", u"9",
                  "; top\n[S]\n; about k\nk=9\nj=2\n"},
        WriteCase{"KeepsTheFilesSpellingOfTheKey", "[S]\n  Key  = 1\n", u"s", u"KEY", u"2", "[S]\nKey=2\n"},
        WriteCase{"NewKeyAfterLastKeyOfItsSection", "[A]\na=1\n\n; about B\n[B]\nb=1\n", u"A", u"n", u"2",
                  "[A]\na=1\nn=2\n\n; about B\n[B]\nb=1\n"},
        WriteCase{"NewKeyInEmptySection", "[A]\n\n[B]\nb=1\n", u"A", u"a", u"1", "[A]\na=1\n\n[B]\nb=1\n"},
        WriteCase{"NewSectionAtTheEnd", "[A]\na=1\n; tail\n", u"B", u"b", u"2", "[A]\na=1\n; tail\n[B]\nb=2\n"},
        WriteCase{"NewSectionAfterUnterminatedLastLine", "[A]\na=1", u"B", u"b", u"2", "[A]\na=1\n[B]\nb=2\n"},
        WriteCase{"NewKeyAfterUnterminatedLastKey", "[A]\na=1", u"A", u"b", u"2", "[A]\na=1\nb=2\n"},
        WriteCase{"WindowsLineEndsKept", "[A]\r\na=1\r\n", u"A", u"b", u"2", "[A]\r\na=1\r\nb=2\r\n"},
        WriteCase{"ReplacedLineKeepsItsOwnLineEnd", "[A]\r\na=1\nb=2\r\n", u"A", u"a", u"3", "[A]\r\na=3\nb=2\r\n"},
        WriteCase{"FirstOfDuplicateSectionsUpdated", "[S]\nk=1\n[S]\nk=2\n", u"S", u"j", u"4",
                  "[S]\nk=1\nj=4\n[S]\nk=2\n"},
        WriteCase{"FirstOfDuplicateKeysUpdated", "[S]\nk=1\nk=2\n", u"S", u"k", u"3", "[S]\nk=3\nk=2\n"},
        WriteCase{"OtherLinesKeptByteForByte", "; \xb2\xe2\xca\xd4\n[S]\nk=1\n", u"S", u"k", u"2",
                  "; \xb2\xe2\xca\xd4\n[S]\nk=2\n"},
        WriteCase{"Utf8ByteOrderMarkKept", "\xEF\xBB\xBF[S]\nk=1\n", u"S", u"k", u"\u00e9",
                  "\xEF\xBB\xBF[S]\nk=\xc3\xa9\n"},
        WriteCase{"Utf16LeStaysUtf16Le", Utf16LeFile(u"[S]\r\nk=1\r\n"), u"S", u"k2", u"\u4e2d",
                  Utf16LeFile(u"[S]\r\nk=1\r\nk2=\u4e2d\r\n")},
        WriteCase{"EmptyValue", "[S]\nk=1\n", u"S", u"k", u"", "[S]\nk=\n"},
        WriteCase{"LoneSurrogateInAUtf16LeFile", Utf16LeFile(u"[S]\r\n"), u"S", u"k", u"a\xD800z",
                  Utf16LeFile(u"[S]\r\nk=a\xD800z\r\n")},
        WriteCase{"ReplacedLineEndedTwiceGetsOneLineEnd", "[S]\r\r\nk=1\r\r\nj=2\r\r\n", u"S", u"k", u"3",
                  "[S]\r\r\nk=3\r\nj=2\r\r\n"},
        // A damaged UTF-16LE file whose last unit lost a byte: the new lines go on whole
        // units before that byte, so the next start reads them.
        WriteCase{"OddLengthUtf16LeFileNewKey", Utf16LeFile(u"[S]\r\nk=1") + "\x41", u"S", u"j", u"2",
                  Utf16LeFile(u"[S]\r\nk=1\nj=2\r\n") + "\x41"},
        WriteCase{"OddLengthUtf16LeFileNewSection", Utf16LeFile(u"[S]\r\nk=1") + "\x41", u"T", u"j", u"2",
                  Utf16LeFile(u"[S]\r\nk=1\n[T]\r\nj=2\r\n") + "\x41"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedWrite {
    const char* name;
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
    DWORD error;
};

class PrivateProfileRefusedWrite : public ::testing::TestWithParam<RefusedWrite> {};

TEST_P(PrivateProfileRefusedWrite, FailsAndLeavesTheFileAsItWas)
{
    const RefusedWrite& c = GetParam();
    ScratchFolder folder;
    const std::string before = "[S]\nk=1\n";
    WriteBytes(folder.File("t.ini"), before);
    EXPECT_FALSE(WritePrivateProfileStringW(c.section, c.key, c.value, folder.WideFile("t.ini").c_str()));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(ReadBytes(folder.File("t.ini")), before);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, PrivateProfileRefusedWrite,
    ::testing::Values(RefusedWrite{"LineBreakInValue", u"S", u"k", u"1\n[Evil]\nx=1", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"CarriageReturnInKey", u"S", u"k\r", u"1", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"EqualsInKey", u"S", u"a=b", u"1", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"KeyLooksLikeASection", u"S", u" [k", u"1", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"KeyLooksLikeAComment", u"S", u";k", u"1", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"BracketInSection", u"S]", u"k", u"1", ERROR_INVALID_PARAMETER},
                      // An ANSI (UTF-8) file cannot hold half a surrogate pair.
                      RefusedWrite{"LoneSurrogateInValue", u"S", u"k", u"a\xDC00", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"LoneSurrogateInKey", u"S", u"\xD800", u"1", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"LoneSurrogateInNewSection", u"T\xD800", u"k", u"1", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"SeparatorKeyWithOtherText", u"S", u"====", u"==\n[Evil]", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"SeparatorInASectionWithALineBreak", u"S\n[Evil", u"====", u"==\n", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"LineBreakInValueOfAnEqualsKey", u"S", u"a=", u"==\n", ERROR_INVALID_PARAMETER},
                      RefusedWrite{"KeyDeletion", u"S", u"k", nullptr, ERROR_NOT_SUPPORTED},
                      RefusedWrite{"SectionDeletion", u"S", nullptr, nullptr, ERROR_NOT_SUPPORTED},
                      RefusedWrite{"CacheFlush", nullptr, nullptr, nullptr, ERROR_NOT_SUPPORTED}),
    [](const auto& info) { return std::string(info.param.name); });

// The result log's separator: a key of twenty '=' and a value of nine '=' and a line feed.
// It is no key that reads back; it writes one line of '=' and, from the line feed, an empty
// line, and never a key or a section.
TEST(PrivateProfile, TheSeparatorLineIsWrittenAsItStands)
{
    ScratchFolder folder;
    std::u16string file = folder.WideFile("log.ini");
    const std::u16string key(20, u'='), value = std::u16string(9, u'=') + u"\n";
    ASSERT_TRUE(WritePrivateProfileStringW(u"Device1", u"Status", u"Run Success", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Device1", key.c_str(), value.c_str(), file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Device2", u"Status", u"Fail", file.c_str()));
    const std::string separator(30, '=');
    const std::string expected =
        "[Device1]\r\nStatus=Run Success\r\n" + separator + "\n\r\n[Device2]\r\nStatus=Fail\r\n";
    EXPECT_EQ(ReadBytes(folder.File("log.ini")), expected);
    // The same section written again (a second run in the same second) gets a second separator.
    ASSERT_TRUE(WritePrivateProfileStringW(u"Device1", u"Status", u"Again", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Device1", key.c_str(), value.c_str(), file.c_str()));
    EXPECT_EQ(ReadBytes(folder.File("log.ini")), "[Device1]\r\nStatus=Again\r\n" + separator + "\n" + separator +
                                                     "\n\r\n\r\n[Device2]\r\nStatus=Fail\r\n");
    EXPECT_EQ(ReadAfterRestart(folder.File("log.ini"), u"Device2", u"Status"), u"Fail");
    EXPECT_EQ(Read(file, u"Device1", key.c_str(), u"(default)"), u"(default)");
}

TEST(PrivateProfile, MissingFolderMakesTheWriteFailWithoutCreatingIt)
{
    ScratchFolder folder;
    std::u16string file = folder.WideFile("absent/t.ini");
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"1", file.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(folder.File("absent")));
}

TEST(PrivateProfile, AFolderInPlaceOfTheFileIsNeitherReadNorReplaced)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.File("t.ini"));
    EXPECT_EQ(Read(folder.WideFile("t.ini"), u"S", u"k", u"(default)"), u"(default)");
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"1", folder.WideFile("t.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("t.ini")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "a temporary file was left";
}

TEST(PrivateProfile, ReplacementKeepsPermissionsLinksAndLeavesNoTemporaryFile)
{
    ScratchFolder folder;
    WriteBytes(folder.File("target.ini"), "[S]\nk=1\n");
    chmod(folder.File("target.ini").c_str(), 0640);
    std::filesystem::create_symlink("target.ini", folder.File("link.ini"));
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"2", folder.WideFile("link.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.ini")));
    EXPECT_EQ(ReadBytes(folder.File("target.ini")), "[S]\nk=2\n");
    struct stat info;
    ASSERT_EQ(stat(folder.File("target.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

} // namespace
