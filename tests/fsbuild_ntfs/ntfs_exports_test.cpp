// NTFS builds through the library's exports, as the server calls them: the status, the
// progress byte, the master boot record and where the volume lands, judged by sfdisk and
// the ntfs-3g tools.
#include "fsbuild/fs_build_params.h"
#include "ntfs_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kNtfs = 4, kCopy = 0x40, kMbr = 0x80;

using CreateImage = int (*)(FsBuildParams*);

CreateImage LoadCreateImage()
{
    static void* library = ::dlopen((fs::read_symlink("/proc/self/exe").parent_path() / "Volkiln.dll").c_str(), RTLD_NOW);
    return library == nullptr ? nullptr
                              : reinterpret_cast<CreateImage>(::dlsym(library, "knlfs_CreateFileSystemImage"));
}

struct ExportCase {
    const char* name;
    std::uint8_t fsType;
    std::uint32_t totalSectors;
    std::int32_t bytesPerSector;
    std::uint8_t clusterExp;
    std::uint32_t devStartSector;
    const char* label;
    std::int32_t status;
    std::uint32_t expectedCluster; // 0: the build fails
    bool untouched;                // a failure before the image file is created
};

const ExportCase kCases[] = {
    {"plain", kNtfs, 204800, 512, 0, 0, "NTFS LUN", 0, 512, false},
    {"mbr", kNtfs | kMbr, 204800, 512, 0, 0, "MBR", 0, 512, false},
    {"mbr_at_threshold", kNtfs | kMbr, 14336, 512, 0, 0, "", 0, 512, false},
    {"mbr_below_threshold", kNtfs | kMbr, 14335, 512, 0, 0, "", 1, 0, true},
    {"mbr_4096_sectors", kNtfs | kMbr, 65536, 4096, 0, 0, "4K", 0, 4096, false},
    {"cluster_exponent_7", kNtfs, 204800, 512, 7, 0, "", 0, 65536, false},
    {"device_start_2048", kNtfs, 204800, 512, 0, 2048, "LUN1", 0, 512, false},
    {"label_128", kNtfs, 204800, 512, 0, 0,
     "L123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
     "0123456789012345678901234567", 0, 512, false},
    {"label_129", kNtfs, 204800, 512, 0, 0,
     "L123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
     "01234567890123456789012345678", 34, 0, true},
    {"too_small", kNtfs, 2048, 512, 0, 0, "", 1, 0, false},
};

class NtfsExports : public ::testing::TestWithParam<ExportCase> {};

TEST_P(NtfsExports, BuildsWhereTheCallerAsked)
{
    const ExportCase& row = GetParam();
    CreateImage create = LoadCreateImage();
    ASSERT_NE(create, nullptr) << ::dlerror();
    std::string image = ::testing::TempDir() + "ntfs_export_" + row.name + "_" + std::to_string(::getpid()) + ".img";
    fs::remove(image);
    FsBuildParams params{};
    params.u8FsType = row.fsType;
    params.u32TotalSector = row.totalSectors;
    params.i32BytesPerSector = row.bytesPerSector;
    params.u8ClusterExp = row.clusterExp;
    params.u32DevStartSector = row.devStartSector;
    params.pszLabel = row.label;
    params.pszImagePath = image.c_str();
    int result = create(&params);
    EXPECT_EQ(params.i32Status, row.status);
    EXPECT_EQ(result, row.status == 0 ? 0 : 1);
    EXPECT_EQ(params.u8Progress, 100);
    if (row.untouched) {
        EXPECT_FALSE(fs::exists(image)) << "refused before anything is written";
    }
    if (row.expectedCluster == 0) {
        fs::remove(image);
        return;
    }
    bool mbr = (row.fsType & kMbr) != 0;
    std::uint64_t deviceStart = std::uint64_t{row.devStartSector} * 512;
    std::uint64_t partitionStart = mbr ? 32 : 0;
    std::uint64_t offset = deviceStart + partitionStart * row.bytesPerSector;
    std::uint64_t partitionSectors = row.totalSectors - partitionStart;
    EXPECT_EQ(fs::file_size(image), deviceStart + std::uint64_t{row.totalSectors} * row.bytesPerSector);

    std::string volume = image;
    if (offset != 0) {
        volume = image + ".volume";
        std::string area = image + ".area";
        std::ifstream in(image, std::ios::binary);
        std::vector<char> bytes(fs::file_size(image));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::ofstream(volume, std::ios::binary).write(bytes.data() + offset, static_cast<std::streamsize>(bytes.size() - offset));
        if (mbr) {
            // The record sits at the start of the device area and points to the volume.
            std::ofstream(area, std::ios::binary)
                .write(bytes.data() + deviceStart, static_cast<std::streamsize>(bytes.size() - deviceStart));
            std::string dump = ntfs_checks::RunTool({"sfdisk", "--dump", area}).output; // in the record's sectors
            EXPECT_NE(dump.find("start=          32, size=" +
                                std::string(std::max<int>(0, 12 - static_cast<int>(std::to_string(partitionSectors).size())), ' ') +
                                std::to_string(partitionSectors) + ", type=7, bootable"),
                      std::string::npos)
                << dump;
            fs::remove(area);
        }
    }
    EXPECT_TRUE(ntfs_checks::ToolsAccept(volume));
    EXPECT_TRUE(ntfs_checks::InfoMatches(
        volume, {row.label, static_cast<std::uint32_t>(row.bytesPerSector), row.expectedCluster,
                 (partitionSectors - 1) * static_cast<std::uint64_t>(row.bytesPerSector) / row.expectedCluster}));
    if (volume != image)
        fs::remove(volume);
    fs::remove(image);
}

INSTANTIATE_TEST_SUITE_P(Table, NtfsExports, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NtfsExports, CopyIntoAnImageFileHasNoDriveToCopyTo)
{
    CreateImage create = LoadCreateImage();
    ASSERT_NE(create, nullptr);
    std::string folder = ::testing::TempDir() + "ntfs_export_source_" + std::to_string(::getpid());
    fs::create_directories(folder);
    std::ofstream(folder + "/file.txt") << "content";
    std::string image = folder + ".img";
    FsBuildParams params{};
    params.u8FsType = kNtfs | kCopy;
    params.u32TotalSector = 204800;
    params.i32BytesPerSector = 512;
    params.pszSourcePath = folder.c_str();
    params.pszImagePath = image.c_str();
    EXPECT_EQ(create(&params), 1);
    EXPECT_EQ(params.i32Status, 1) << "the copy step needs a drive; an image file has none";
    EXPECT_EQ(params.u8Progress, 100);
    EXPECT_TRUE(ntfs_checks::ToolsAccept(image)) << "the volume itself was formatted";
    fs::remove_all(folder);
    fs::remove(image);
}

} // namespace
