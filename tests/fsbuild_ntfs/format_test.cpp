// Volumes laid down by the formatter, judged by the ntfs-3g tools: ntfsfix finds nothing to
// fix, ntfs-3g.probe accepts it for writing, ntfsinfo reports the geometry and label,
// ntfsls lists the system files, and a mounted volume keeps what is written to it.
#include "fsbuild/ntfs/format_ntfs.h"
#include "ntfs_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct FormatCase {
    const char* name;
    std::int64_t sectors;
    std::int64_t sectorSize;
    std::int64_t clusterSize; // −1 automatic
    const char* label;
    std::int64_t hiddenSectors;
    std::uint64_t startOffset;
    std::int64_t expectedCluster;
    bool writeFiles;          // the smallest volume has no room for a test tree
};

const FormatCase kFormats[] = {
    {"100MiB", 204800, 512, -1, "FABRUN", 0, 0, 512, true},
    {"smallest", 2049, 512, -1, "TINY", 0, 0, 512, false},
    {"twoSectorClusters", 1050625, 512, -1, "BOUNDARY", 0, 0, 1024, true},
    {"eightSectorClusters", 4194305, 512, -1, "BOUNDARY", 0, 0, 4096, true},
    {"requested64KiB", 204800, 512, 65536, "BIG CLUSTERS", 0, 0, 65536, true},
    {"sectors4096", 262144, 4096, -1, "SECTORS4K", 0, 0, 4096, true},
    {"sectors4096Clusters64KiB", 65536, 4096, 65536, "S4K64K", 0, 0, 65536, true},
    {"16GiB", 33554432, 512, -1, "LARGE", 0, 0, 4096, true},
    {"partitionAndDeviceStart", 204800, 512, -1, "LUN", 32, 2048 * 512, 512, true},
    {"noLabel", 204800, 512, -1, "", 0, 0, 512, true},
    {"wideLabel", 204800, 512, -1, "Größe ÆØÅ Ω", 0, 0, 512, true},
    {"longestLabel", 204800, 512, -1,
     "L123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
     "0123456789012345678901234567", 0, 0, 512, true},
};

std::string ImagePath(const char* name)
{
    return ::testing::TempDir() + "ntfs_format_" + name + "_" + std::to_string(::getpid()) + ".img";
}

// The partition area alone, for tools that read a volume from its first byte.
std::string ExtractPartition(const std::string& image, std::uint64_t offset, std::uint64_t length)
{
    std::string part = image + ".part";
    std::ifstream in(image, std::ios::binary);
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<char> buffer(1 << 20);
    while (length > 0 && in) {
        std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
        in.read(buffer.data(), static_cast<std::streamsize>(piece));
        out.write(buffer.data(), in.gcount());
        length -= static_cast<std::uint64_t>(in.gcount());
    }
    return part;
}

std::vector<char> RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 engine(seed);
    std::vector<char> bytes(size);
    for (char& byte : bytes)
        byte = static_cast<char>(engine());
    return bytes;
}

std::vector<char> ReadRange(const fs::path& path, std::uint64_t offset, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<char> bytes(count);
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::uint64_t SerialNumberOf(const std::string& volume)
{
    std::vector<char> boot = ReadRange(volume, 0, 512);
    std::uint64_t serial = 0;
    std::memcpy(&serial, boot.data() + 72, sizeof serial);
    return serial;
}

std::vector<char> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Files written through the mounted volume: nested folders, names that differ only in
// case, an empty file and one of several MiB.
const std::pair<const char*, std::vector<char>>* TestTree(std::size_t& count)
{
    static const std::pair<const char*, std::vector<char>> tree[] = {
        {"Top Folder/Second/Third/deep file.txt", RandomBytes(1000, 1)},
        {"Top Folder/readme.TXT", RandomBytes(10, 2)},
        {"case.txt", RandomBytes(7, 3)},
        {"CASE.TXT", RandomBytes(9, 4)},
        {"empty", {}},
        {"several MiB.bin", RandomBytes(5 * 1024 * 1024 + 123, 5)},
    };
    count = std::size(tree);
    return tree;
}

class Format : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Format, ToolsAcceptTheVolume)
{
    const FormatCase& row = GetParam();
    std::string image = ImagePath(row.name);
    std::uint64_t partitionOffset = row.startOffset + static_cast<std::uint64_t>(row.hiddenSectors * row.sectorSize);
    std::uint64_t partitionBytes = static_cast<std::uint64_t>(row.sectors * row.sectorSize);
    std::ofstream(image, std::ios::trunc).close();

    ntfs::NtfsOptions options;
    options.deviceName = image;
    options.sectorSize = row.sectorSize;
    options.sectors = row.sectors;
    options.hiddenSectors = row.hiddenSectors;
    options.clusterSize = row.clusterSize;
    options.label = row.label;
    options.io.startOffset = row.startOffset;
    std::uint64_t progress = 0;
    options.io.progress = [&](std::uint64_t bytes) { progress += bytes; };
    ASSERT_EQ(ntfs::FormatNTFS(options), 0);
    EXPECT_EQ(fs::file_size(image), partitionOffset + partitionBytes) << "the backup boot sector ends the partition";
    EXPECT_GT(progress, 0u);

