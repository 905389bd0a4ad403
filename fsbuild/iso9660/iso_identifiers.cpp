#include "fsbuild/iso9660/iso_identifiers.h"

namespace iso9660 {
namespace {

constexpr std::size_t kLongestKeptExtension = 16; // the "." included

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The first `units` units of `text`, one fewer when the cut would split a surrogate pair.
std::u16string_view WholeCharacters(std::u16string_view text, std::size_t units)
{
    if (units < text.size() && units > 0 && IsHighSurrogate(text[units - 1]))
        --units;
    return text.substr(0, units);
}

} // namespace

std::string MapPrimaryIdentifier(std::u16string_view name)
{
    std::string mapped;
    mapped.reserve(name.size());
    for (std::size_t i = 0; i < name.size() && mapped.size() < kPrimaryNameLimit; ++i) {
        char16_t unit = name[i];
        if ((unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z'))
            mapped += static_cast<char>(unit);
        else if (unit >= u'a' && unit <= u'z')
            mapped += static_cast<char>(unit - u'a' + 'A');
        else {
            if (IsHighSurrogate(unit) && i + 1 < name.size() && IsLowSurrogate(name[i + 1]))
                ++i;
            mapped += '_';
        }
    }
    return mapped;
}

std::string PrimaryNameSet::Unique(const std::string& mapped)
{
    if (taken_.insert(mapped).second)
        return mapped;
    for (unsigned tail = 1;; ++tail) {
        std::string suffix = "_" + std::to_string(tail);
        std::string candidate = mapped.substr(0, kPrimaryNameLimit - suffix.size()) + suffix;
        if (taken_.insert(candidate).second)
            return candidate;
    }
}

std::u16string BoundJolietName(std::u16string_view name)
{
    if (name.size() <= kJolietNameLimit)
        return std::u16string(name);
    std::size_t dot = name.rfind(u'.');
    std::u16string_view extension;
    if (dot != std::u16string_view::npos && dot > 0 && name.size() - dot <= kLongestKeptExtension)
        extension = name.substr(dot);
    std::u16string bounded(WholeCharacters(name, kJolietNameLimit - extension.size()));
    return bounded.append(extension);
}

std::string EncodeUcs2BigEndian(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

} // namespace iso9660
