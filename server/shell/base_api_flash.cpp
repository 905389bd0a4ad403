// NAND format and controller operations: each names itself with the port index.
#include "server/shell/base_api.h"
#include "server/shell/debug_line.h"

INT CBaseAPI::ScanFlashBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, WORD pagesPerBlock,
                             WORD pageDataSize, BYTE config)
{
    portwarden::DebugLine("ScanFlashBlock(%d), Config = 0x%X", index, config);
    return nand_->ScanFlashBlock(handles, index, map, pagesPerBlock, pageDataSize, config);
}

INT CBaseAPI::FindISPAndCISUseBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found,
                                    UFDFlashParams* params)
{
    portwarden::DebugLine("FindISPAndCISUseBlock(%d)", index);
    return nand_->FindIspAndCisBlocks(handles, index, map, found, params);
}

INT CBaseAPI::BuildUFDSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params,
                                  BYTE* cisPart2)
{
    portwarden::DebugLine("BuildUFDSystemTable(%d)", index);
    return nand_->BuildSystemTable(handles, index, map, params, cisPart2);
}

INT CBaseAPI::ReadFlashID_UFD(HANDLE* handles, BYTE index, INT chip, BYTE* out64)
{
    portwarden::DebugLine("ReadFlashID_UFD(%d)", index);
    return nand_->ReadFlashID(handles, index, chip, out64);
}

INT CBaseAPI::INITISP_UFD(HANDLE* handles, BYTE index, INT loadParameter, INT length, const BYTE* data)
{
    portwarden::DebugLine("INITISP_UFD(%d)", index);
    return nand_->InitIsp(handles, index, loadParameter, length, data);
}

INT CBaseAPI::CPUReset_UFD(HANDLE* handles, BYTE index)
{
    portwarden::DebugLine("CPUReset_UFD(%d)", index);
    return nand_->CpuReset(handles, index);
}

INT CBaseAPI::UFDCacheClear_UFD(HANDLE* handles, BYTE index)
{
    portwarden::DebugLine("UFDCacheClear_UFD(%d)", index);
    return nand_->CacheClear(handles, index);
}

INT CBaseAPI::MediumLoadUnload_UFD(HANDLE* handles, BYTE index, INT lun, INT control)
{
    portwarden::DebugLine("MediumLoadUnload_UFD(%d)", index);
    return nand_->MediumLoadUnload(handles, index, lun, control);
}

INT CBaseAPI::ChipReset(HANDLE* handles, BYTE index)
{
    portwarden::DebugLine("ChipReset(%d)", index);
    return nand_->ChipReset(handles, index);
}

INT CBaseAPI::ChipResetEx(HANDLE* handles, BYTE index)
{
    portwarden::DebugLine("ChipResetEx(%d)", index);
    return nand_->ChipResetEx(handles, index);
}
