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

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

// All of `text` as digits of `base`, a number up to `limit`.
std::optional<unsigned> Digits(std::string_view text, unsigned base, unsigned limit)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        const unsigned digit = IsDecimalDigit(c)            ? static_cast<unsigned>(c - '0')
                               : c >= 'a' && c <= 'f'       ? static_cast<unsigned>(c - 'a' + 10)
                               : c >= 'A' && c <= 'F'       ? static_cast<unsigned>(c - 'A' + 10)
                                                            : base;
        if (digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<unsigned>(value);
}

} // namespace

std::string SysfsRoot()
{
    const char* root = std::getenv("FABRUN_SYSFS_ROOT");
    return root != nullptr && *root != '\0' ? std::string(root) : std::string("/sys");
}

std::optional<std::string> ReadWholeFile(const std::string& path)
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
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        // An attribute (and a plain file) hands over all it holds until its end: a short
        // read is the end, and asking again would only read nothing.
        if (n < static_cast<ssize_t>(sizeof buffer)) {
            ::close(fd);
            return n < 0 ? std::nullopt : std::optional<std::string>(std::move(text));
        }
    }
}

std::optional<std::string> ReadAttribute(const std::string& folder, const char* name)
{
    auto text = ReadWholeFile(folder + "/" + name);
    if (!text)
        return std::nullopt;
    auto first = text->find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    auto last = text->find_last_not_of(" \t\r\n");
    return text->substr(first, last - first + 1);
}

std::optional<unsigned> ParseHexNumber(std::string_view text, unsigned limit)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    return Digits(text, 16, limit);
}

std::optional<unsigned> ParseDecimalNumber(std::string_view text, unsigned limit)
{
    const auto point = text.find('.');
    if (point != std::string_view::npos && !std::all_of(text.begin() + point + 1, text.end(), IsDecimalDigit))
        return std::nullopt;
    return Digits(text.substr(0, point), 10, limit);
}

std::optional<unsigned> ReadHexAttribute(const std::string& folder, const char* name)
{
    auto text = ReadAttribute(folder, name);
    return text ? ParseHexNumber(*text) : std::nullopt;
}

std::optional<unsigned> ReadDecimalAttribute(const std::string& folder, const char* name)
{
    auto text = ReadAttribute(folder, name);
    return text ? ParseDecimalNumber(*text) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadBinaryAttribute(const std::string& folder, const char* name)
{
    auto text = ReadWholeFile(folder + "/" + name);
    if (!text)
        return std::nullopt;
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
    return PathResolver().Resolve(path);
}

std::string PathResolver::Resolve(const std::string& path)
{
    std::string current = Normalise(path);
    // Follow the first link and look again from the root: parts already found to be no
    // links are not read twice. Sysfs chains are short; a bound stops loops.
    for (int hops = 0; hops < 40; ++hops) {
        auto link = FirstLink(current);
        if (!link)
            return current;
        const std::string base = current.substr(0, current.find_last_of('/', link->end - 1));
        const std::string rest = current.substr(link->end);
        const std::string target = Normalise(link->target.front() == '/' ? link->target : base + "/" + link->target);
        TrustDeviceFolders(target);
        current = Normalise(target + rest);
    }
    return current;
}

// Sysfs links lead to a device's own folder, and the folders of the device tree nest as
// folders: no part of such a target is a link, so none is read as one.
void PathResolver::TrustDeviceFolders(const std::string& target)
{
    const std::string devices = Normalise(SysfsRoot() + "/devices");
    if (target.rfind(devices + "/", 0) != 0)
        return;
    for (std::size_t end = devices.size(); end != std::string::npos; end = target.find('/', end + 1))
        plainParts_.insert(target.substr(0, end));
    plainParts_.insert(target);
}

std::optional<PathResolver::Link> PathResolver::FirstLink(const std::string& path)
{
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!plainParts_.contains(part)) {
            char target[PATH_MAX];
            ssize_t length = ::readlink(part.c_str(), target, sizeof target - 1);
            if (length > 0)
                return Link{end == std::string::npos ? path.size() : end, std::string(target, static_cast<std::size_t>(length))};
            if (errno == ENOENT || errno == ENOTDIR)
                return std::nullopt; // nothing below a missing part can be a link
            plainParts_.insert(part);
        }
        if (end == std::string::npos)
            return std::nullopt;
    }
}

} // namespace platform::usbsys
