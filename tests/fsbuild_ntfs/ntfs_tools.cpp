#include "ntfs_tools.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace ntfs_test {

ToolResult RunTool(const std::string& command)
{
    ToolResult result{-1, {}};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string FieldOf(const std::string& report, const std::string& key)
{
    std::string marker = key + ": ";
    std::size_t at = report.find(marker);
    if (at == std::string::npos)
        return {};
    at += marker.size();
    return report.substr(at, report.find('\n', at) - at);
}

MountedVolume::MountedVolume(const std::string& image, bool readOnly)
{
    char pattern[] = "/tmp/ntfs_mount_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        error_ = "no mount folder";
        return;
    }
    path_ = pattern;
    ToolResult mount = RunTool("ntfs-3g " + std::string(readOnly ? "-o ro " : "") + Quoted(image) + " " + Quoted(path_));
    mounted_ = mount.exitCode == 0;
    error_ = mount.output;
}

bool MountedVolume::Unmount()
{
    if (!mounted_)
        return true;
    mounted_ = RunTool("umount " + Quoted(path_)).exitCode != 0;
    return !mounted_;
}

MountedVolume::~MountedVolume()
{
    Unmount();
    if (!path_.empty())
        ::rmdir(path_.c_str());
}

} // namespace ntfs_test