    std::string volume = partitionOffset == 0 ? image : ExtractPartition(image, partitionOffset, partitionBytes);
    if (partitionOffset != 0) {
        std::vector<char> boot = ReadRange(volume, 0, 512);
        std::uint32_t hidden;
        std::memcpy(&hidden, boot.data() + 28, sizeof hidden);
        EXPECT_EQ(hidden, row.hiddenSectors);
        std::vector<char> front = ReadRange(image, 0, partitionOffset);
        EXPECT_TRUE(std::all_of(front.begin(), front.end(), [](char c) { return c == 0; }))
            << "nothing is written in front of the partition";
    }
    EXPECT_TRUE(ntfs_checks::ToolsAccept(volume));
    auto clusters = static_cast<std::uint64_t>((row.sectors - 1) * row.sectorSize / row.expectedCluster);
    EXPECT_TRUE(ntfs_checks::InfoMatches(volume, {row.label, static_cast<std::uint32_t>(row.sectorSize),
                                                   static_cast<std::uint32_t>(row.expectedCluster), clusters}));
    EXPECT_TRUE(ntfs_checks::ListsSystemFiles(volume));

    if (row.writeFiles) {
        std::size_t count = 0;
        const auto* tree = TestTree(count);
        {
            ntfs_checks::MountedVolume mount(volume);
            ASSERT_TRUE(mount.mounted()) << mount.error();
            for (std::size_t i = 0; i < count; ++i) {
                fs::path file = fs::path(mount.path()) / tree[i].first;
                fs::create_directories(file.parent_path());
                std::ofstream(file, std::ios::binary).write(tree[i].second.data(),
                                                            static_cast<std::streamsize>(tree[i].second.size()));
            }
            ASSERT_TRUE(mount.Unmount());
        }
        EXPECT_TRUE(ntfs_checks::ToolsAccept(volume)) << "after writing through ntfs-3g";
        ntfs_checks::MountedVolume mount(volume, true);
        ASSERT_TRUE(mount.mounted()) << mount.error();
        for (std::size_t i = 0; i < count; ++i)
            EXPECT_EQ(ReadAll(fs::path(mount.path()) / tree[i].first), tree[i].second) << tree[i].first;
    }
    if (volume != image)
        fs::remove(volume);
    fs::remove(image);
}

INSTANTIATE_TEST_SUITE_P(Volumes, Format, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

ntfs::NtfsOptions PlainOptions(const std::string& image, std::int64_t sectors)
{
    ntfs::NtfsOptions options;
    options.deviceName = image;
    options.sectorSize = 512;
    options.sectors = sectors;
    options.hiddenSectors = 0;
    return options;
}

TEST(Format, RefusesWhatCannotMakeAVolume)
{
    std::string image = ImagePath("refused");
    std::ofstream(image, std::ios::trunc).close();
    ntfs::NtfsOptions options = PlainOptions(image, 2049);
    options.clusterSize = 65536; // 15 clusters: the system streams need more
    EXPECT_NE(ntfs::FormatNTFS(options), 0);
    options = PlainOptions(image, 2048); // less than 1 MiB after the backup boot sector
    EXPECT_NE(ntfs::FormatNTFS(options), 0);
    options = PlainOptions(image, 204800);
    options.label = std::string(129, 'L');
    EXPECT_NE(ntfs::FormatNTFS(options), 0);
    EXPECT_EQ(fs::file_size(image), 0u) << "refused before anything is written";
    options = PlainOptions(::testing::TempDir() + "missing-folder/volume.img", 204800);
    EXPECT_NE(ntfs::FormatNTFS(options), 0);
    fs::remove(image);
}

// The tables every system reads from the volume to interpret it are the standard ones,
// byte for byte as mkntfs writes them; the upper-case table decides which names count as
// the same.
TEST(Format, SystemTablesAreTheStandardOnes)
{
    std::string ours = ImagePath("tables"), reference = ImagePath("tables_mkntfs");
    std::ofstream(ours, std::ios::trunc).close();
    ASSERT_EQ(ntfs::FormatNTFS(PlainOptions(ours, 204800)), 0);
    ASSERT_EQ(ntfs_checks::MakeReferenceVolume(reference, 204800 * 512), "");
    for (const char* name : {"$AttrDef", "$UpCase"})
        EXPECT_TRUE(ntfs_checks::SystemFilesEqual(ours, reference, name));
    fs::remove(ours);
    fs::remove(reference);
}

TEST(Format, ConcurrentFormatsGiveValidVolumesWithTheirOwnSerialNumbers)
{
    constexpr int kBuilds = 4;
    std::vector<std::string> images;
    std::vector<int> results(kBuilds, -1);
    std::vector<std::thread> threads;
    for (int i = 0; i < kBuilds; ++i) {
        images.push_back(ImagePath(("concurrent" + std::to_string(i)).c_str()));
        std::ofstream(images.back(), std::ios::trunc).close();
    }
    for (int i = 0; i < kBuilds; ++i)
        threads.emplace_back([&, i] { results[i] = ntfs::FormatNTFS(PlainOptions(images[i], 409600)); });
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::uint64_t> serials;
    for (int i = 0; i < kBuilds; ++i) {
        EXPECT_EQ(results[i], 0);
        EXPECT_TRUE(ntfs_checks::ToolsAccept(images[i]));
        serials.insert(SerialNumberOf(images[i]));
        fs::remove(images[i]);
    }
    EXPECT_EQ(serials.size(), std::size_t{kBuilds});
}

} // namespace
