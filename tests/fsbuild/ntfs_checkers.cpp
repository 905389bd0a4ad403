#include "ntfs_checkers.h"

#include "fat_checkers.h"
#include "loop_device.h"
#include "ntfs_checks.h"

using ::testing::AssertionFailure;
using ::testing::AssertionResult;

namespace {

// Runs `check` on the volume, reached through a loop device when it lies inside the file.
template <class Check>
AssertionResult OnVolume(const BuiltImage& image, Check check)
{
    std::unique_ptr<LoopDevice> partition;
    std::string error;
    std::string volume = DeviceAt(image, image.volumeOffset, partition, error);
    if (volume.empty())
        return AssertionFailure() << error;
    return check(volume);
}

} // namespace

AssertionResult NtfsToolsAccept(const BuiltImage& image)
{
    return OnVolume(image, [](const std::string& volume) { return ntfs_checks::ToolsAccept(volume); });
}

AssertionResult NtfsInfoShowsGeometry(const BuiltImage& image)
{
    std::uint32_t cluster = image.row.sectorsPerCluster * image.sectorBytes;
    std::uint64_t partitionSectors = image.row.totalSectors - (image.volumeOffset - image.row.devStartSector * 512ull) /
                                                                  image.sectorBytes;
    ntfs_checks::ExpectedVolume expected{image.row.label, image.sectorBytes, cluster,
                                         (partitionSectors - 1) * image.sectorBytes / cluster};
    return OnVolume(image, [&](const std::string& volume) { return ntfs_checks::InfoMatches(volume, expected); });
}

AssertionResult NtfsListsSystemFiles(const BuiltImage& image)
{
    return OnVolume(image, [](const std::string& volume) { return ntfs_checks::ListsSystemFiles(volume); });
}

const std::vector<Checker> kNtfsChecks{NtfsToolsAccept, NtfsInfoShowsGeometry, NtfsListsSystemFiles,
                                       PartitionTableMatches};
