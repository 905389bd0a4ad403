// Records the maker's hubs met in a walk down from one hub. Each becomes the next record
// of the table and is walked in turn; a mass-storage device fills the slot of its port in
// the record of the hub it is on. Other makers' hubs are not walked.
#pragma once

#include "portwarden/records.h"

#include <string>

class HubLister {
public:
    HubLister(HubRecord* records, std::size_t capacity) : records_(records), capacity_(capacity) {}

    // Walks the hub at `path`, every port or only `onePort`. `own` is that hub's record,
    // nullptr when it has none (a root hub, or the parent of a polled port): devices on
    // its ports then have no slot to fill. Returns 0 or the system error of a failed step.
    DWORD Walk(const std::string& path, HubRecord* own, unsigned onePort = 0);

private:
    HubRecord* records_;
    std::size_t capacity_;
    std::size_t count_ = 0;
};
