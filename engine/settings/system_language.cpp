#include "engine/settings/system_language.h"

#include "platform/debug/debug.h"
#include "platform/locale/locale.h"

namespace {
constexpr WORD kPrimaryChinese = 0x04;
constexpr WORD kSubChineseSimplified = 0x02;
constexpr WORD kPrimaryJapanese = 0x11;
} // namespace

void ReportSystemLanguage()
{
    LANGID id = GetSystemDefaultLangID();
    WORD primary = PRIMARYLANGID(id);
    WORD sub = SUBLANGID(id);
    platform::DebugPrintf("  Language ID=%X", id);
    platform::DebugPrintf("  Main-LangID=%X", primary);
    platform::DebugPrintf("  Sub-LangID=%X", sub);
    if (primary == kPrimaryChinese)
        platform::DebugPrintf(sub == kSubChineseSimplified ? "Simplified Chinese" : "Traditional Chinese");
    else if (primary == kPrimaryJapanese)
        platform::DebugPrintf("Japanese");
    else
        platform::DebugPrintf("English ");
}
