#include "ntfs_checks.h"

#include "tool_runner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <unistd.h>

namespace ntfs_checks {
namespace {

using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

// The tools print the label as UTF-8 whatever the caller's locale.
const std::vector<std::string> kToolEnvironment{"LC_ALL=C.UTF-8"};

AssertionResult Failed(const std::vector<std::string>& argv, const ToolResult& result)
{
    return AssertionFailure() << CommandLine(argv) << " exited " << result.exitCode << ":\n" << result.output;
}

// The text after "key: " on the line that holds it.
std::string FieldOf(const std::string& report, const std::string& key)
{
    std::string marker = key + ": ";
    std::size_t at = report.find(marker);
    if (at == std::string::npos)
        return {};
    at += marker.size();
    return report.substr(at, report.find('\n', at) - at);
}

// The data of a system file, or nothing when ntfscat cannot read it.
std::optional<std::string> SystemFileBytes(const std::string& volume, const std::string& name, std::string& error)
{
    std::string copy = volume + ".ntfscat";
    ToolResult cat = RunTool({"sh", "-c", "ntfscat -f \"$0\" \"$1\" > \"$2\"", volume, name, copy}, kToolEnvironment);
    std::ifstream in(copy, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::remove(copy.c_str());
    if (cat.exitCode != 0) {
        error = "ntfscat " + name + " of " + volume + " exited " + std::to_string(cat.exitCode) + ":\n" + cat.output;
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::string MakeReferenceVolume(const std::string& image, std::uint64_t bytes)
{
    std::ofstream(image, std::ios::trunc).close();
    std::error_code error;
    std::filesystem::resize_file(image, bytes, error);
    if (error)
        return image + ": " + error.message();
    ToolResult made = RunTool({"mkntfs", "-Q", "-F", "-q", image}, kToolEnvironment);
    return made.exitCode == 0 ? "" : made.output;
}

AssertionResult SystemFilesEqual(const std::string& volume, const std::string& reference, const std::string& name)
{
    std::string error;
    auto ours = SystemFileBytes(volume, name, error);
    auto theirs = SystemFileBytes(reference, name, error);
    if (!ours || !theirs)
        return AssertionFailure() << error;
    if (ours->size() != theirs->size())
        return AssertionFailure() << name << " holds " << ours->size() << " bytes, the reference " << theirs->size();
    auto at = std::mismatch(ours->begin(), ours->end(), theirs->begin()).first;
    if (at != ours->end())
        return AssertionFailure() << name << " differs first at byte " << (at - ours->begin());
    return AssertionSuccess();
}

AssertionResult ToolsAccept(const std::string& volume)
{
    std::vector<std::string> fix{"ntfsfix", "-n", volume};
    ToolResult fixed = RunTool(fix, kToolEnvironment);
    if (fixed.exitCode != 0 ||
        fixed.output.find("Processing of $MFT and $MFTMirr completed successfully.") == std::string::npos ||
        fixed.output.find("Checking the alternate boot sector... OK") == std::string::npos)
        return Failed(fix, fixed);
    // ntfsresize accounts every cluster the files hold against $Bitmap; ntfssecaudit checks
    // each security descriptor of $Secure, its hash and both of its indexes.
    for (std::vector<std::string> argv : {std::vector<std::string>{"ntfs-3g.probe", "--readwrite", volume},
                                          std::vector<std::string>{"ntfsresize", "--info", "--force", volume},
                                          std::vector<std::string>{"ntfssecaudit", "-a", volume}}) {
        ToolResult result = RunTool(argv, kToolEnvironment);
        if (result.exitCode != 0)
            return Failed(argv, result);
    }
    return AssertionSuccess();
}

AssertionResult InfoMatches(const std::string& volume, const ExpectedVolume& expected)
{
    std::vector<std::string> argv{"ntfsinfo", "-f", "-m", volume};
    ToolResult info = RunTool(argv, kToolEnvironment);
    if (info.exitCode != 0)
        return Failed(argv, info);
    const std::pair<const char*, std::string> fields[] = {
        {"Volume Name", expected.label},
        {"Volume Version", "3.1"},
        {"Sector Size", std::to_string(expected.sectorSize)},
        {"Cluster Size", std::to_string(expected.clusterSize)},
        {"Volume Size in Clusters", std::to_string(expected.clusters)},
    };
    for (const auto& [key, value] : fields)
        if (FieldOf(info.output, key) != value)
            return AssertionFailure() << key << " is \"" << FieldOf(info.output, key) << "\", expected \"" << value
                                      << "\":\n" << info.output;
    return AssertionSuccess();
}

AssertionResult ListsSystemFiles(const std::string& volume)
{
    std::vector<std::string> root{"ntfsls", "-f", "-s", volume};
    ToolResult listed = RunTool(root, kToolEnvironment);
    if (listed.exitCode != 0)
        return Failed(root, listed);
    for (const char* name : {"$MFT", "$MFTMirr", "$LogFile", "$Volume", "$AttrDef", "$Bitmap", "$Boot", "$BadClus",
                             "$Secure", "$UpCase", "$Extend"})
        if (listed.output.find(std::string(name) + "\n") == std::string::npos)
            return AssertionFailure() << name << " is not listed:\n" << listed.output;
    std::vector<std::string> extend{"ntfsls", "-f", "-s", "-p", "/$Extend", volume};
    ToolResult extended = RunTool(extend, kToolEnvironment);
    // ntfsls notes first that it cannot type the three view-index files; the listing follows.
    if (extended.exitCode != 0 || !extended.output.ends_with("$ObjId\n$Quota\n$Reparse\n"))
        return Failed(extend, extended);
    return AssertionSuccess();
}

MountedVolume::MountedVolume(const std::string& volume, bool readOnly)
{
    char pattern[] = "/tmp/ntfs_mount_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        error_ = "no mount folder";
        return;
    }
    path_ = pattern;
    std::vector<std::string> argv{"ntfs-3g"};
    if (readOnly)
        argv.insert(argv.end(), {"-o", "ro"});
    argv.insert(argv.end(), {volume, path_});
    ToolResult mount = RunTool(argv, kToolEnvironment);
    mounted_ = mount.exitCode == 0;
    error_ = mount.output;
}

bool MountedVolume::Unmount()
{
    // A volume that something else dismounted meanwhile is unmounted already.
    if (mounted_)
        mounted_ = RunTool({"mountpoint", "-q", path_}).exitCode == 0 && RunTool({"umount", path_}).exitCode != 0;
    return !mounted_;
}

MountedVolume::~MountedVolume()
{
    Unmount();
    if (!path_.empty())
        ::rmdir(path_.c_str());
}

} // namespace ntfs_checks
