// Registry clean-up and device removal.
#include "server/shell/base_api.h"
#include "server/shell/slot_entry.h"

using portwarden::EntryLineOnly;

INT CBaseAPI::DeviceSafeRemoval(DEVINST) { return EntryLineOnly("DeviceSafeRemoval()"); }
INT CBaseAPI::DeleteDevRegistryRecord(WORD, WORD) { return EntryLineOnly("DeleteDevRegistryRecord()"); }
INT CBaseAPI::DeleteDevRegistryRecordEx(WORD, WORD, LPCWSTR, LPCWSTR, LPCWSTR) { return EntryLineOnly("DeleteDevRegistryRecordEx()"); }
INT CBaseAPI::SetIgnoredRegistry(WORD, WORD) { return EntryLineOnly("SetIgnoredRegistry()"); }
