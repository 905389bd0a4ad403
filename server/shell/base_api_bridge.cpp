// Bridge-drive (_USD) operations. The EEPROM and firmware-memory slots write no entry line.
#include "server/shell/base_api.h"
#include "server/shell/slot_entry.h"

using portwarden::EntryLineOnly;

INT CBaseAPI::ReadButton_USD(HANDLE*, BYTE, BYTE rd, INT, BYTE*)
{
    return EntryLineOnly(rd == 1 ? "ReadButton_USD()" : "WriteButton_USD()");
}

INT CBaseAPI::ReadEEPROM_USD(HANDLE*, BYTE, BYTE, INT, INT, INT, INT, BYTE*) { return 0; }
INT CBaseAPI::ReadFW_USD(HANDLE*, BYTE, BYTE, INT, INT, INT, BYTE*) { return 0; }
INT CBaseAPI::GetPMInfo_USD(HANDLE*, BYTE, INT, BYTE*) { return EntryLineOnly("GetPMInfo_USD()"); }

INT CBaseAPI::EnableSuspned_USD(HANDLE*, BYTE, INT enable)
{
    return EntryLineOnly(enable == 1 ? "EnableSuspned_USD()" : "DisableSuspned_USD()");
}

INT CBaseAPI::SetTimer_USD(HANDLE*, BYTE, INT) { return EntryLineOnly("SetTimer_USD()"); }
INT CBaseAPI::SetHDCapLED_USD(HANDLE*, BYTE, INT) { return EntryLineOnly("SetHDCapLED_USD()"); }
INT CBaseAPI::ATAIdentify_USD(HANDLE*, BYTE, INT, BYTE*) { return EntryLineOnly("ATAIdentify_USD()"); }

INT CBaseAPI::ReadSPI_USD(HANDLE*, BYTE, BYTE flags, DWORD, DWORD, INT, INT, INT, BYTE*)
{
    return EntryLineOnly((flags & 1) != 0 ? "ReadSPI_USD()" : "WriteSPI_USD()");
}
