// The edits of the settings pages that hold a hexadecimal value or a string of the
// record, one rule each: what a change stores in the record and in its CIS image.
#pragma once

#include "engine/settings/cis_setting.h"
#include "platform/base/wintypes.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

class CSettingPage;

struct HexFieldEdit {
    UINT id;
    std::size_t limit;               // characters, the "0x" included
    PackedString CISSetting::*text;  // the record text kept as shown, or null
    std::size_t cisOffset;
    std::size_t cisBytes;            // 1, 2 or 4
};

// The text stored for a typed one: "0x" in front unless it has one ("x" or "X" alone
// gets a "0"; a "0X" is taken as "0x"), cut to `limit` characters.
std::u16string HexFieldText(std::u16string_view typed, std::size_t limit);

// The edit's text to the record: its text field and its CIS field; the cut text goes
// back into the edit.
void ApplyHexFieldEdit(CSettingPage& page, CISSetting& setting, const HexFieldEdit& field);

struct StringFieldEdit {
    UINT id;
    std::size_t limit;
    PackedString CISSetting::*text;
    std::size_t cisOffset;
    std::size_t cisBytes;
    bool ansi; // converted to the ANSI code page, else the low byte of each character
};

void ApplyStringFieldEdit(CSettingPage& page, CISSetting& setting, const StringFieldEdit& field);

// The hexadecimal edits, the same on both pages.
std::span<const HexFieldEdit> SettingPageHexFields();
// The string edits of the chip-mode page, and of the flash-drive page, whose product and
// manufacturer strings keep 30 characters (their CIS fields still take 32 bytes).
std::span<const StringFieldEdit> ChipPageStringFields();
std::span<const StringFieldEdit> FlashDrivePageStringFields();

// The name and extension of a path.
std::u16string FileNameOf(std::u16string_view path);
