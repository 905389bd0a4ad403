// An empty 8 GiB NTFS image, built by the formatter and by `mkntfs -Q -F` on the same
// work (a new image file of that size, flushed to the disk), each in a child process so
// that its peak memory is its own. Prints both times, their ratio and both peaks.
// Goals: ratio at most 1.0, peak memory under 64 MiB.
#include "fsbuild/ntfs/format_ntfs.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kSectors = 8ll * 1024 * 1024 * 1024 / 512;
constexpr int kRounds = 5;

struct Figures {
    double seconds;
    long peakKiB;
};

bool FreshImage(const std::string& path)
{
    ::unlink(path.c_str());
    int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    bool ok = fd >= 0 && ::ftruncate(fd, kSectors * 512) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Runs `work` in a child; false when the child fails.
template <class Work>
bool Measure(Work work, Figures& figures)
{
    auto start = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0)
        std::_Exit(work());
    int status = 0;
    struct rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child)
        return false;
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int Ours(const std::string& image)
{
    ntfs::NtfsOptions options;
    options.deviceName = image;
    options.sectorSize = 512;
    options.sectors = kSectors;
    options.hiddenSectors = 0;
    options.label = "BENCH";
    return ntfs::FormatNTFS(options);
}

int Theirs(const std::string& image)
{
    // The same geometry as ours; mkntfs leaves the flushing to the system, so the file is
    // synced after it, as the formatter syncs before it returns.
    std::string command = "mkntfs -Q -F -q -s 512 -p 0 -S 63 -H 255 -L BENCH '" + image + "' 2>/dev/null && sync '" +
                          image + "'";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = argc > 1 ? argv[1] : "/tmp";
    std::string image = folder + "/ntfs_format_bench.img";
    Figures best[2] = {{1e9, 0}, {1e9, 0}};
    for (int round = 0; round < kRounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            Figures figures{};
            if (!FreshImage(image) ||
                !Measure([&] { return which == 0 ? Ours(image) : Theirs(image); }, figures)) {
                std::fprintf(stderr, "%s failed\n", which == 0 ? "the formatter" : "mkntfs");
                return 1;
            }
            if (figures.seconds < best[which].seconds)
                best[which].seconds = figures.seconds;
            if (figures.peakKiB > best[which].peakKiB)
                best[which].peakKiB = figures.peakKiB;
        }
    }
    ::unlink(image.c_str());
    std::printf("NTFS 8 GiB image, best of %d: ours %.3f s, mkntfs -Q -F %.3f s, ratio %.2f (goal <= 1.00)\n", kRounds,
                best[0].seconds, best[1].seconds, best[0].seconds / best[1].seconds);
    std::printf("peak memory: ours %.1f MiB (goal < 64 MiB), mkntfs %.1f MiB\n", best[0].peakKiB / 1024.0,
                best[1].peakKiB / 1024.0);
    return 0;
}
