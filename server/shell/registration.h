// Self-registration of the server's component under HKEY_CLASSES_ROOT\CLSID.
#pragma once

#include "platform/com/hresult.h"
#include "platform/registry/registry.h"

namespace portwarden {

// Writes the class key (its name as default value) and InprocServer32 (this library's
// full path). Any registry failure is reported: SELFREG_E_CLASS.
HRESULT RegisterServer();
// Deletes the class key with all its subkeys. S_OK also when it was not registered;
// SELFREG_E_CLASS when some key could not be deleted.
HRESULT UnregisterServer();

// Deletes `name` under `parent` with everything below it. The first failure ends the
// deletion and is the result (what was deleted before it stays deleted).
LSTATUS DeleteKeyTree(HKEY parent, const char* name);

} // namespace portwarden
