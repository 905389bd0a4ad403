// Every call sees the file as it is now, also when it changes behind the process's back
// in ways its identity, size and time stamp do not show.
#include "platform/profile/profile.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::u16string Read(const std::u16string& file, const char16_t* key)
{
    char16_t buffer[64];
    DWORD length = GetPrivateProfileStringW(u"S", key, u"(default)", buffer, 64, file.c_str());
    return std::u16string(buffer, length);
}

// Rewrites the file in place (same inode) and gives it the time stamp `modified`.
void RewriteInPlace(const std::string& path, const std::string& bytes, const timespec& modified)
{
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    timespec times[2] = {modified, modified};
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
}

timespec ModificationTime(const std::string& path)
{
    struct stat info;
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mtim;
}

class ProfileFreshness : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(path, "[S]\nk=aaaa\n"); }
    ScratchFolder folder;
    std::string path = folder.File("t.ini");
    std::u16string file = folder.WideFile("t.ini");
};

TEST_F(ProfileFreshness, InPlaceChangeWithSameSizeAndSameTimeStampIsSeen)
{
    ASSERT_EQ(Read(file, u"k"), u"aaaa");
    RewriteInPlace(path, "[S]\nk=bbbb\n", ModificationTime(path));
    EXPECT_EQ(Read(file, u"k"), u"bbbb");
}

TEST_F(ProfileFreshness, OldFileChangedOneNanosecondLaterIsSeen)
{
    timespec old = {1'000'000'000, 500};
    RewriteInPlace(path, "[S]\nk=aaaa\n", old);
    ASSERT_EQ(Read(file, u"k"), u"aaaa");
    RewriteInPlace(path, "[S]\nk=bbbb\n", {old.tv_sec, old.tv_nsec + 1});
    EXPECT_EQ(Read(file, u"k"), u"bbbb");
}

TEST_F(ProfileFreshness, FileReplacedOrRemovedBehindOurBackIsSeen)
{
    ASSERT_EQ(Read(file, u"k"), u"aaaa");
    WriteBytes(folder.File("new.ini"), "[S]\nk=cccc\n");
    ASSERT_EQ(rename(folder.File("new.ini").c_str(), path.c_str()), 0);
    EXPECT_EQ(Read(file, u"k"), u"cccc");
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(Read(file, u"k"), u"(default)");
}

TEST_F(ProfileFreshness, OurOwnWriteThenAnOutsideChangeWithinTheSameTick)
{
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"dddd", file.c_str()));
    timespec written = ModificationTime(path);
    RewriteInPlace(path, "[S]\nk=eeee\n", written);
    EXPECT_EQ(Read(file, u"k"), u"eeee");
    // The next write starts from the file as it is, not from our copy.
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"j", u"1", file.c_str()));
    EXPECT_EQ(ReadBytes(path), "[S]\nk=eeee\nj=1\n");
}

// A write that fails part-way (here: the file-size limit, as a full disk would) leaves the
// old file whole, no temporary file, and no copy of the value that was never written.
TEST_F(ProfileFreshness, AWriteThatFailsPartWayChangesNothing)
{
    RewriteInPlace(path, "[S]\nk=aaaa\n", {1'000'000'000, 0}); // old enough for the copy to be trusted
    ASSERT_EQ(Read(file, u"k"), u"aaaa");
    rlimit previous;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 32;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    BOOL written = WritePrivateProfileStringW(u"S", u"k", std::u16string(100, u'x').c_str(), file.c_str());
    setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), "[S]\nk=aaaa\n");
    EXPECT_EQ(Read(file, u"k"), u"aaaa");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "a temporary file was left";
}

} // namespace
