#include "platform/registry/registry.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/registry/open_key.h"
#include "platform/registry/root_keys.h"
#include "platform/registry/store.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using platform::registry::Key;
using platform::registry::KeyPath;
using platform::registry::OpenKey;
using platform::registry::RootKey;
using platform::registry::RootKeys;

// What a call names: the key behind the handle (its base) and the names below it.
struct Target {
    std::shared_ptr<OpenKey> base;
    KeyPath below;

    KeyPath Path() const
    {
        KeyPath path = base->path;
        path.insert(path.end(), below.begin(), below.end());
        return path;
    }
    // The base key in a copy of the store being changed, or nullptr when it was deleted
    // behind the handle.
    Key* FindBase(Key& top) const { return platform::registry::FindPath(top, base->path); }
};

// The open key a root key handle stands for, with every right, or nullptr for another
// handle. Like any open key it remembers where it found its key last.
const std::shared_ptr<OpenKey>* RootOpenKey(HKEY key)
{
    static const auto* roots = [] {
        auto* made = new std::vector<std::shared_ptr<OpenKey>>; // outlives every static destructor that may still call us
        for (const RootKey& root : RootKeys())
            made->push_back(std::make_shared<OpenKey>(KeyPath{root.name}, KEY_ALL_ACCESS));
        return made;
    }();
    for (std::size_t at = 0; at < roots->size(); ++at)
        if (RootKeys()[at].key == key)
            return &(*roots)[at];
    return nullptr;
}

