// The debug-output sink: what one call makes of its text, whole lines when threads write
// at once, the default sink chosen by FABRUN_DEBUG_LOG, and DebugPrintf's bound.
#include "platform/debug/debug.h"
#include "tests/platform/inherited_scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class DebugCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = platform::SetDebugSink([this](std::string_view line) { lines.emplace_back(line); });
    }
    void TearDown() override { platform::SetDebugSink(previous); }

    platform::DebugSink previous;
    std::vector<std::string> lines;
};

struct OutputCase {
    const char* name;
    const char* narrow;  // used when `wide` is false
    const char16_t* wide;
    bool isWide;
    std::string expected;
};

class DebugOutput : public DebugCapture, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(DebugOutput, OneCallGivesOneLine)
{
    const OutputCase& c = GetParam();
    c.isWide ? OutputDebugStringW(c.wide) : OutputDebugStringA(c.narrow);
    EXPECT_EQ(lines, std::vector<std::string>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DebugOutput,
    ::testing::Values(OutputCase{"Plain", "step 1", nullptr, false, "step 1"},
                      OutputCase{"TrailingNewline", "step 1\n", nullptr, false, "step 1"},
                      OutputCase{"TrailingCrLf", "step 1\r\n", nullptr, false, "step 1"},
                      OutputCase{"InnerNewlineKept", "a\nb", nullptr, false, "a\nb"},
                      OutputCase{"Empty", "", nullptr, false, ""},
                      OutputCase{"Null", nullptr, nullptr, false, ""},
                      OutputCase{"Wide", nullptr, u"Gr\u00fc\u00dfe \u4e2d \U0001F600\r\n", true,
                                 "Gr\xc3\xbc\xc3\x9f" "e \xe4\xb8\xad \xf0\x9f\x98\x80"},
                      OutputCase{"WideEmpty", nullptr, u"", true, ""},
                      OutputCase{"WideNull", nullptr, nullptr, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct CutCase {
    const char* name;
    std::size_t fill;      // ASCII bytes before the last character
    std::string last;      // its UTF-8 bytes
    std::size_t expected;  // bytes of the line
};

class DebugPrintfCut : public DebugCapture, public ::testing::WithParamInterface<CutCase> {};

TEST_P(DebugPrintfCut, LongTextIsCutAtAWholeCharacter)
{
    const CutCase& c = GetParam();
    std::string text = std::string(c.fill, 'a') + c.last + "tail beyond the limit";
    platform::DebugPrintf("%s", text.c_str());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], text.substr(0, c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, DebugPrintfCut,
    ::testing::Values(CutCase{"TwoBytesAcrossTheLimit", 1022, "\xc3\xa9", 1022},
                      CutCase{"ThreeBytesAcrossTheLimit", 1021, "\xe4\xb8\xad", 1021},
                      CutCase{"FourBytesAcrossTheLimit", 1020, "\xf0\x9f\x98\x80", 1020},
                      CutCase{"FourBytesEndingAtTheLimit", 1019, "\xf0\x9f\x98\x80", 1023},
                      CutCase{"AsciiAtTheLimit", 1022, "b", 1023}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DebugCapture, DebugPrintfFormatsShortLinesWhole)
{
    platform::DebugPrintf("  Language ID=%X %s", 0x404u, "\xe4\xb8\xad");
    EXPECT_EQ(lines, std::vector<std::string>{"  Language ID=404 \xe4\xb8\xad"});
}

// The default sink is chosen once per process: each case runs in a fresh copy of this
// program with the setting in its environment.
constexpr int kThreads = 8;
constexpr int kLinesEach = 200;

std::string ThreadLine(int thread, int line)
{
    return "thread " + std::to_string(thread) + " line " + std::to_string(line) + " " + std::string(80, 'x');
}

[[noreturn]] void WriteFromThreadsAndExit(const std::string& setting)
{
    setenv("FABRUN_DEBUG_LOG", setting.c_str(), 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int line = 0; line < kLinesEach; ++line)
                OutputDebugStringA((ThreadLine(t, line) + "\n").c_str());
        });
    for (std::thread& thread : threads)
        thread.join();
    std::exit(0);
}

class DebugDefaultSink : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    InheritedScratchFolder folder{"FABRUN_DEBUG_TEST_FOLDER"};
    std::string log = folder.File("debug.log");
};

TEST_F(DebugDefaultSink, AFileGetsEveryLineWholeFromThreadsWritingAtOnce)
{
    WriteBytes(log, "earlier\n");
    EXPECT_EXIT(WriteFromThreadsAndExit(log), ::testing::ExitedWithCode(0), "^$");
    std::istringstream in(ReadBytes(log));
    std::set<std::string> expected{"earlier"}, seen;
    for (int t = 0; t < kThreads; ++t)
        for (int line = 0; line < kLinesEach; ++line)
            expected.insert(ThreadLine(t, line));
    std::size_t count = 0;
    for (std::string line; std::getline(in, line); ++count)
        seen.insert(line);
    EXPECT_EQ(count, expected.size()) << "a line was split, lost or doubled";
    EXPECT_EQ(seen, expected);
}

TEST_F(DebugDefaultSink, OffDiscardsAndStderrIsTheDefault)
{
    EXPECT_EXIT(WriteFromThreadsAndExit("off"), ::testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(WriteFromThreadsAndExit("stderr"), ::testing::ExitedWithCode(0), "thread 7 line 199 x+\n");
    EXPECT_FALSE(std::filesystem::exists(log));
}

} // namespace
