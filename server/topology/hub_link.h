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
// Opens a hub (write access, shared write) and reads its port count. On failure says which
// step failed and returns the system error, never 0; on success the caller closes `hub`.
DWORD OpenHub(const std::string& path, HANDLE& hub, unsigned& portCount);
bool GetConnection(HANDLE hub, ULONG port, HubConnection& connection);
// What is on a port, with the walk's debug lines. False when there is nothing to examine:
// the port is empty, or the read failed and its system error (never 0) went to `error`.
bool ReadConnectedPort(HANDLE hub, ULONG port, HubConnection& connection, DWORD& error);
// The whole configuration descriptor: its first 9 bytes, then wTotalLength; both reads
// must return the full size.
bool GetConfigDescriptor(HANDLE hub, ULONG port, std::vector<BYTE>& descriptor);
// Whether the first interface descriptor of a configuration is mass storage; configuration
// and endpoint descriptors before it are stepped over, any other descriptor means no, and so
// does one shorter than its own two-byte header, one that runs past the configuration, or an
// interface descriptor too short to hold its class.
bool FirstInterfaceIsMassStorage(const std::vector<BYTE>& config);
// A string descriptor (bLength, type 3, UTF-16 text) in one language; accepted only
// when the reply holds exactly bLength bytes, bLength is even and the type is 3.
bool GetStringDescriptor(HANDLE hub, ULONG port, BYTE index, WORD language, std::vector<BYTE>& descriptor);
bool GetConnectionName(HANDLE hub, ULONG port, std::string& name);
// The name of the hub on a port, asked again after a failure: `attempts` counts the
// requests of one hub's walk, and once four were made a failure is final.
bool GetHubName(HANDLE hub, ULONG port, unsigned& attempts, std::string& name);
// Fails naming the step: "Key1" .. "Key4".
bool GetDriverKeyName(HANDLE hub, ULONG port, std::string& name);
bool GetRootHubName(HANDLE controller, std::string& name);
