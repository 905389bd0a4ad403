// Test fixtures around the registry store: a store of its own for each test, and a spell
// during which the system refuses to write files (writes fail even for root).
#pragma once

#include "platform/registry/registry.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>

namespace fabrun_test {

// Points FABRUN_REGISTRY at a fresh folder for the object's lifetime, then back at the
// store it named before: with the variable unset, later calls would reach the machine's store.
class TemporaryStore {
public:
    TemporaryStore()
    {
        if (const char* previous = std::getenv("FABRUN_REGISTRY"))
            previous_ = previous;
        char pattern[] = "/tmp/fabrun-registry-XXXXXX";
        folder_ = mkdtemp(pattern);
        path_ = folder_ + "/registry";
        setenv("FABRUN_REGISTRY", path_.c_str(), 1);
    }
    ~TemporaryStore()
    {
        if (previous_)
            setenv("FABRUN_REGISTRY", previous_->c_str(), 1);
        else
            unsetenv("FABRUN_REGISTRY");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;

    const std::string& path() const { return path_; }
    const std::string& folder() const { return folder_; }

private:
    std::optional<std::string> previous_;
    std::string folder_;
    std::string path_;
};

// While it lives, no file of this process (or of the programs it starts) can grow: every
// write fails with EFBIG, the way a full or failing disk refuses the store.
class RefusedWrites {
public:
    RefusedWrites()
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved_;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~RefusedWrites()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    RefusedWrites(const RefusedWrites&) = delete;
    RefusedWrites& operator=(const RefusedWrites&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace fabrun_test
