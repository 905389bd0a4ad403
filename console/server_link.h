// Creating and releasing the program's two interfaces of the device access server.
#pragma once

#include "engine/ports/portwarden_objects.h"

#include <string>

// Creates both objects. On failure both pointers stay null and `problem` says what failed.
bool CreatePortwardenObjects(std::u16string& problem);
void ReleasePortwardenObjects();
