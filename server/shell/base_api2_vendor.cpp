// The vendor operations, one slot per command family. ReadWriteXdata, ReadWriteBlock and
// EraseBlock write no entry line; read/write pairs name the direction taken (rd = 1 reads).
#include "server/shell/base_api2.h"
#include "server/shell/slot_entry.h"

using portwarden::EntryLineOnly;

namespace {

const char* Direction(BYTE rd, const char* read, const char* write)
{
    return rd == 1 ? read : write;
}

} // namespace

INT CBaseAPI2::ReadCode(HANDLE*, BYTE, WORD, INT, BYTE*) { return EntryLineOnly("ReadCode()"); }
INT CBaseAPI2::ReadData(HANDLE*, BYTE, BYTE rd, INT, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadData()", "WriteData()")); }
INT CBaseAPI2::ReadWriteXdata(HANDLE*, BYTE, BYTE, INT, INT, BYTE*) { return 0; }
INT CBaseAPI2::CPUReset(HANDLE*, BYTE) { return EntryLineOnly("CPUReset()"); }
INT CBaseAPI2::ReadDeivceID(HANDLE*, BYTE, BYTE*) { return EntryLineOnly("ReadDeivceID()"); }
INT CBaseAPI2::ReadLUNCONFIG(HANDLE*, BYTE, BYTE rd, BYTE*) { return EntryLineOnly(Direction(rd, "ReadLUNCONFIG()", "WriteLUNCONFIG()")); }
INT CBaseAPI2::ReadLUNDATA(HANDLE*, BYTE, BYTE rd, INT, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadLUNDATA()", "WriteLUNDATA()")); }
INT CBaseAPI2::DeviceChange(HANDLE*, BYTE) { return EntryLineOnly("DeviceChange()"); }
INT CBaseAPI2::MediaChange(HANDLE*, BYTE) { return EntryLineOnly("MediaChange()"); }
INT CBaseAPI2::WriteProtect(HANDLE*, BYTE, INT) { return EntryLineOnly("WriteProtect()"); }
INT CBaseAPI2::ReadLunType(HANDLE*, BYTE, BYTE rd, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadLunType()", "WriteLunType()")); }
INT CBaseAPI2::ReadLunNo(HANDLE*, BYTE, BYTE rd, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadLunNo()", "WriteLunNo()")); }
INT CBaseAPI2::ReadLunID(HANDLE*, BYTE, BYTE rd, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadLunID()", "WriteLunID()")); }
INT CBaseAPI2::LogLunIndex(HANDLE*, BYTE, BYTE*) { return EntryLineOnly("LogLunIndex()"); }
INT CBaseAPI2::HidLunIndex(HANDLE*, BYTE, BYTE*) { return EntryLineOnly("HidLunIndex()"); }
INT CBaseAPI2::GetFWKey(HANDLE*, BYTE, INT, BYTE*) { return EntryLineOnly("GetFWKey()"); }
INT CBaseAPI2::InitPassWord(HANDLE*, BYTE, const BYTE*) { return EntryLineOnly("InitPassWord()"); }
INT CBaseAPI2::GetPassWord(HANDLE*, BYTE, BYTE*) { return EntryLineOnly("GetPassWord()"); }
INT CBaseAPI2::VerifyPassWord(HANDLE*, BYTE, const BYTE*) { return EntryLineOnly("VerifyPassWord()"); }
INT CBaseAPI2::CheckSecurity(HANDLE*, BYTE, INT, BYTE*) { return EntryLineOnly("CheckSecurity()"); }
INT CBaseAPI2::ClearCache(HANDLE*, BYTE) { return EntryLineOnly("ClearCache()"); }
INT CBaseAPI2::ReadEEPROM(HANDLE*, BYTE, BYTE rd, INT, INT, INT, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadEEPROM()", "WriteEEPROM()")); }
INT CBaseAPI2::ReadFW(HANDLE*, BYTE, BYTE rd, INT, INT, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadFW()", "WriteFW()")); }
INT CBaseAPI2::BIST(HANDLE*, BYTE, BYTE*) { return EntryLineOnly("BIST()"); }
INT CBaseAPI2::DeviceConnect(HANDLE*, BYTE, INT) { return EntryLineOnly("DeviceConnect()"); }
INT CBaseAPI2::Erase(HANDLE*, BYTE) { return EntryLineOnly("Erase()"); }
INT CBaseAPI2::ReadPartition(HANDLE*, BYTE, BYTE rd, INT, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadPartition()", "WritePartition()")); }
INT CBaseAPI2::ReadButton(HANDLE*, BYTE, BYTE rd, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadButton()", "WriteButton()")); }
INT CBaseAPI2::EndSgmt(HANDLE*, BYTE) { return EntryLineOnly("EndSgmt()"); }
INT CBaseAPI2::InitSgmt(HANDLE*, BYTE, INT, INT, INT, INT, const BYTE*) { return EntryLineOnly("InitSgmt()"); }
INT CBaseAPI2::ReadFlashID(HANDLE*, BYTE, INT, BYTE*) { return EntryLineOnly("ReadFlashID()"); }
INT CBaseAPI2::ReadSYSReady(HANDLE*, BYTE, BYTE rd, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadSYSReady()", "WriteSYSReady()")); }
INT CBaseAPI2::ReadSYSAddress(HANDLE*, BYTE, BYTE rd, BYTE*) { return EntryLineOnly(Direction(rd, "ReadSYSAddress()", "WriteSYSAddress()")); }
INT CBaseAPI2::ReadFlashMethod(HANDLE*, BYTE, BYTE rd, BYTE*) { return EntryLineOnly(Direction(rd, "ReadFlashMethod()", "WriteFlashMethod()")); }
INT CBaseAPI2::ReadSpare(HANDLE*, BYTE, BYTE rd, INT, INT, INT, INT, BYTE*) { return EntryLineOnly(Direction(rd, "ReadSpare()", "WriteSpare()")); }
INT CBaseAPI2::ReadWriteBlock(HANDLE*, BYTE, BYTE, INT, INT, PackedBlockTag, INT, INT, BYTE*) { return 0; }
INT CBaseAPI2::EraseBlock(HANDLE*, BYTE, INT, BYTE*) { return 0; }
INT CBaseAPI2::ReadSts(HANDLE*, BYTE, INT, BYTE*) { return EntryLineOnly("ReadSts()"); }
INT CBaseAPI2::MarkBad(HANDLE*, BYTE, INT, INT, INT, INT) { return EntryLineOnly("MarkBad()"); }
INT CBaseAPI2::CheckBad(HANDLE*, BYTE, INT, INT, INT, INT, INT, INT, BYTE*) { return EntryLineOnly("CheckBad()"); }
INT CBaseAPI2::EraseSys(HANDLE*, BYTE, INT, INT, INT, INT, INT, INT, BYTE*) { return EntryLineOnly("EraseSys()"); }
INT CBaseAPI2::ReadTestCmd(HANDLE*, BYTE, BYTE rd, DWORD, DWORD, DWORD, DWORD, DWORD, BYTE*) { return EntryLineOnly(Direction(rd, "ReadTestCmd()", "WriteTestCmd()")); }
