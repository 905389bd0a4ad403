// A scratch folder for a test whose checks run in a fresh copy of the program (a
// "threadsafe" death test), which runs the test body again: the parent makes the folder
// and the copy finds it through the environment, so the copy neither makes a folder of
// its own nor leaves one behind when it exits.
#pragma once

#include "tests/profile/scratch_folder.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

class InheritedScratchFolder {
public:
    explicit InheritedScratchFolder(const char* variable) : variable_(variable)
    {
        if (const char* inherited = std::getenv(variable)) {
            path_ = inherited;
            return;
        }
        own_.emplace();
        path_ = own_->path();
        setenv(variable, path_.c_str(), 1);
    }
    ~InheritedScratchFolder()
    {
        if (own_)
            unsetenv(variable_);
    }
    InheritedScratchFolder(const InheritedScratchFolder&) = delete;
    InheritedScratchFolder& operator=(const InheritedScratchFolder&) = delete;

    // True in the copy: the parent has already prepared the folder.
    bool Inherited() const { return !own_; }
    const std::filesystem::path& path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    const char* variable_;
    std::optional<ScratchFolder> own_;
    std::filesystem::path path_;
};
