#include "fsbuild/fat/short_names.h"

#include "platform/text/text.h"

#include <cstring>

namespace {

// Characters a short name holds as they are (besides A-Z and 0-9).
constexpr char kSpecials[] = "$%'-_@~`!(){}^#&";

// The short-name form of one character: itself, its upper case, or "_". `changed` is set
// when the character had to be replaced (a case change alone does not count).
char ShortChar(char16_t c, bool& changed)
{
    if (c >= u'a' && c <= u'z')
        return static_cast<char>(c - u'a' + 'A');
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
        (c < 0x80 && c != 0 && std::strchr(kSpecials, static_cast<char>(c)) != nullptr))
        return static_cast<char>(c);
    changed = true;
    return '_';
}

// Blanks and dots are dropped from a part; the result is cut to `limit` characters.
std::string ShortPart(std::u16string_view part, std::size_t limit, bool& lossy)
{
    std::string text;
    for (char16_t c : part) {
        if (c == u' ' || c == u'.') {
            lossy = true;
            continue;
        }
        char converted = ShortChar(c, lossy);
        if (text.size() == limit) {
            lossy = true;
            break;
        }
        text.push_back(converted);
    }
    return text;
}

ShortName Compose(const std::string& base, const std::string& extension)
{
    ShortName name;
    name.fill(' ');
    std::memcpy(name.data(), base.data(), std::min<std::size_t>(base.size(), 8));
    std::memcpy(name.data() + 8, extension.data(), std::min<std::size_t>(extension.size(), 3));
    return name;
}

} // namespace

bool ShortNameSet::Take(const ShortName& name)
{
    return taken_.emplace(name.data(), name.size()).second;
}

ShortName ShortNameSet::Assign(const std::u16string& longName)
{
    std::u16string_view view = longName;
    bool lossy = false;
    std::size_t leadingDots = view.find_first_not_of(u'.');
    if (leadingDots == std::u16string_view::npos)
        leadingDots = view.size();
    if (leadingDots > 0)
        lossy = true;
    view.remove_prefix(leadingDots);
    std::size_t dot = view.rfind(u'.');
    std::u16string_view basePart = dot == std::u16string_view::npos ? view : view.substr(0, dot);
    std::u16string_view extensionPart = dot == std::u16string_view::npos ? std::u16string_view() : view.substr(dot + 1);
    std::string base = ShortPart(basePart, 8, lossy);
    std::string extension = ShortPart(extensionPart, 3, lossy);
    if (base.empty()) {
        base = "_";
        lossy = true;
    }
    if (!lossy && Take(Compose(base, extension)))
        return Compose(base, extension);
    std::string key = base + "." + extension;
    for (unsigned& tail = nextTail_.try_emplace(key, 1).first->second;; ++tail) {
        std::string suffix = "~" + std::to_string(tail);
        ShortName candidate = Compose(base.substr(0, 8 - suffix.size()) + suffix, extension);
        if (Take(candidate)) {
            ++tail;
            return candidate;
        }
    }
}

ShortName LabelField(const std::string& label)
{
    ShortName field;
    field.fill(' ');
    std::u16string wide = platform::AnsiToWide(label);
    std::size_t length = 0;
    for (char16_t c : wide) {
        if (length == field.size())
            break;
        bool changed = false;
        field[length++] = c == u' ' ? ' ' : ShortChar(c, changed);
    }
    return field;
}
