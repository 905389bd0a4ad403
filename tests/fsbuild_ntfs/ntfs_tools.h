// The ntfs-3g tools as independent judges of a volume, and a mounted volume for a test.
#pragma once

#include <string>

namespace ntfs_test {

struct ToolResult {
    int exitCode;
    std::string output; // standard output and error together
};

ToolResult RunTool(const std::string& command);
std::string Quoted(const std::string& text);

// The text after "key: " on the line that names the key, or "" when there is none.
std::string FieldOf(const std::string& report, const std::string& key);

// A volume mounted through ntfs-3g for the life of the object.
class MountedVolume {
public:
    explicit MountedVolume(const std::string& image, bool readOnly = false);
    ~MountedVolume();
    MountedVolume(const MountedVolume&) = delete;
    MountedVolume& operator=(const MountedVolume&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // Unmounts now; false when the unmount failed.
    bool Unmount();

private:
    std::string path_;
    std::string error_;
    bool mounted_ = false;
};

} // namespace ntfs_test
