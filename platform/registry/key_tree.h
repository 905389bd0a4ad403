// The store's content in memory: keys with case-insensitive names, subkeys in name
// order, values in the order they were first set.
#pragma once

#include "platform/base/wintypes.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

struct Value {
    std::string name; // empty: the key's default value
    std::string folded; // FoldName(name), kept for lookups
    DWORD type = 0;
    std::vector<BYTE> data;
};

// The form under which two names compare equal when they differ only in letter case.
std::string FoldName(std::string_view name);

// The name's length in characters (UTF-16 units), as the limits on names count it.
std::size_t NameLength(std::string_view name);

class Key {
public:
    explicit Key(std::string name = {}) : name_(std::move(name)) {}
    // A deep copy: a change works on one while readers keep the tree it came from.
    Key(const Key& other);
    Key(Key&&) = default;
    Key& operator=(const Key&) = delete;
    Key& operator=(Key&&) = default;

    const std::string& name() const { return name_; }

    Key* FindChild(std::string_view name);
    const Key* FindChild(std::string_view name) const;
    // The child of that name, created (keeping the given case) when missing.
    Key& AddChild(std::string_view name, bool& created);
    bool RemoveChild(std::string_view name);
    std::size_t ChildCount() const { return children_.size(); }
    // The child at `index` in case-insensitive name order, or nullptr.
    const Key* ChildAt(std::size_t index) const;

    const Value* FindValue(std::string_view name) const;
    void SetValue(std::string_view name, DWORD type, std::vector<BYTE> data);
    const std::vector<Value>& values() const { return values_; }

    template <class Visit>
    void ForEachChild(Visit visit) const
    {
        for (const auto& [folded, child] : children_)
            visit(*child);
    }

private:
    std::string name_;
    std::map<std::string, std::unique_ptr<Key>, std::less<>> children_; // by folded name
    std::vector<Value> values_;
};

// The key at `path` below `top` (each component a key name), or nullptr.
const Key* FindPath(const Key& top, const std::vector<std::string>& path);
Key* FindPath(Key& top, const std::vector<std::string>& path);

} // namespace platform::registry
