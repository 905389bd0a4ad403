#include "server/topology/hub_walk_mutex.h"

#include "platform/sync/sync.h"

namespace {

// Created when the library loads, not owned, and kept until it unloads.
HANDLE const hubWalkMutex = CreateMutexW(nullptr, FALSE, nullptr);

} // namespace

HANDLE HubWalkMutex()
{
    return hubWalkMutex;
}
