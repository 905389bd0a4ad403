// The enumeration record of a port's device, found by vendor, product and driver key:
// its ParentIdPrefix (or the instance name, which then is the serial too) and its
// SymbolicName, filled into the record.
#pragma once

#include "portwarden/records.h"

#include <string>

void LookupUsbRegistryInfo(WORD vendorId, WORD productId, const std::string& driverKey, PortRecord& record);
