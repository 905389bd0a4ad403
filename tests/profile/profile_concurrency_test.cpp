// Several threads write one file at once: no update is lost, and no reader, inside the
// process or outside its lock, ever sees a file that is only partly written.
#include "platform/profile/profile.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWriters = 6;
constexpr int kWritesEach = 40;

std::u16string KeyName(int writer)
{
    return u"key" + std::u16string(1, static_cast<char16_t>(u'A' + writer));
}

std::u16string Value(int writer, int step)
{
    std::string text = std::to_string(writer) + "-" + std::to_string(step);
    return std::u16string(text.begin(), text.end());
}

TEST(ProfileConcurrency, WritersLoseNothingAndReadersNeverSeeATornFile)
{
    ScratchFolder folder;
    std::u16string file = folder.WideFile("shared.ini");
    std::string path = folder.File("shared.ini");
    // The last section stays last: every torn or half-written file would lack its key.
    ASSERT_TRUE(WritePrivateProfileStringW(u"Work", u"start", u"1", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"End", u"Mark", u"1", file.c_str()));

    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int writer = 0; writer < kWriters; ++writer) {
        threads.emplace_back([&, writer] {
            for (int step = 0; step < kWritesEach; ++step)
                if (!WritePrivateProfileStringW(u"Work", KeyName(writer).c_str(), Value(writer, step).c_str(), file.c_str()))
                    ++failures;
        });
    }
    std::atomic<int> tornReads{0};
    std::thread apiReader([&] {
        char16_t buffer[16];
        while (!done) {
            if (GetPrivateProfileStringW(u"End", u"Mark", u"", buffer, 16, file.c_str()) != 1)
                ++tornReads;
        }
    });
    std::thread rawReader([&] {
        while (!done) {
            std::string bytes = ReadBytes(path);
            if (bytes.find("[End]\r\nMark=1\r\n") == std::string::npos || !bytes.ends_with("Mark=1\r\n"))
                ++tornReads;
        }
    });
    for (auto& thread : threads)
        thread.join();
    done = true;
    apiReader.join();
    rawReader.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(tornReads, 0);
    char16_t buffer[32];
    for (int writer = 0; writer < kWriters; ++writer) {
        DWORD length = GetPrivateProfileStringW(u"Work", KeyName(writer).c_str(), u"", buffer, 32, file.c_str());
        EXPECT_EQ(std::u16string(buffer, length), Value(writer, kWritesEach - 1));
    }
    std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.find("[Work]\r\nstart=1\r\n"), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "a temporary file was left";
}

} // namespace
