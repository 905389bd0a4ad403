// A fixed array of wide characters inside a byte-packed record, kept as bytes so that it
// may sit at any offset. Text is stored NUL-terminated, cut to whole characters.
#pragma once

#include "platform/text/text.h"

#include <cstring>
#include <string>
#include <string_view>

template <std::size_t Units>
class PackedWideText {
public:
    std::u16string Get() const
    {
        char16_t text[Units];
        std::memcpy(text, bytes_, sizeof bytes_);
        return std::u16string(platform::WideFieldView(text, Units));
    }

    void Set(std::u16string_view value)
    {
        char16_t text[Units];
        platform::CopyWideToWideField(text, Units, value);
        std::memcpy(bytes_, text, sizeof bytes_);
    }

private:
    unsigned char bytes_[Units * sizeof(char16_t)] = {};
};
