// Every call sees the store as it is now, also when another process or another write path
// replaced it after this process kept a parsed copy: with the same size, within the same
// second, even with the same time stamp to the nanosecond.
#include "platform/registry/registry.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"

#include <cstdint>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using namespace fabrun_test;

namespace {

struct stat StatusOf(const std::string& path)
{
    struct stat info{};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info;
}

// What changes whenever anyone writes the store: its inode and its time stamp.
std::pair<ino_t, std::int64_t> WriteMark(const std::string& path)
{
    const struct stat info = StatusOf(path);
    return {info.st_ino, info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Writes `text` over the store file itself (same inode) with the time stamp `modified`, as
// a second write path that does not replace the file might.
void RewriteInPlace(const std::string& path, const std::string& text, const timespec& modified)
{
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    timespec times[2] = {modified, modified};
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
}

class RegistryFreshness : public ::testing::Test {
protected:
    void SetUp() override
    {
        key = CreateKey(HKEY_LOCAL_MACHINE, "Fresh");
        ASSERT_EQ(SetText(key, "Value", "aaaa"), ERROR_SUCCESS);
        RegCloseKey(CreateKey(key, "Doomed"));
        // The process now holds a parsed copy of this store.
        ASSERT_EQ(ValueBytes(key, "Value"), std::string("aaaa", 5));
        kept = store.Text();
    }
    void TearDown() override { RegCloseKey(key); }

    TemporaryStore store;
    HKEY key = nullptr;
    std::string kept;
};

TEST_F(RegistryFreshness, AChangeAnotherProcessMadeIsSeenByTheNextReadAndKeptByTheNextChange)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child starts with the parent's parsed copy, as a process started by fork does.
        HKEY born = nullptr;
        bool done = SetText(key, "Value", "bbbb") == ERROR_SUCCESS && RegDeleteKeyA(key, "Doomed") == ERROR_SUCCESS &&
                    RegCreateKeyExA(key, "Born", 0, nullptr, 0, KEY_READ, nullptr, &born, nullptr) == ERROR_SUCCESS;
        _exit(done ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(ValueBytes(key, "Value"), std::string("bbbb", 5));
    EXPECT_EQ(SubkeyNames(key), std::vector<std::string>{"Born"});
    // A change of ours builds on the child's store, not on the copy this process kept.
    ASSERT_EQ(SetText(key, "Ours", "cc"), ERROR_SUCCESS);
    ASSERT_TRUE(store.Replace(store.Text())); // read back from the file
    EXPECT_EQ(ValueBytes(key, "Value"), std::string("bbbb", 5));
    EXPECT_EQ(ValueBytes(key, "Ours"), std::string("cc", 3));
    EXPECT_EQ(SubkeyNames(key), std::vector<std::string>{"Born"});
}

// The new content has the size of the kept one and a time stamp that a coarse file system
// clock could have given both. The file system hands out a freed inode number again at
// once, so a store replaced twice could otherwise come back under the kept file's number.
TEST_F(RegistryFreshness, AStoreReplacedByAFileOfTheSameSizeIsSeen)
{
    enum class Write { Rename, InPlace };
    struct Case {
        const char* what;
        Write how;
        int writes;
        long nanosecondsLater;
    };
    const Case cases[] = {{"replaced, same second, another nanosecond", Write::Rename, 1, 1},
                          {"replaced, same time stamp to the nanosecond", Write::Rename, 1, 0},
                          {"replaced twice, the last with the kept time stamp", Write::Rename, 2, 0},
                          {"rewritten in place one nanosecond later", Write::InPlace, 1, 1}};
    enum class Next { Read, Change };
    for (const Case& c : cases) {
        for (Next next : {Next::Read, Next::Change}) {
            SCOPED_TRACE(std::string(c.what) + (next == Next::Read ? ", then a read" : ", then a change"));
            ASSERT_TRUE(store.Replace(kept));
            ASSERT_EQ(ValueBytes(key, "Value"), std::string("aaaa", 5)); // kept again
            timespec stamp = StatusOf(store.path()).st_mtim;
            stamp.tv_nsec = (stamp.tv_nsec + c.nanosecondsLater) % 1'000'000'000;
            std::string now;
            for (int write = 0; write < c.writes; ++write) {
                now = write == 0 ? "bbbb" : "cccc";
                const std::string text = Replaced(kept, "=aaaa", "=" + now);
                if (c.how == Write::Rename)
                    ASSERT_TRUE(store.Replace(text, stamp));
                else
                    RewriteInPlace(store.path(), text, stamp);
            }
            if (next == Next::Change) {
                // The change must not write the kept copy back over what replaced it.
                ASSERT_EQ(SetText(key, "Other", "o"), ERROR_SUCCESS);
                EXPECT_NE(store.Text().find("=" + now), std::string::npos);
            }
            EXPECT_EQ(ValueBytes(key, "Value"), now + '\0');
        }
    }
}

// A failure is never kept: each call reports it again, and the store is read again once it
// is sound, whatever copy of the sound store the process kept before.
TEST_F(RegistryFreshness, ADamagedStoreIsReportedAfterASoundOneWasKept)
{
    struct Case {
        const char* what;
        void (*damage)(const TemporaryStore& store, const std::string& kept);
        LSTATUS expected;
    };
    const Case cases[] = {
        {"not a store, same size",
         [](const TemporaryStore& store, const std::string& kept) {
             ASSERT_TRUE(store.Replace(Replaced(kept, "fabrun-registry 1", "fabrun-registry 2")));
         },
         ERROR_BADDB},
        {"a folder in its place",
         [](const TemporaryStore& store, const std::string&) {
             ASSERT_EQ(unlink(store.path().c_str()), 0);
             ASSERT_EQ(mkdir(store.path().c_str(), 0755), 0);
         },
         static_cast<LSTATUS>(platform::ErrorFromErrno(EISDIR))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(ValueBytes(key, "Value"), std::string("aaaa", 5));
        c.damage(store, kept);
        const auto damaged = WriteMark(store.path());
        for (int call = 0; call < 2; ++call) {
            EXPECT_EQ(ValueBytes(key, "Value"), "<error " + std::to_string(c.expected) + ">");
            HKEY opened = nullptr;
            EXPECT_EQ(RegOpenKeyExA(key, "Doomed", 0, KEY_READ, &opened), c.expected);
            EXPECT_EQ(SetText(key, "Value", "dddd"), c.expected);
        }
        EXPECT_EQ(WriteMark(store.path()), damaged);
        std::filesystem::remove(store.path());
        ASSERT_TRUE(store.Replace(kept));
        EXPECT_EQ(ValueBytes(key, "Value"), std::string("aaaa", 5));
    }
}

} // namespace
