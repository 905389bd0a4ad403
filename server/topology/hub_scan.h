// The maker's hubs: the hub list records each of them with the mass-storage devices on its
// ports 1..4, and the hub-port poll re-reads the port that one recorded hub hangs off.
// Each call keeps its state to itself, so neither disturbs a port walk running beside it
// (neither takes HubWalkMutex).
#pragma once

#include "portwarden/records.h"

constexpr int kHubRecordCount = 32;

// Zeroes the caller's records and fills one per maker's hub found under the root hubs.
// 1, or 0 when a root hub could not be walked.
INT ScanMakerHubs(HubRecord* records32);
// Re-reads the port on the record's parent hub: a change of its connection status sets the
// changed flag, which stays set until the caller clears it. 1, or 0 when the parent hub
// could not be walked (the status then reads 0).
INT PollMakerHubPort(HubRecord* record);
