#include "platform/usbsys/sysfs.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::usbsys {
namespace {

std::optional<std::string> ReadWhole(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            if (n < 0)
                return std::nullopt;
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string Normalise(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string result;
    for (auto& part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

} // namespace

std::string SysfsRoot()
{
    const char* root = std::getenv("FABRUN_SYSFS_ROOT");
    return root != nullptr && *root != '\0' ? std::string(root) : std::string("/sys");
}

std::optional<std::string> ReadAttribute(const std::string& folder, const char* name)
{
    auto text = ReadWhole(folder + "/" + name);
    if (!text)
        return std::nullopt;
    auto first = text->find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    auto last = text->find_last_not_of(" \t\r\n");
    return text->substr(first, last - first + 1);
}

std::optional<unsigned> ReadHexAttribute(const std::string& folder, const char* name)
{
    auto text = ReadAttribute(folder, name);
    if (!text || text->empty())
        return std::nullopt;
    char* end = nullptr;
    unsigned long value = std::strtoul(text->c_str(), &end, 16);
    if (*end != '\0')
        return std::nullopt;
    return static_cast<unsigned>(value);
}

std::optional<unsigned> ReadDecimalAttribute(const std::string& folder, const char* name)
{
    auto text = ReadAttribute(folder, name);
    if (!text || text->empty())
        return std::nullopt;
    char* end = nullptr;
    unsigned long value = std::strtoul(text->c_str(), &end, 10);
    if (*end != '\0' && *end != '.')
        return std::nullopt;
    return static_cast<unsigned>(value);
}

std::vector<std::uint8_t> ReadBinaryAttribute(const std::string& folder, const char* name)
{
    auto text = ReadWhole(folder + "/" + name);
    if (!text)
        return {};
    return std::vector<std::uint8_t>(text->begin(), text->end());
}

bool HasEntry(const std::string& folder, const char* name)
{
    struct stat info;
    return ::lstat((folder + "/" + name).c_str(), &info) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ResolvePath(const std::string& path)
{
    std::string current = Normalise(path);
    // Follow links component by component; sysfs chains are short, a bound stops loops.
    for (int hops = 0; hops < 40; ++hops) {
        bool followed = false;
        std::size_t at = 0;
        while (at < current.size()) {
            std::size_t next = current.find('/', at + 1);
            std::string prefix = current.substr(0, next == std::string::npos ? current.size() : next);
            char target[PATH_MAX];
            ssize_t length = ::readlink(prefix.c_str(), target, sizeof target - 1);
            if (length > 0) {
                std::string link(target, static_cast<std::size_t>(length));
                std::string base = prefix.substr(0, prefix.find_last_of('/'));
                std::string rest = next == std::string::npos ? std::string() : current.substr(next);
                current = Normalise((link.front() == '/' ? link : base + "/" + link) + rest);
                followed = true;
                break;
            }
            if (next == std::string::npos)
                break;
            at = next;
        }
        if (!followed)
            return current;
    }
    return current;
}

} // namespace platform::usbsys
