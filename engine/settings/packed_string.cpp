#include "engine/settings/packed_string.h"

#include <cstring>
#include <utility>

PackedString::PackedString() noexcept
{
    Own(nullptr);
}

PackedString::PackedString(const PackedString& other)
{
    const std::u16string* text = other.Owned();
    Own(text != nullptr ? new std::u16string(*text) : nullptr);
}

PackedString::PackedString(PackedString&& other) noexcept
{
    Own(other.Owned());
    other.Own(nullptr);
}

PackedString& PackedString::operator=(const PackedString& other)
{
    if (this != &other)
        *this = other.str();
    return *this;
}

PackedString& PackedString::operator=(PackedString&& other) noexcept
{
    if (this != &other) {
        delete Owned();
        Own(other.Owned());
        other.Own(nullptr);
    }
    return *this;
}

PackedString& PackedString::operator=(std::u16string_view text)
{
    std::u16string* owned = Owned();
    if (text.empty()) {
        delete owned;
        Own(nullptr);
    } else if (owned != nullptr) {
        owned->assign(text); // text may be a view of *owned itself; assign handles that
    } else {
        Own(new std::u16string(text));
    }
    return *this;
}

PackedString::~PackedString()
{
    delete Owned();
}

const std::u16string& PackedString::str() const
{
    static const std::u16string empty;
    const std::u16string* text = Owned();
    return text != nullptr ? *text : empty;
}

std::u16string* PackedString::Owned() const
{
    std::u16string* text;
    std::memcpy(&text, pointer_, sizeof text);
    return text;
}

void PackedString::Own(std::u16string* text)
{
    std::memcpy(pointer_, &text, sizeof text);
}
