// Flash block map: these four write no entry line.
#include "server/shell/base_api.h"

UFDBlockMap* CBaseAPI::CreateUFDBlockMap(BYTE, BYTE, BYTE, INT) { return nullptr; }
INT CBaseAPI::DeleteUFDBlockMap(UFDBlockMap*) { return 0; }
INT CBaseAPI::SetUFDBlockMap(UFDPortBlockMap*, BYTE, BYTE, INT, BYTE, INT) { return 0; }
BYTE CBaseAPI::GetUFDBlockMap(UFDPortBlockMap*, BYTE, BYTE, INT, BYTE) { return 0; }
