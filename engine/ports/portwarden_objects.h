// The program's two interfaces of the device access server, created once at start-up on
// the GUI thread and used from there and from every worker; null while there is no server.
#pragma once

#include "portwarden/interfaces.h"

extern IPortwardenCtrl* PortwardenCtrl;
extern IPortwardenCtrl2* PortwardenCtrl2;
