#include "engine/ports/portwarden_objects.h"

IPortwardenCtrl* PortwardenCtrl = nullptr;
IPortwardenCtrl2* PortwardenCtrl2 = nullptr;
