// What the private-profile functions and the write batches share inside the library.
#pragma once

#include "platform/profile/profile_cache.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace platform::profile {

struct ProfileState {
    std::mutex lock; // serialises every call process-wide
    ProfileCache cache;
};

ProfileState& State();

// The files one open batch has edited, each with the cache's count of lost edits when the
// batch first held it. Used under the state lock.
struct HeldFiles {
    std::map<std::string, std::uint64_t> lostAtHold;

    void Track(const std::string& path, ProfileCache& cache);
};

// The innermost batch open on the calling thread, or null.
HeldFiles* InnermostBatch();

// Sets the last error for a write of `path` that failed with errno `cause`, with a debug line.
void ReportWriteFailure(const char* who, const std::string& path, int cause);

} // namespace platform::profile
