#include "platform/version/version_block.h"

#include "platform/text/text.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

constexpr char kSignature[4] = {'F', 'V', 'B', '1'};

struct BlockHeader {
    char signature[4];
    DWORD totalSize;   // bytes of the whole block, header included
    DWORD translation; // language in the low word, code page in the high word
    DWORD stringCount;
};

std::u16string_view StripPrefix(std::u16string_view text, std::u16string_view prefix)
{
    if (text.size() < prefix.size() || !WideEqualsNoCase(text.substr(0, prefix.size()), prefix))
        return {};
    return text.substr(prefix.size());
}

bool ParseTranslation(std::string_view value, DWORD& translation)
{
    unsigned language = 0, codePage = 0;
    char extra = 0;
    std::string text(value);
    if (std::sscanf(text.c_str(), "%4x %4x%c", &language, &codePage, &extra) != 2)
        return false;
    translation = (codePage << 16) | language;
    return true;
}

} // namespace

std::vector<BYTE> BuildVersionBlock(std::string_view resourceText)
{
    // The section holds the text and its NUL; nothing after the NUL counts.
    resourceText = resourceText.substr(0, resourceText.find('\0'));
    BlockHeader header{};
    std::memcpy(header.signature, kSignature, sizeof kSignature);
    bool haveTranslation = false;
    std::u16string strings;
    while (!resourceText.empty()) {
        std::string_view line = resourceText.substr(0, resourceText.find('\n'));
        resourceText.remove_prefix(std::min(resourceText.size(), line.size() + 1));
        auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "Translation") {
            haveTranslation = ParseTranslation(value, header.translation);
            continue;
        }
        strings += Utf8ToWide(key);
        strings += u'\0';
        strings += Utf8ToWide(value);
        strings += u'\0';
        ++header.stringCount;
    }
    if (!haveTranslation)
        return {};
    header.totalSize = static_cast<DWORD>(sizeof header + strings.size() * sizeof(char16_t));
    std::vector<BYTE> block(header.totalSize);
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, strings.data(), strings.size() * sizeof(char16_t));
    return block;
}

bool QueryVersionBlock(const void* block, std::u16string_view subBlock, const void*& value, UINT& length)
{
    BlockHeader header;
    std::memcpy(&header, block, sizeof header);
    if (std::memcmp(header.signature, kSignature, sizeof kSignature) != 0 || header.totalSize < sizeof header)
        return false;
    const auto* bytes = static_cast<const BYTE*>(block);
    if (WideEqualsNoCase(subBlock, u"\\VarFileInfo\\Translation")) {
        value = bytes + offsetof(BlockHeader, translation);
        length = sizeof header.translation;
        return true;
    }
    std::u16string_view rest = StripPrefix(subBlock, u"\\StringFileInfo\\");
    std::u16string tableName = FormatWide("%04x%04x", header.translation & 0xFFFF, header.translation >> 16);
    rest = StripPrefix(rest, tableName);
    rest = StripPrefix(rest, u"\\");
    if (rest.empty())
        return false;
    const auto* strings = reinterpret_cast<const char16_t*>(bytes + sizeof header);
    std::size_t units = (header.totalSize - sizeof header) / sizeof(char16_t);
    std::size_t at = 0;
    for (DWORD n = 0; n < header.stringCount && at < units; ++n) {
        std::u16string_view key = WideFieldView(strings + at, units - at);
        at += key.size() + 1;
        if (at > units)
            return false;
        std::u16string_view text = WideFieldView(strings + at, units - at);
        if (WideEqualsNoCase(key, rest)) {
            value = strings + at;
            length = static_cast<UINT>(text.size() + 1);
            return true;
        }
        at += text.size() + 1;
    }
    return false;
}

} // namespace platform
