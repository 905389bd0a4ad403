// The switch rules both settings pages share: a box that sets one bit of LunTypeBitMap,
// the four LUN format boxes, and the flash-type list of the boot code's SPI part.
#pragma once

#include "engine/settings/cis_setting.h"
#include "platform/base/wintypes.h"

#include <span>

class CSettingPage;

// The mask with `bit` set or cleared (the record's fields are packed: no references to them).
DWORD WithBit(DWORD mask, DWORD bit, bool set);

struct LunTypeBox {
    UINT id;
    unsigned bit; // of LunTypeBitMap
};

// Each box sets and clears its bit of LunTypeBitMap.
void ConnectLunTypeBoxes(CSettingPage& page, std::span<const LunTypeBox> boxes);
// Each box checked from its bit.
void ShowLunTypeBoxes(CSettingPage& page, std::span<const LunTypeBox> boxes);

// The LUN format boxes 1128-1131: greyed while the format step is disabled, else usable
// for a LUN present in LunTypeBitMap and checked from FormatLunBitMap.
void ShowLunFormatBoxes(CSettingPage& page, bool formatDisabled);
// Each box sets and clears its bit of FormatLunBitMap.
void ConnectLunFormatBoxes(CSettingPage& page);

// "Default", "SST", "MXIC 25L512E", "ATMEL" (not translated).
void FillFlashTypeList(CSettingPage& page, UINT listId);
// The index the record's LunTypeBitMap gives: bit 30 before bit 14 before bit 13.
void SelectFlashType(CSettingPage& page, UINT listId);
// The list's choice into LunTypeBitMap bits 30, 14 and 13.
void OnFlashTypeChosen(CSettingPage& page, UINT listId);
