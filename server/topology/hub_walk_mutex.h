// The one mutex of the library that serialises full walks and port polls.
#pragma once

#include "platform/base/wintypes.h"

HANDLE HubWalkMutex();
