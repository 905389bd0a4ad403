// A port's place for the flash dumps and text logs: its own folder under the dump folder
// set with SetDebugDmpFilePathSS ("Port07/" for port index 7), so ports working at once
// never write the same file. Files are written under one process-wide lock.
#pragma once

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace nand {

class DumpFolder {
public:
    DumpFolder() = default;
    // `folder`: the dump folder as set; used only when it is an existing directory.
    static DumpFolder ForPort(const std::string& folder, unsigned port);

    bool enabled() const { return !path_.empty(); }
    // The path of `name` inside the port's folder (subfolders with '/'), after creating the
    // folders it lies in; nothing when dumps are off or a folder cannot be made.
    std::optional<std::string> Prepare(const std::string& name) const;
    // Writes `bytes` as the whole file `name` (binary), under the dump lock.
    void Write(const std::string& name, const void* bytes, std::size_t size) const;

private:
    std::string path_; // ends with '/'
};

// The lock every dump write takes.
std::mutex& DumpLock();

// A text log kept open while a routine runs (the scan's and the sorting's), written line by
// line under the dump lock. Off when the port has no dump folder or the file cannot be opened.
class TextLog {
public:
    TextLog() = default;
    TextLog(const DumpFolder& folder, const std::string& name);
    ~TextLog();
    TextLog(TextLog&& other) noexcept : file_(std::exchange(other.file_, nullptr)) {}
    TextLog& operator=(TextLog&& other) noexcept;

    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::FILE* file_ = nullptr;
};

} // namespace nand
