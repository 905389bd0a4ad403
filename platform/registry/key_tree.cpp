#include "platform/registry/key_tree.h"

#include "platform/registry/registry.h"
#include "platform/text/text.h"

#include <algorithm>

namespace platform::registry {
namespace {

bool IsAscii(std::string_view name)
{
    return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void FoldAscii(std::string_view name, char* folded)
{
    std::transform(name.begin(), name.end(), folded,
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
}

// Runs `use` on the folded name. Lookups run on every call, so the usual short ASCII name
// is folded on the stack instead of into a new string.
template <class Use>
decltype(auto) WithFolded(std::string_view name, Use use)
{
    char buffer[kMaxKeyNameLength];
    if (name.size() <= sizeof buffer && IsAscii(name)) {
        FoldAscii(name, buffer);
        return use(std::string_view(buffer, name.size()));
    }
    return use(std::string_view(FoldName(name)));
}

} // namespace

std::string FoldName(std::string_view name)
{
    std::string asciiFolded(name.size(), '\0');
    FoldAscii(name, asciiFolded.data());
    if (IsAscii(name))
        return asciiFolded;
    std::u16string wide = AnsiToWide(name);
    // Bytes that are no text in the ANSI code page would all fold to the same replacement
    // character, making distinct names one key: such a name folds only its ASCII letters.
    if (WideToAnsi(wide) != name)
        return asciiFolded;
    for (char16_t& unit : wide)
        unit = WideToUpper(unit);
    return WideToAnsi(wide);
}

std::size_t NameLength(std::string_view name)
{
    return IsAscii(name) ? name.size() : AnsiToWide(name).size();
}

Key::Key(const Key& other) : name_(other.name_), values_(other.values_)
{
    for (const auto& [folded, child] : other.children_)
        children_.emplace_hint(children_.end(), folded, std::make_unique<Key>(*child));
}

Key* Key::FindChild(std::string_view name)
{
    return WithFolded(name, [&](std::string_view folded) -> Key* {
        auto found = children_.find(folded);
        return found == children_.end() ? nullptr : found->second.get();
    });
}

const Key* Key::FindChild(std::string_view name) const
{
    return const_cast<Key*>(this)->FindChild(name);
}

Key& Key::AddChild(std::string_view name, bool& created)
{
    auto& slot = children_[FoldName(name)];
    created = slot == nullptr;
    if (created)
        slot = std::make_unique<Key>(std::string(name));
    return *slot;
}

bool Key::RemoveChild(std::string_view name)
{
    return children_.erase(FoldName(name)) == 1;
}

const Key* Key::ChildAt(std::size_t index) const
{
    if (index >= children_.size())
        return nullptr;
    auto at = children_.begin();
    std::advance(at, static_cast<std::ptrdiff_t>(index));
    return at->second.get();
}

const Value* Key::FindValue(std::string_view name) const
{
    return WithFolded(name, [&](std::string_view folded) -> const Value* {
        for (const Value& value : values_)
            if (value.folded == folded)
                return &value;
        return nullptr;
    });
}

void Key::SetValue(std::string_view name, DWORD type, std::vector<BYTE> data)
{
    if (auto* existing = const_cast<Value*>(FindValue(name))) {
        existing->type = type;
        existing->data = std::move(data);
        return;
    }
    values_.push_back(Value{std::string(name), FoldName(name), type, std::move(data)});
}

const Key* FindPath(const Key& top, const std::vector<std::string>& path)
{
    return FindPath(const_cast<Key&>(top), path);
}

Key* FindPath(Key& top, const std::vector<std::string>& path)
{
    Key* key = &top;
    for (const std::string& component : path) {
        key = key->FindChild(component);
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

} // namespace platform::registry
