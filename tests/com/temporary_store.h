// Test fixtures around the registry store: a store of its own for each test, and a spell
// during which the system refuses to write files (writes fail even for root).
#pragma once

#include "platform/registry/registry.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

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
    // The store file's bytes as they are now.
    std::string Text() const
    {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Puts `text` in place of the store file the way every writer does, as a new file renamed
    // over it, modified at `modified` when given. False when a step failed.
    bool Replace(const std::string& text, std::optional<timespec> modified = std::nullopt) const
    {
        const std::string fresh = path_ + ".outside";
        std::ofstream(fresh, std::ios::binary | std::ios::trunc) << text;
        if (modified) {
            timespec times[2] = {*modified, *modified};
            if (utimensat(AT_FDCWD, fresh.c_str(), times, 0) != 0)
                return false;
        }
        return std::filesystem::file_size(fresh) == text.size() && rename(fresh.c_str(), path_.c_str()) == 0;
    }

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
