// A station whose locale has a legacy multi-byte code page (GBK here): field copies keep
// whole characters there too. The code page is fixed when a process first converts, so
// the checks run in a fresh copy of this program started with the GBK locale.
#include "platform/text/text.h"
#include "tests/platform/inherited_scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using platform::FieldEnd;

int failures = 0;

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

// "a" then two characters of two bytes each in GBK: 61 D6 D0 CE C4.
[[noreturn]] void CopyFieldsInGbkAndExit()
{
    const std::u16string text = u"a\u4e2d\u6587";
    Check(!platform::AnsiIsUtf8(), "the locale's code page is GBK");
    Check(platform::WideToAnsi(text) == "a\xd6\xd0\xce\xc4", "GBK bytes");
    struct Case {
        std::size_t size;
        FieldEnd end;
        const char* expected;
        std::size_t copied;
    };
    const Case cases[] = {
        {4, FieldEnd::ZeroFilled, "a\xd6\xd0\0", 3},
        {5, FieldEnd::ZeroFilled, "a\xd6\xd0\xce\xc4", 5},
        {5, FieldEnd::Terminated, "a\xd6\xd0\0\0", 3},
        {2, FieldEnd::ZeroFilled, "a\0", 1},
    };
    for (const Case& c : cases) {
        char field[8];
        std::memset(field, 0x55, sizeof field);
        std::size_t copied = platform::CopyToField(field, c.size, platform::WideToAnsi(text), c.end);
        Check(copied == c.copied && std::memcmp(field, c.expected, c.size) == 0, "narrow copy keeps characters whole");
        Check(static_cast<unsigned char>(field[c.size]) == 0x55, "narrow copy stays in its field");
        std::memset(field, 0x55, sizeof field);
        copied = platform::CopyWideToField(field, c.size, text, c.end);
        Check(copied == c.copied && std::memcmp(field, c.expected, c.size) == 0, "wide copy keeps characters whole");
    }
    // At once: the C library's locale loading keeps allocations a leak check would count.
    std::_Exit(failures);
}

TEST(LegacyCodePage, FieldCopiesKeepGbkCharactersWhole)
{
    InheritedScratchFolder locales("FABRUN_GBK_TEST_LOCALES");
    std::string build = "localedef -i zh_CN -f GBK " + locales.File("zh_CN.GBK") + " >/dev/null 2>&1";
    if (!locales.Inherited() && std::system(build.c_str()) != 0)
        GTEST_SKIP() << "no GBK locale can be built here (localedef and the locales package are needed)";
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // the child starts afresh: the code page is read anew
    setenv("LOCPATH", locales.path().c_str(), 1);
    std::string previous = std::getenv("LC_ALL") != nullptr ? std::getenv("LC_ALL") : "";
    setenv("LC_ALL", "zh_CN.GBK", 1);
    EXPECT_EXIT(CopyFieldsInGbkAndExit(), ::testing::ExitedWithCode(0), "");
    unsetenv("LOCPATH");
    previous.empty() ? unsetenv("LC_ALL") : setenv("LC_ALL", previous.c_str(), 1);
}

} // namespace
