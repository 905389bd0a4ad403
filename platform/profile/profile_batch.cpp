#include "platform/profile/profile.h"

#include "platform/base/lasterror.h"
#include "platform/profile/profile_state.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace platform::profile {
namespace {

thread_local std::vector<HeldFiles*> tOpenBatches;

} // namespace

void HeldFiles::Track(const std::string& path, ProfileCache& cache)
{
    if (!lostAtHold.contains(path))
        lostAtHold.emplace(path, cache.Hold(path));
    cache.Defer(path);
}

HeldFiles* InnermostBatch()
{
    return tOpenBatches.empty() ? nullptr : tOpenBatches.back();
}

} // namespace platform::profile

namespace platform {

ProfileWriteBatch::ProfileWriteBatch() : files_(std::make_unique<profile::HeldFiles>())
{
    profile::tOpenBatches.push_back(files_.get());
}

ProfileWriteBatch::~ProfileWriteBatch()
{
    Commit(); // a failure here has its debug line; callers that must know call Commit first
}

bool ProfileWriteBatch::Commit()
{
    if (!open_)
        return committed_;
    open_ = false;
    std::erase(profile::tOpenBatches, files_.get());
    auto& state = profile::State();
    std::lock_guard guard(state.lock);
    committed_ = true;
    for (const auto& [path, lostAtHold] : files_->lostAtHold) {
        if (!state.cache.Release(path, lostAtHold)) {
            profile::ReportWriteFailure("ProfileWriteBatch", path, errno);
            committed_ = false;
        }
    }
    if (committed_)
        SetLastError(ERROR_SUCCESS);
    return committed_;
}

} // namespace platform
