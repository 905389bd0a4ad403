#include "engine/settings/system_language.h"
#include "platform/debug/debug.h"
#include "platform/locale/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// Sets the locale variables for one case and puts the old ones back afterwards.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* all, const char* messages, const char* lang)
    {
        Set("LC_ALL", all);
        Set("LC_MESSAGES", messages);
        Set("LANG", lang);
    }
    ~LocaleEnvironment()
    {
        for (auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    void Set(const char* name, const char* value)
    {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct LanguageCase {
    const char* all;
    const char* messages;
    const char* lang;
    std::vector<std::string> lines;
};

class SystemLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(SystemLanguage, WritesTheLanguageLines)
{
    const LanguageCase& c = GetParam();
    LocaleEnvironment environment(c.all, c.messages, c.lang);
    std::vector<std::string> lines;
    auto previous = platform::SetDebugSink([&](std::string_view line) { lines.emplace_back(line); });
    ReportSystemLanguage();
    platform::SetDebugSink(previous);
    EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, SystemLanguage,
    ::testing::Values(
        LanguageCase{nullptr, nullptr, "zh_CN.UTF-8",
                     {"  Language ID=804", "  Main-LangID=4", "  Sub-LangID=2", "Simplified Chinese"}},
        LanguageCase{nullptr, nullptr, "zh_TW.UTF-8",
                     {"  Language ID=404", "  Main-LangID=4", "  Sub-LangID=1", "Traditional Chinese"}},
        LanguageCase{nullptr, nullptr, "zh_HK", {"  Language ID=C04", "  Main-LangID=4", "  Sub-LangID=3", "Traditional Chinese"}},
        LanguageCase{nullptr, nullptr, "ja_JP.UTF-8",
                     {"  Language ID=411", "  Main-LangID=11", "  Sub-LangID=1", "Japanese"}},
        LanguageCase{nullptr, nullptr, "de_DE.UTF-8", {"  Language ID=409", "  Main-LangID=9", "  Sub-LangID=1", "English "}},
        LanguageCase{nullptr, nullptr, nullptr, {"  Language ID=409", "  Main-LangID=9", "  Sub-LangID=1", "English "}},
        LanguageCase{nullptr, "ja_JP", "zh_CN", {"  Language ID=411", "  Main-LangID=11", "  Sub-LangID=1", "Japanese"}},
        LanguageCase{"C", "ja_JP", "zh_CN", {"  Language ID=409", "  Main-LangID=9", "  Sub-LangID=1", "English "}},
        LanguageCase{"zh_CN@modifier", nullptr, nullptr,
                     {"  Language ID=804", "  Main-LangID=4", "  Sub-LangID=2", "Simplified Chinese"}}));

} // namespace
