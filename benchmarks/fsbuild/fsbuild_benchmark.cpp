// The image builder against the standard tools on the same work, in one run: each build
// runs in a process of its own, the reference tools' images are flushed as ours are, and
// the tree is read once beforehand so that both find it in the page cache.
//   fsbuild_benchmark [work folder]    (default: /tmp/fsbuild_benchmark)
#include "bench_process.h"
#include "bench_tree.h"

#include "fsbuild/fs_build_params.h"
#include "platform/process/process.h"
#include "platform/text/text.h"

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 3;

struct BenchCase {
    const char* name;
    std::function<FsBuildParams()> request; // what our builder gets
    std::vector<std::vector<std::string>> reference; // the standard tools' commands
    std::string ourImage, referenceImage;
};

using BuildExport = int (*)(FsBuildParams*);

BuildExport LoadBuilder()
{
    std::string path = platform::WideToUtf8(platform::ProgramFolder()) + "Volkiln.dll";
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "%s\n", ::dlerror());
        return nullptr;
    }
    return reinterpret_cast<BuildExport>(::dlsym(library, "knlfs_CreateFileSystemImage"));
}

// A build into a new image file of `sectors` 512-byte sectors; the strings outlive the build.
FsBuildParams ImageRequest(std::uint8_t fsType, std::uint32_t sectors, const std::string& image,
                           const std::string* source = nullptr)
{
    FsBuildParams p{};
    p.u8FsType = fsType;
    p.u32TotalSector = sectors;
    p.i32BytesPerSector = 512;
    p.pszSourcePath = source != nullptr ? source->c_str() : nullptr;
    p.pszImagePath = image.c_str();
    return p;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void ReadTree(const std::string& root)
{
    std::vector<char> buffer(1 << 20);
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            for (std::FILE* file = std::fopen(entry.path().c_str(), "rb"); file != nullptr; file = nullptr) {
                while (std::fread(buffer.data(), 1, buffer.size(), file) > 0) {
                }
                std::fclose(file);
            }
}

bool RunCase(BuildExport build, BenchCase& c)
{
    std::vector<double> ours, theirs;
    long ourPeak = 0, theirPeak = 0;
    for (int round = 0; round < kRounds; ++round) {
        fs::remove(c.ourImage);
        fs::remove(c.referenceImage);
        RunFigures our = RunInChild([&] {
            FsBuildParams params = c.request();
            return build(&params) == 0 ? 0 : 1;
        });
        RunFigures reference = RunCommands(c.reference);
        if (!our.ok || !reference.ok) {
            std::printf("%-34s failed (ours %s, reference %s)\n", c.name, our.ok ? "ok" : "FAILED",
                        reference.ok ? "ok" : "FAILED");
            return false;
        }
        ours.push_back(our.seconds);
        theirs.push_back(reference.seconds);
        ourPeak = std::max(ourPeak, our.peakKiB);
        theirPeak = std::max(theirPeak, reference.peakKiB);
    }
    double ourTime = Median(ours), theirTime = Median(theirs);
    std::printf("%-34s %9.3f s %9.3f s %7.2f %10.1f MiB %10.1f MiB%s\n", c.name, ourTime, theirTime,
                ourTime / theirTime, ourPeak / 1024.0, theirPeak / 1024.0,
                ourPeak > 64 * 1024 ? "  (over 64 MiB)" : "");
    fs::remove(c.ourImage);
    fs::remove(c.referenceImage);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    fs::path work = argc > 1 ? argv[1] : "/tmp/fsbuild_benchmark";
    fs::create_directories(work);
    BuildExport build = LoadBuilder();
    if (build == nullptr)
        return 1;
    std::string tree = (work / "tree").string();
    std::uint64_t treeBytes = MakeBenchmarkTree(tree);
    ReadTree(tree);
    std::string ours8 = (work / "ours_fat32_8g.img").string(), mkfs8 = (work / "mkfs_fat32_8g.img").string();
    std::string ours1 = (work / "ours_fat32_1g.img").string(), mkfs1 = (work / "mkfs_fat32_1g.img").string();
    std::string oursIso = (work / "ours.iso").string(), xorrisoIso = (work / "xorriso.iso").string();
    std::string oursNtfs = (work / "ours_ntfs_8g.img").string(), mkntfsImage = (work / "mkntfs_8g.img").string();
    std::vector<std::string> treeItems{"mcopy", "-s", "-i", mkfs1};
    for (const auto& entry : fs::directory_iterator(tree))
        treeItems.push_back(entry.path().string());
    treeItems.push_back("::");

    std::vector<BenchCase> cases{
        {"FAT32 8 GiB, empty", [&] { return ImageRequest(0x02, 16777216, ours8); },
         {{"mkfs.fat", "-F", "32", "-C", mkfs8, "8388608"}, {"sync", mkfs8}}, ours8, mkfs8},
        {"FAT32 1 GiB, 2020 files copied", [&] { return ImageRequest(0x42, 2097152, ours1, &tree); },
         {{"mkfs.fat", "-F", "32", "-C", mkfs1, "1048576"}, treeItems, {"sync", mkfs1}}, ours1, mkfs1},
        {"ISO9660 + Joliet, 2020 files", [&] { return ImageRequest(0x43, 2097152, oursIso, &tree); },
         {{"xorriso", "-as", "mkisofs", "-J", "-quiet", "-o", xorrisoIso, tree}, {"sync", xorrisoIso}}, oursIso, xorrisoIso},
        {"NTFS 8 GiB, empty", [&] { return ImageRequest(0x04, 16777216, oursNtfs); },
         {{"truncate", "-s", "8G", mkntfsImage},
          {"mkntfs", "-Q", "-F", "-q", "-s", "512", "-p", "0", "-S", "63", "-H", "255", mkntfsImage},
          {"sync", mkntfsImage}},
         oursNtfs, mkntfsImage},
    };

    std::printf("source tree: 2000 small files and 20 files of 16 MiB, %.1f MiB; median of %d rounds\n",
                treeBytes / 1048576.0, kRounds);
    std::printf("%-34s %11s %11s %7s %14s %14s\n", "build", "Volkiln", "reference", "ratio", "peak Volkiln",
                "peak reference");
    bool ok = true;
    for (BenchCase& c : cases)
        ok = RunCase(build, c) && ok;
    return ok ? 0 : 1;
}
