// Writes gathered in a batch: the process reads them at once, each changed file is
// replaced once at the end with the same bytes the single writes would give, and a
// replace that fails at the end is reported.
#include "platform/base/lasterror.h"
#include "platform/profile/profile.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::u16string Read(const std::u16string& file, const char16_t* section, const char16_t* key)
{
    char16_t buffer[128];
    DWORD length = GetPrivateProfileStringW(section, key, u"(default)", buffer, 128, file.c_str());
    return std::u16string(buffer, length);
}

std::u16string Wide(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

struct Write {
    std::u16string section, key, value;
};

// Many keys: existing ones replaced, new ones in existing and in new sections, one key
// written twice.
std::vector<Write> ManyWrites()
{
    std::vector<Write> writes;
    for (int i = 0; i < 60; ++i) {
        std::u16string n = Wide(std::to_string(i));
        writes.push_back({i % 3 == 0 ? u"Old" : u"New" + Wide(std::to_string(i % 4)), u"key" + n, u"value " + n});
    }
    writes.push_back({u"old", u"First", u"\u4e2d\u6587"});
    writes.push_back({u"Old", u"key0", u"again"});
    return writes;
}

std::size_t EntriesIn(const ScratchFolder& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
}

struct StartCase {
    const char* name;
    std::string bytes; // empty: no file yet
};

class ProfileBatchBytes : public ::testing::TestWithParam<StartCase> {};

TEST_P(ProfileBatchBytes, EndsWithTheFileTheSingleWritesGiveAndNoTemporaryFile)
{
    ScratchFolder single, batched;
    std::string start = GetParam().bytes;
    if (!start.empty()) {
        WriteBytes(single.File("t.ini"), start);
        WriteBytes(batched.File("t.ini"), start);
    }
    for (const Write& w : ManyWrites())
        ASSERT_TRUE(WritePrivateProfileStringW(w.section.c_str(), w.key.c_str(), w.value.c_str(),
                                               single.WideFile("t.ini").c_str()));

    platform::ProfileWriteBatch batch;
    for (const Write& w : ManyWrites())
        ASSERT_TRUE(WritePrivateProfileStringW(w.section.c_str(), w.key.c_str(), w.value.c_str(),
                                               batched.WideFile("t.ini").c_str()));
    EXPECT_EQ(ReadBytes(batched.File("t.ini")), start) << "the file was replaced before the end of the batch";
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(ReadBytes(batched.File("t.ini")), ReadBytes(single.File("t.ini")));
    EXPECT_EQ(EntriesIn(batched), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProfileBatchBytes,
    ::testing::Values(StartCase{"NewFile", ""},
                      StartCase{"CrlfWithComments", "; station\r\n[Old]\r\nkey3=x\r\n\r\n[Other]\r\na=1\r\n"},
                      StartCase{"Utf8MarkLfNoFinalNewline", "\xEF\xBB\xBF[Old]\nkey0=\xc3\xa4\n[new1]\nkey1=1"},
                      StartCase{"Utf16", Utf16LeFile(u"[Old]\r\nkey6=\u00e4\r\n")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileBatch, EveryThreadReadsTheWritesAtOnceAndOtherFilesAreWrittenAsUsual)
{
    ScratchFolder folder;
    std::u16string held = folder.WideFile("held.ini"), other = folder.WideFile("other.ini");
    WriteBytes(folder.File("held.ini"), "[S]\r\nk=old\r\n");
    platform::ProfileWriteBatch batch;
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"new", held.c_str()));
    EXPECT_EQ(Read(held, u"S", u"k"), u"new");
    std::thread([&] {
        EXPECT_EQ(Read(held, u"S", u"k"), u"new");
        EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"1", other.c_str()));
    }).join();
    EXPECT_EQ(ReadBytes(folder.File("other.ini")), "[S]\r\nk=1\r\n") << "another thread's write was held back";
    EXPECT_EQ(ReadBytes(folder.File("held.ini")), "[S]\r\nk=old\r\n");
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(ReadBytes(folder.File("held.ini")), "[S]\r\nk=new\r\n");
}

