// The field rules both settings pages share, checked on a page as the operator types: a
// hexadecimal edit's text and CIS value, a string edit's kept text and CIS bytes. Each
// page's test gives its own table.
#pragma once

#include "engine/settings/cis_setting.h"
#include "platform/text/text.h"
#include "resources/usd_setting_ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace settingstest {

struct HexFieldCase {
    UINT id;
    const char16_t* typed;
    const char16_t* shown;    // the edit afterwards
    const char16_t* recorded; // the record's text, for VID and PID
    std::size_t offset;
    std::size_t bytes;
    DWORD value;
};

struct StringFieldCase {
    UINT id;
    std::u16string typed;
    std::u16string kept;
    const PackedString CISSetting::*field;
    std::size_t offset;
    std::vector<BYTE> bytes;
};

// The bytes of `text`, zero-filled to `size`.
inline std::vector<BYTE> Padded(const std::string& text, std::size_t size)
{
    std::vector<BYTE> bytes(text.begin(), text.end());
    bytes.resize(size, 0);
    return bytes;
}

// A settings fixture with the two checks.
template <class Fixture>
class FieldEditTest : public Fixture {
protected:
    void ExpectHexFields(std::span<const HexFieldCase> cases)
    {
        for (const HexFieldCase& c : cases) {
            this->Type(c.id, c.typed);
            const std::string what = std::to_string(c.id) + " \"" + platform::WideToUtf8(c.typed) + "\"";
            EXPECT_EQ(platform::WideToUtf8(this->Text(c.id)), platform::WideToUtf8(c.shown)) << what;
            if (c.recorded != nullptr) {
                const PackedString& text = c.id == res::IDC_USB_VID ? this->Record().USB_VID : this->Record().USB_PID;
                EXPECT_EQ(platform::WideToUtf8(text.str()), platform::WideToUtf8(c.recorded)) << what;
            }
            DWORD value = 0;
            std::memcpy(&value, this->Record().CISImage.bytes + c.offset, c.bytes);
            EXPECT_EQ(value, c.value) << what;
        }
    }

    void ExpectStringFields(std::span<const StringFieldCase> cases)
    {
        for (const StringFieldCase& c : cases) {
            this->Type(c.id, c.typed);
            const std::string what = std::to_string(c.id) + " \"" + platform::WideToUtf8(c.typed) + "\"";
            EXPECT_EQ(platform::WideToUtf8(this->Text(c.id)), platform::WideToUtf8(c.kept)) << what;
            EXPECT_EQ(platform::WideToUtf8((this->Record().*c.field).str()), platform::WideToUtf8(c.kept)) << what;
            const BYTE* image = this->Record().CISImage.bytes;
            EXPECT_EQ(std::vector<BYTE>(image + c.offset, image + c.offset + c.bytes.size()), c.bytes) << what;
        }
    }
};

} // namespace settingstest
