// NAND format and controller operations: each names itself with the port index.
#include "server/shell/base_api.h"
#include "server/shell/debug_line.h"

namespace {

INT AnnouncePort(const char* format, BYTE index)
{
    portwarden::DebugLine(format, index);
    return 0;
}

} // namespace

INT CBaseAPI::ScanFlashBlock(HANDLE*, BYTE index, UFDPortBlockMap*, WORD, WORD, BYTE config)
{
    portwarden::DebugLine("ScanFlashBlock(%d), Config = 0x%X", index, config);
    return 0;
}

INT CBaseAPI::FindISPAndCISUseBlock(HANDLE*, BYTE index, UFDPortBlockMap*, MapPtr*, UFDFlashParams*)
{
    return AnnouncePort("FindISPAndCISUseBlock(%d)", index);
}

INT CBaseAPI::BuildUFDSystemTable(HANDLE*, BYTE index, UFDPortBlockMap*, UFDFlashParams*, BYTE*)
{
    return AnnouncePort("BuildUFDSystemTable(%d)", index);
}

INT CBaseAPI::ReadFlashID_UFD(HANDLE*, BYTE index, INT, BYTE*) { return AnnouncePort("ReadFlashID_UFD(%d)", index); }
INT CBaseAPI::INITISP_UFD(HANDLE*, BYTE index, INT, INT, const BYTE*) { return AnnouncePort("INITISP_UFD(%d)", index); }
INT CBaseAPI::CPUReset_UFD(HANDLE*, BYTE index) { return AnnouncePort("CPUReset_UFD(%d)", index); }
INT CBaseAPI::UFDCacheClear_UFD(HANDLE*, BYTE index) { return AnnouncePort("UFDCacheClear_UFD(%d)", index); }
INT CBaseAPI::MediumLoadUnload_UFD(HANDLE*, BYTE index, INT, INT) { return AnnouncePort("MediumLoadUnload_UFD(%d)", index); }
INT CBaseAPI::ChipReset(HANDLE*, BYTE index) { return AnnouncePort("ChipReset(%d)", index); }
INT CBaseAPI::ChipResetEx(HANDLE*, BYTE index) { return AnnouncePort("ChipResetEx(%d)", index); }
