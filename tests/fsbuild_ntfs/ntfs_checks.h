// The ntfs-3g tools as judges of an NTFS volume (an image file or a device node holding
// the volume from its first byte). A new volume is marked dirty (checked on first use), so
// the tools that refuse dirty volumes run with their force option.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ntfs_checks {

// ntfsfix -n has nothing to fix (the MFT and its mirror agree, the backup boot sector is
// sound), ntfs-3g.probe accepts the volume for writing, ntfsresize finds $Bitmap exact and
// ntfssecaudit finds the security data sound.
::testing::AssertionResult ToolsAccept(const std::string& volume);

struct ExpectedVolume {
    std::string label;
    std::uint32_t sectorSize;
    std::uint32_t clusterSize;
    std::uint64_t clusters;
};
// ntfsinfo -m reports version 3.1 with this label and geometry.
::testing::AssertionResult InfoMatches(const std::string& volume, const ExpectedVolume& expected);

// ntfsls lists every system file of the root and the three files of $Extend.
::testing::AssertionResult ListsSystemFiles(const std::string& volume);

// mkntfs lays a quick-formatted volume onto a new image file of `bytes`; "" on success,
// else what it said.
std::string MakeReferenceVolume(const std::string& image, std::uint64_t bytes);

// A system file ("$UpCase", "$AttrDef", ...) holds the same bytes in both volumes, as
// ntfscat reads them.
::testing::AssertionResult SystemFilesEqual(const std::string& volume, const std::string& reference,
                                            const std::string& name);

// A volume mounted through ntfs-3g for the life of the object.
class MountedVolume {
public:
    explicit MountedVolume(const std::string& volume, bool readOnly = false);
    ~MountedVolume();
    MountedVolume(const MountedVolume&) = delete;
    MountedVolume& operator=(const MountedVolume&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    bool Unmount();

private:
    std::string path_;
    std::string error_;
    bool mounted_ = false;
};

} // namespace ntfs_checks
