// A wide string field of a byte-packed record. Its only state is the pointer to the
// owned text, kept in bytes so that the field may sit at any offset: no pointer is ever
// loaded from a misaligned address. Copies copy the text; empty fields own nothing.
#pragma once

#include <string>
#include <string_view>

class PackedString {
public:
    PackedString() noexcept;
    PackedString(const PackedString& other);
    PackedString(PackedString&& other) noexcept;
    PackedString& operator=(const PackedString& other);
    PackedString& operator=(PackedString&& other) noexcept;
    PackedString& operator=(std::u16string_view text);
    ~PackedString();

    const std::u16string& str() const;
    operator std::u16string_view() const { return str(); }
    bool empty() const { return str().empty(); }
    std::size_t size() const { return str().size(); }
    bool operator==(std::u16string_view text) const { return str() == text; }

private:
    std::u16string* Owned() const;
    void Own(std::u16string* text);

    unsigned char pointer_[sizeof(std::u16string*)];
};
static_assert(sizeof(PackedString) == 8 && alignof(PackedString) == 1);
