#include "server/nand/dump_folder.h"

#include "platform/debug/debug.h"

#include <cstdarg>
#include <filesystem>
#include <system_error>

namespace nand {

std::mutex& DumpLock()
{
    static std::mutex lock;
    return lock;
}

DumpFolder DumpFolder::ForPort(const std::string& folder, unsigned port)
{
    DumpFolder dumps;
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error))
        return dumps;
    std::string base = folder;
    if (base.back() != '/' && base.back() != '\\')
        base += '/';
    char portFolder[16];
    std::snprintf(portFolder, sizeof portFolder, "Port%02u/", port);
    dumps.path_ = base + portFolder;
    return dumps;
}

std::optional<std::string> DumpFolder::Prepare(const std::string& name) const
{
    if (!enabled())
        return std::nullopt;
    const std::string path = path_ + name;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error) {
        platform::DebugPrintf("Dump folder for %s not made: %s", name.c_str(), error.message().c_str());
        return std::nullopt;
    }
    return path;
}

void DumpFolder::Write(const std::string& name, const void* bytes, std::size_t size) const
{
    std::lock_guard guard(DumpLock());
    auto path = Prepare(name);
    if (!path)
        return;
    std::FILE* file = std::fopen(path->c_str(), "wb");
    if (file == nullptr) {
        platform::DebugPrintf("Dump %s not opened", path->c_str());
        return;
    }
    if (std::fwrite(bytes, 1, size, file) != size)
        platform::DebugPrintf("Dump %s not written whole", path->c_str());
    std::fclose(file);
}

TextLog::TextLog(const DumpFolder& folder, const std::string& name)
{
    std::lock_guard guard(DumpLock());
    auto path = folder.Prepare(name);
    if (!path)
        return;
    file_ = std::fopen(path->c_str(), "wb");
    if (file_ == nullptr)
        platform::DebugPrintf("Log %s not opened", path->c_str());
}

TextLog::~TextLog()
{
    if (file_ != nullptr) {
        std::lock_guard guard(DumpLock());
        std::fclose(file_);
    }
}

TextLog& TextLog::operator=(TextLog&& other) noexcept
{
    if (this != &other) {
        TextLog closing(std::move(*this));
        file_ = std::exchange(other.file_, nullptr);
    }
    return *this;
}

void TextLog::Printf(const char* format, ...)
{
    if (file_ == nullptr)
        return;
    std::lock_guard guard(DumpLock());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file_, format, arguments);
    va_end(arguments);
}

} // namespace nand