LONG ResolveHandle(HKEY key, Target& target)
{
    if (const auto* root = RootOpenKey(key)) {
        target.base = *root;
        return ERROR_SUCCESS;
    }
    target.base = platform::HandleAs<OpenKey>(reinterpret_cast<HANDLE>(key));
    return target.base != nullptr ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// Resolves the handle and splits the '\'-separated names of `subKey` (null or empty: none).
LONG ResolveTarget(HKEY key, LPCSTR subKey, Target& target)
{
    if (LONG status = ResolveHandle(key, target); status != ERROR_SUCCESS)
        return status;
    if (subKey == nullptr || *subKey == '\0')
        return ERROR_SUCCESS;
    std::string_view rest(subKey);
    while (true) {
        auto separator = rest.find('\\');
        std::string_view name = rest.substr(0, separator);
        if (name.empty())
            return ERROR_BAD_PATHNAME;
        if (platform::registry::NameLength(name) > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        target.below.emplace_back(name);
        if (separator == std::string_view::npos)
            return ERROR_SUCCESS;
        rest.remove_prefix(separator + 1);
    }
}

// Resolves the handle's own key and checks that it grants `needed`.
LONG ResolveWithAccess(HKEY key, REGSAM needed, Target& target)
{
    if (LONG status = ResolveTarget(key, nullptr, target); status != ERROR_SUCCESS)
        return status;
    return (target.base->access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Loads the store and finds the target's base key in it; `top` keeps the base alive.
LONG LoadBase(const Target& target, std::shared_ptr<const Key>& top, const Key*& base)
{
    if (LONG status = platform::registry::LoadStore(top); status != ERROR_SUCCESS)
        return status;
    base = target.base->FindIn(top);
    return base != nullptr ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// ERROR_SUCCESS when the target key exists now, ERROR_FILE_NOT_FOUND when it does not, or
// the store's error.
LONG FindExisting(const Target& target)
{
    std::shared_ptr<const Key> top;
    const Key* base;
    if (LONG status = LoadBase(target, top, base); status != ERROR_SUCCESS)
        return status;
    return platform::registry::FindPath(*base, target.below) != nullptr ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

HKEY Issue(KeyPath path, REGSAM access)
{
    return reinterpret_cast<HKEY>(platform::IssueHandle(std::make_shared<OpenKey>(std::move(path), access)));
}

} // namespace

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD options, REGSAM access, SECURITY_ATTRIBUTES*,
                        PHKEY result, LPDWORD disposition)
{
    if (result == nullptr || options != REG_OPTION_NON_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Target target;
    if (LONG status = ResolveTarget(key, subKey, target); status != ERROR_SUCCESS)
        return status;
    if (target.base->path.size() - 1 + target.below.size() > kMaxKeyDepth)
        return ERROR_INVALID_PARAMETER;
    bool createdAny = false;
    auto create = [&](Key& top, bool& changed) -> LONG {
        Key* at = target.FindBase(top);
        if (at == nullptr)
            return ERROR_KEY_DELETED;
        if (platform::registry::FindPath(*at, target.below) == nullptr && (target.base->access & KEY_CREATE_SUB_KEY) == 0)
            return ERROR_ACCESS_DENIED;
        for (const std::string& name : target.below) {
            bool created;
            at = &at->AddChild(name, created);
            createdAny = createdAny || created;
        }
        changed = createdAny;
        return ERROR_SUCCESS;
    };
    // A key that exists is opened from the parsed store, without the writers' lock; the
    // lock decides between creating and opening only when it seemed missing.
    if (FindExisting(target) != ERROR_SUCCESS) {
        if (LONG status = platform::registry::ChangeStore(create); status != ERROR_SUCCESS)
            return status;
    }
    if (disposition != nullptr)
        *disposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = Issue(target.Path(), access);
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Target target;
    if (LONG status = ResolveTarget(key, subKey, target); status != ERROR_SUCCESS)
        return status;
    if (LONG status = FindExisting(target); status != ERROR_SUCCESS)
        return status;
    *result = Issue(target.Path(), access);
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    Target target;
    if (LONG status = ResolveWithAccess(key, KEY_SET_VALUE, target); status != ERROR_SUCCESS)
        return status;
    if (data == nullptr && size != 0)
        return ERROR_INVALID_PARAMETER;
    std::string name = valueName != nullptr ? valueName : "";
    std::vector<BYTE> bytes(data, data + size);
    return platform::registry::ChangeStore([&](Key& top, bool& changed) -> LONG {
        Key* at = target.FindBase(top);
        if (at == nullptr)
            return ERROR_KEY_DELETED;
        const auto* existing = at->FindValue(name);
        changed = existing == nullptr || existing->type != type || existing->data != bytes;
        at->SetValue(name, type, bytes);
        return ERROR_SUCCESS;
    });
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    Target target;
    if (LONG status = ResolveWithAccess(key, KEY_QUERY_VALUE, target); status != ERROR_SUCCESS)
        return status;
    if (data != nullptr && size == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::shared_ptr<const Key> top;
    const Key* at;
    if (LONG status = LoadBase(target, top, at); status != ERROR_SUCCESS)
        return status;
    const auto* value = at->FindValue(valueName != nullptr ? valueName : "");
    if (value == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (type != nullptr)
        *type = value->type;
    if (size == nullptr)
        return ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(value->data.size());
    DWORD room = *size;
    *size = needed;
    if (data == nullptr)
        return ERROR_SUCCESS;
    if (room < needed)
        return ERROR_MORE_DATA;
    std::copy(value->data.begin(), value->data.end(), data);
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR keyClass,
                      LPDWORD classLength, PFILETIME lastWriteTime)
{
    Target target;
    if (LONG status = ResolveWithAccess(key, KEY_ENUMERATE_SUB_KEYS, target); status != ERROR_SUCCESS)
        return status;
    if (name == nullptr || nameLength == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::shared_ptr<const Key> top;
    const Key* at;
    if (LONG status = LoadBase(target, top, at); status != ERROR_SUCCESS)
        return status;
    const Key* child = at->ChildAt(index);
    if (child == nullptr)
        return ERROR_NO_MORE_ITEMS;
    const std::string& childName = child->name();
    if (childName.size() + 1 > *nameLength)
        return ERROR_MORE_DATA;
    std::memcpy(name, childName.c_str(), childName.size() + 1);
    *nameLength = static_cast<DWORD>(childName.size());
    if (keyClass != nullptr && classLength != nullptr && *classLength > 0) {
        keyClass[0] = '\0';
        *classLength = 0;
    }
    if (lastWriteTime != nullptr)
        *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    if (subKey == nullptr || *subKey == '\0')
        return ERROR_INVALID_PARAMETER;
    Target target;
    if (LONG status = ResolveTarget(key, subKey, target); status != ERROR_SUCCESS)
        return status;
    return platform::registry::ChangeStore([&](Key& top, bool& changed) -> LONG {
        Key* at = target.FindBase(top);
        if (at == nullptr)
            return ERROR_KEY_DELETED;
        Key* parent = platform::registry::FindPath(*at, KeyPath(target.below.begin(), target.below.end() - 1));
        const Key* doomed = parent != nullptr ? parent->FindChild(target.below.back()) : nullptr;
        if (doomed == nullptr)
            return ERROR_FILE_NOT_FOUND;
        if (doomed->ChildCount() > 0)
            return ERROR_ACCESS_DENIED;
        parent->RemoveChild(target.below.back());
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegCloseKey(HKEY key)
{
    if (RootOpenKey(key) != nullptr)
        return ERROR_SUCCESS;
    if (platform::HandleAs<OpenKey>(reinterpret_cast<HANDLE>(key)) == nullptr)
        return ERROR_INVALID_HANDLE;
    return CloseHandle(reinterpret_cast<HANDLE>(key)) ? ERROR_SUCCESS : static_cast<LSTATUS>(GetLastError());
}
