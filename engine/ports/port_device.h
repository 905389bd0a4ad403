// One port's device as the flash-drive steps reach it: the server's two interfaces, the
// program's handle table and the port's index into it.
#pragma once

#include "platform/base/wintypes.h"
#include "portwarden/interfaces.h"

struct PortDevice {
    IPortwardenCtrl* ctrl;
    IPortwardenCtrl2* ctrl2;
    HANDLE* handles;
    BYTE index;
};