TEST(ProfileBatch, AnotherThreadsWriteToAHeldFileCarriesTheBatchsEdits)
{
    ScratchFolder folder;
    std::u16string file = folder.WideFile("t.ini");
    platform::ProfileWriteBatch batch;
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"a", u"1", file.c_str()));
    std::thread([&] { EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"b", u"2", file.c_str())); }).join();
    EXPECT_EQ(ReadBytes(folder.File("t.ini")), "[S]\r\na=1\r\nb=2\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"c", u"3", file.c_str()));
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(ReadBytes(folder.File("t.ini")), "[S]\r\na=1\r\nb=2\r\nc=3\r\n");
}

TEST(ProfileBatch, OwnsItsFileUntilItsEnd)
{
    ScratchFolder folder;
    std::u16string file = folder.WideFile("t.ini");
    WriteBytes(folder.File("t.ini"), "[S]\r\nk=0\r\n");
    platform::ProfileWriteBatch batch;
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"1", file.c_str()));
    WriteBytes(folder.File("t.ini"), "[S]\r\nk=2\r\nx=outside\r\n"); // another process meanwhile
    EXPECT_EQ(Read(file, u"S", u"x"), u"(default)");
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(ReadBytes(folder.File("t.ini")), "[S]\r\nk=1\r\n");
}

TEST(ProfileBatch, AnUncommittedBatchIsWrittenWhenItEnds)
{
    ScratchFolder folder;
    {
        platform::ProfileWriteBatch batch;
        ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"1", folder.WideFile("t.ini").c_str()));
    }
    EXPECT_EQ(ReadBytes(folder.File("t.ini")), "[S]\r\nk=1\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"2", folder.WideFile("t.ini").c_str()));
    EXPECT_EQ(ReadBytes(folder.File("t.ini")), "[S]\r\nk=2\r\n") << "writes after the batch are not batched";
}

TEST(ProfileBatch, AnInnerBatchWritesItsFilesAtItsOwnEnd)
{
    ScratchFolder folder;
    std::u16string a = folder.WideFile("a.ini"), b = folder.WideFile("b.ini");
    platform::ProfileWriteBatch outer;
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k1", u"1", a.c_str()));
    {
        platform::ProfileWriteBatch inner;
        ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k2", u"2", a.c_str()));
        ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"b", b.c_str()));
        ASSERT_TRUE(inner.Commit());
    }
    EXPECT_EQ(ReadBytes(folder.File("a.ini")), "[S]\r\nk1=1\r\nk2=2\r\n");
    EXPECT_EQ(ReadBytes(folder.File("b.ini")), "[S]\r\nk=b\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k3", u"3", a.c_str()));
    ASSERT_TRUE(outer.Commit());
    EXPECT_EQ(ReadBytes(folder.File("a.ini")), "[S]\r\nk1=1\r\nk2=2\r\nk3=3\r\n");
}

// The folder of the file is gone when the batch ends.
class ProfileBatchFailure : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::string sub = folder.File("sub");
    std::u16string file = folder.WideFile("sub/t.ini");
    void SetUp() override { std::filesystem::create_directory(sub); }
};

TEST_F(ProfileBatchFailure, AReplaceThatFailsAtTheEndIsReportedAndNotPretended)
{
    platform::ProfileWriteBatch batch;
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"1", file.c_str()));
    std::filesystem::remove_all(sub);
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(batch.Commit()) << "a second call changed the answer";
    EXPECT_EQ(Read(file, u"S", u"k"), u"(default)");
    EXPECT_EQ(EntriesIn(folder), 0u);
}

TEST_F(ProfileBatchFailure, AnOuterBatchLearnsThatItsEditsWereLost)
{
    platform::ProfileWriteBatch outer;
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"a", u"1", file.c_str()));
    platform::ProfileWriteBatch inner;
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"b", u"2", file.c_str()));
    std::filesystem::remove_all(sub);
    EXPECT_FALSE(inner.Commit());
    std::filesystem::create_directory(sub);
    EXPECT_FALSE(outer.Commit());
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(folder.File("sub/t.ini")));
}

TEST_F(ProfileBatchFailure, AFileThatCannotBeReadFailsTheWriteAtOnce)
{
    std::filesystem::create_directory(folder.File("sub/t.ini"));
    platform::ProfileWriteBatch batch;
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"1", file.c_str()));
    EXPECT_TRUE(batch.Commit()) << "the batch holds nothing";
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("sub/t.ini")));
}

} // namespace
