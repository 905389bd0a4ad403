#include "server/shell/debug_line.h"
#include "tests/server_shell/captured_lines.h"

#include <gtest/gtest.h>

using namespace fabrun_test;

namespace {

bool IsWholeUtf8(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[at]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || at + length > text.size())
            return false;
        at += length;
    }
    return true;
}

TEST(ServerDebugLine, IsCutAtAWholeCharacterWithinItsSize)
{
    const std::string umlauts = [] {
        std::string text;
        for (int i = 0; i < 300; ++i)
            text += "\xC3\xBC"; // two bytes each
        return text;
    }();
    struct Case {
        const char* what;
        std::string argument;
        std::string expected;
    };
    const Case cases[] = {
        {"short", "C:\\Temp", "Path=C:\\Temp"},
        {"fills the line exactly", std::string(494, 'a'), "Path=" + std::string(494, 'a')},
        {"one byte too long", std::string(495, 'a'), "Path=" + std::string(494, 'a')},
        {"a path of many hundred bytes", std::string(900, 'p'), "Path=" + std::string(494, 'p')},
        // 5 + 2 * 247 = 499 bytes; the 248th character would need 2 more.
        {"two-byte characters", umlauts, "Path=" + umlauts.substr(0, 494)},
        {"cut inside a character", "x" + umlauts, "Path=x" + umlauts.substr(0, 492)},
    };
    CapturedLines lines;
    for (const Case& c : cases) {
        portwarden::DebugLine("Path=%s", c.argument.c_str());
        auto written = lines.Take();
        ASSERT_EQ(written.size(), 1u) << c.what;
        EXPECT_EQ(written[0], c.expected) << c.what;
        EXPECT_LT(written[0].size(), portwarden::kDebugLineSize) << c.what;
        EXPECT_TRUE(IsWholeUtf8(written[0])) << c.what;
    }
}

} // namespace
