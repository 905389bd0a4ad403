// Requests to an open hub (or host controller) through the hub driver's control codes.
// Each returns false on failure with the system error in GetLastError().
#pragma once

#include "platform/base/wintypes.h"

#include <optional>
#include <string>
#include <vector>

struct HubConnection {
    DWORD status = 0; // 0: nothing on the port
    BYTE speed = 0;
    bool isHub = false;
    WORD bcdUsb = 0;
    WORD vendorId = 0;
    WORD productId = 0;
    BYTE manufacturerIndex = 0;
    BYTE productIndex = 0;
    BYTE serialIndex = 0;
};

bool GetHubPortCount(HANDLE hub, unsigned& portCount);
bool GetConnection(HANDLE hub, ULONG port, HubConnection& connection);
// The whole configuration descriptor: its first 9 bytes, then wTotalLength; both reads
// must return the full size.
bool GetConfigDescriptor(HANDLE hub, ULONG port, std::vector<BYTE>& descriptor);
// A string descriptor (bLength, type 3, UTF-16 text) in one language; accepted only
// when the reply holds exactly bLength bytes, bLength is even and the type is 3.
bool GetStringDescriptor(HANDLE hub, ULONG port, BYTE index, WORD language, std::vector<BYTE>& descriptor);
bool GetConnectionName(HANDLE hub, ULONG port, std::string& name);
// Fails naming the step: "Key1" .. "Key4".
bool GetDriverKeyName(HANDLE hub, ULONG port, std::string& name);
bool GetRootHubName(HANDLE controller, std::string& name);
