// The keys of section CIS_Setting of the CIS settings INI, in file order, each bound to
// its field of CISSetting (or of the record's CIS image) and stored in one of the forms
// of CIniFile.
#pragma once

#include "engine/ini/ini_file.h"
#include "engine/settings/cis_setting.h"

#include <optional>
#include <span>
#include <vector>

enum class KeyForm : BYTE {
    Text,        // PackedString
    Decimal,     // INT
    DecimalByte, // BYTE written and read in decimal
    Hex32,       // DWORD, "0x%08X"
    Hex64,       // ULONGLONG, "0x%08X%08X"
    HexByte,     // BYTE, "0x%02X"
};

struct CisSettingKey {
    const char16_t* name; // null for the test-procedure mask, whose key the mode names
    KeyForm form;
    std::size_t offset;   // of the field in CISSetting
    const char16_t* textDefault = u"";
    void (*afterLoad)(CISSetting& setting) = nullptr;
    std::optional<INT> savedValue = std::nullopt; // decimal keys: written instead of the field
};

inline constexpr const char16_t* kCisSettingSection = u"CIS_Setting";

// All keys, in the order they are read.
std::span<const CisSettingKey> CisSettingKeys();
// The order they are written: the mask key, CIS_Mark, then the others in read order.
std::vector<const CisSettingKey*> CisSettingSaveOrder();

// The mask key: PenDriveTestProcedureMask in flash-drive mode, else HDTestProcedureMask.
const char16_t* KeyName(const CisSettingKey& key, bool flashDriveMode);

void LoadCisSettingKey(const CisSettingKey& key, const char16_t* name, const CIniFile& ini, CISSetting& setting);
void SaveCisSettingKey(const CisSettingKey& key, const char16_t* name, const CISSetting& setting, CIniFile& ini);
