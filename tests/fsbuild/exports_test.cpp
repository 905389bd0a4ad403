// The exports as a caller binds them: validation's effect on the block, the FAT32 root
// address, and builds running on several threads at once with their progress read from
// another thread.
#include "build_case.h"
#include "fat_checkers.h"
#include "tool_runner.h"
#include "volkiln_library.h"


#include <gtest/gtest.h>

#include "platform/devio/devio.h"
#include "platform/msgbox/msgbox.h"
#include "platform/process/process.h"
#include "platform/text/text.h"

#include <atomic>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

VolkilnLibrary& Library()
{
    static VolkilnLibrary library;
    return library;
}

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Library().loaded()) << Library().error(); }
    static std::string ImagePath(const std::string& name)
    {
        return ::testing::TempDir() + "exports_" + name + "_" + std::to_string(::getpid()) + ".img";
    }
};

} // namespace

TEST_F(ExportsTest, ValidationNormalisesTheBlockAndRefusesBadRequests)
{
    std::string image = ImagePath("validation");
    FsBuildParams params{};
    params.u8FsType = kFat32;
    params.u32TotalSector = 100000;
    params.i32BytesPerSector = 512;
    params.u8BS_RsvSector = 5;
    params.u8IoRetry = 0;
    params.pszImagePath = image.c_str();
    EXPECT_EQ(Library().CreateFileSystemImage(&params), 0);
    EXPECT_EQ(std::int32_t{params.i32Status}, 0);
    EXPECT_EQ(params.u8BS_RsvSector, 9);
    EXPECT_EQ(std::uint32_t{params.u32PartStart}, 32u) << "copied out: the field is unaligned";
    EXPECT_EQ(params.u8IoRetry, 5);
    EXPECT_EQ(params.m1B_CreateWay, 0);
    std::filesystem::remove(image);

    struct Refused {
        const char* what;
        std::uint8_t fsType;
        const char* source;
    };
    for (const Refused& r : {Refused{"copy without source", kFat32 | kCopy, nullptr},
                             Refused{"copy with an empty source", kFat32 | kCopy, ""},
                             Refused{"ISO9660 without the copy bit", 3, "/tmp"}}) {
        FsBuildParams bad{};
        bad.u8FsType = r.fsType;
        bad.u32TotalSector = 100000;
        bad.i32BytesPerSector = 512;
        bad.pszSourcePath = r.source;
        bad.pszImagePath = image.c_str();
        bad.u8Progress = 50;
        EXPECT_EQ(Library().CreateFileSystemImage(&bad), 1) << r.what;
        EXPECT_EQ(std::int32_t{bad.i32Status}, 35) << r.what;
        EXPECT_EQ(bad.u8Progress, 100) << r.what;
        EXPECT_FALSE(std::filesystem::exists(image)) << r.what;
    }
    EXPECT_EQ(Library().CreateFileSystemImage(nullptr), 1);
}

TEST_F(ExportsTest, Fat32RootSectorAddress)
{
    FsBuildParams params{};
    params.u8FsType = kFat32 | kMbr;
    params.u32TotalSector = 1000000;
    params.i32BytesPerSector = 512;
    EXPECT_EQ(Library().GetFAT32RootSectorAddr(&params), 2024u);
    EXPECT_EQ(std::int32_t{params.i32Status}, 0);
    EXPECT_EQ(params.u8Progress, 100);
    params.u8FsType = kFat16;
    EXPECT_EQ(Library().GetFAT32RootSectorAddr(&params), 0u);
    EXPECT_EQ(std::int32_t{params.i32Status}, 1);
    params.u8FsType = kFat32 | kCopy;
    EXPECT_EQ(Library().GetFAT32RootSectorAddr(&params), 0u);
    EXPECT_EQ(std::int32_t{params.i32Status}, 35);
    params.u8FsType = kFat32;
    params.u32TotalSector = 50000;
    EXPECT_EQ(Library().GetFAT32RootSectorAddr(&params), 0u);
    EXPECT_EQ(std::int32_t{params.i32Status}, 32) << "no address where FAT32 cannot be built";
}

TEST_F(ExportsTest, Fat32RootSectorAddressIsWhereTheBuildPutsTheRoot)
{
    struct Case {
        const char* what;
        std::uint8_t fsType;
        std::uint32_t sectors;
        std::uint8_t clusterExp;
    };
    const Case cases[] = {
        {"automatic behind an MBR", kFat32 | kMbr, 1000000, 0},
        {"the table's size gives too few clusters", kFat32, 132079, 0},
        {"a requested size that is kept", kFat32, 200000, 1},
        {"a requested size that gives way to the automatic one", kFat32, 16000000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string image = ImagePath("root_address");
        FsBuildParams params{};
        params.u8FsType = c.fsType;
        params.u32TotalSector = c.sectors;
        params.i32BytesPerSector = 512;
        params.u8ClusterExp = c.clusterExp;
        params.pszLabel = "ROOT LABEL";
        params.pszImagePath = image.c_str();
        std::uint32_t address = Library().GetFAT32RootSectorAddr(&params);
        ASSERT_EQ(Library().CreateFileSystemImage(&params), 0);
        std::ifstream in(image, std::ios::binary);
        std::uint8_t boot[512] = {};
        in.seekg((c.fsType & kMbr) != 0 ? 32 * 512 : 0);
        in.read(reinterpret_cast<char*>(boot), sizeof boot);
        std::uint32_t hidden = boot[28] | boot[29] << 8 | boot[30] << 16 | boot[31] << 24;
        std::uint32_t fatSectors = boot[36] | boot[37] << 8 | boot[38] << 16 | boot[39] << 24;
        std::uint32_t reserved = boot[14] | boot[15] << 8, perCluster = boot[13];
        EXPECT_EQ(address, hidden + reserved + 2 * fatSectors + perCluster) << "cluster 3 of the built volume";
        char entry[11] = {};
        in.seekg(std::streamoff{address - perCluster} * 512);
        in.read(entry, sizeof entry);
        EXPECT_EQ(std::string(entry, sizeof entry), "ROOT LABEL ") << "the root's label entry precedes the address";
        std::filesystem::remove(image);
    }
}

TEST_F(ExportsTest, ConcurrentBuildsStayApartAndTheirProgressOnlyRises)
{
    constexpr int kBuilds = 4;
    std::string source = SourceTreePath(Tree::Mixed);
    std::vector<std::string> images;
    std::vector<FsBuildParams> blocks(kBuilds);
    for (int i = 0; i < kBuilds; ++i) {
        images.push_back(ImagePath("concurrent" + std::to_string(i)));
        FsBuildParams& params = blocks[i];
        params.u8FsType = kFat32 | kCopy | kMbr;
        params.u32TotalSector = 1048576;
        params.i32BytesPerSector = 512;
        params.pszSourcePath = source.c_str();
        params.pszImagePath = images.back().c_str();
    }
    std::atomic<int> running{kBuilds};
    std::vector<std::vector<int>> seen(kBuilds);
    std::thread watcher([&] {
        // Only the changes are kept: however long the builds take, the record stays small.
        while (running.load() > 0)
            for (int i = 0; i < kBuilds; ++i)
                if (int value = std::atomic_ref<std::uint8_t>(blocks[i].u8Progress).load();
                    seen[i].empty() || seen[i].back() != value)
                    seen[i].push_back(value);
    });
    std::vector<std::thread> builders;
    for (int i = 0; i < kBuilds; ++i)
        builders.emplace_back([&, i] {
            Library().CreateFileSystemImage(&blocks[i]);
            running.fetch_sub(1);
        });
    for (std::thread& builder : builders)
        builder.join();
    watcher.join();
    std::set<std::string> signatures;
    for (int i = 0; i < kBuilds; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(std::int32_t{blocks[i].i32Status}, 0);
        EXPECT_EQ(blocks[i].u8Progress, 100);
        for (std::size_t k = 1; k < seen[i].size(); ++k)
            ASSERT_GE(seen[i][k], seen[i][k - 1]) << "the progress byte never falls";
        BuildCase row{"concurrent", kFat32 | kCopy | kMbr, 1048576, 512, 0, 0, 0, "", Tree::Mixed, 0, 8, &kFatChecks};
        BuiltImage built{row, images[i], source, 0, 32 * 512, 512};
        for (Checker check : kFatChecks)
            EXPECT_TRUE(check(built));
        ToolResult dump = RunTool({"sfdisk", "--dump", images[i]});
        signatures.insert(dump.output.substr(dump.output.find("label-id:"), 20));
        std::filesystem::remove(images[i]);
    }
    EXPECT_EQ(signatures.size(), static_cast<std::size_t>(kBuilds)) << "each disk gets its own signature";
}

// A source file that cannot be opened asks the operator: Retry opens it again, Cancel
// ends the build (the FAT builder's read failure, status 35).
TEST_F(ExportsTest, AnUnopenableSourceFileAsksRetryOrCancel)
{
    struct Case {
        const char* what;
        std::vector<int> answers;
        bool putBackOnFirstBox; // the file is there again when the operator retries
        std::int32_t status;
    };
    const Case cases[] = {
        {"cancel", {IDCANCEL}, false, 35},
        {"retry, still missing, then cancel", {IDRETRY, IDRETRY, IDCANCEL}, false, 35},
        {"retry once the file is back", {IDRETRY}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path source = ImagePath("unopenable") + ".source";
        std::filesystem::remove_all(source);
        std::filesystem::create_directories(source);
        std::ofstream(source / "fine.txt") << "ten bytes!";
        std::filesystem::create_symlink(source / "target.txt", source / "gone.txt");
        std::vector<platform::MessageBoxRequest> boxes;
        platform::SetMessageBoxScript([&](const platform::MessageBoxRequest& request) {
            boxes.push_back(request);
            if (c.putBackOnFirstBox)
                std::ofstream(source / "target.txt") << "back";
            return boxes.size() <= c.answers.size() ? c.answers[boxes.size() - 1] : IDCANCEL;
        });
        const std::string image = ImagePath("unopenable");
        const std::string sourceText = source.string();
        FsBuildParams params{};
        params.u8FsType = kFat32 | kCopy;
        params.u32TotalSector = 100000;
        params.i32BytesPerSector = 512;
        params.pszSourcePath = sourceText.c_str();
        params.pszImagePath = image.c_str();
        EXPECT_EQ(Library().CreateFileSystemImage(&params), c.status == 0 ? 0 : 1);
        platform::SetMessageBoxScript({});
        EXPECT_EQ(std::int32_t{params.i32Status}, c.status);
        ASSERT_EQ(boxes.size(), c.answers.size()) << "one box per attempt";
        for (const platform::MessageBoxRequest& box : boxes) {
            EXPECT_EQ(box.caption, u"Error");
            EXPECT_EQ(box.type, MB_RETRYCANCEL);
            EXPECT_FALSE(box.hasOwner);
            EXPECT_EQ(platform::WideToUtf8(box.text),
                      "Open " + (source / "gone.txt").string() + " failed with error 2\r\nNo such file or directory");
        }
        if (c.status == 0) {
            ToolResult check = RunTool({"fsck.fat", "-n", image});
            EXPECT_EQ(check.exitCode, 0) << check.output;
        }
        std::filesystem::remove(image);
        std::filesystem::remove_all(source);
    }
}

TEST_F(ExportsTest, OwnSetFilePointerExReportsThePositionOrMinusOne)
{
    using Move = BOOL (*)(HANDLE, LARGE_INTEGER, LARGE_INTEGER*, DWORD);
    void* self = ::dlopen((platform::WideToUtf8(platform::ProgramFolder()) + "Volkiln.dll").c_str(), RTLD_NOW);
    ASSERT_NE(self, nullptr);
    auto move = reinterpret_cast<Move>(::dlsym(self, "SetFilePointerEx"));
    ASSERT_NE(move, nullptr);
    std::string path = ImagePath("pointer");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER distance, position;
    distance.QuadPart = 5ll << 32;
    EXPECT_TRUE(move(file, distance, &position, FILE_BEGIN));
    EXPECT_EQ(position.QuadPart, 5ll << 32);
    distance.QuadPart = -(6ll << 32);
    EXPECT_FALSE(move(file, distance, &position, FILE_CURRENT)) << "before the start";
    EXPECT_EQ(position.u.LowPart, 0xFFFFFFFFu);
    EXPECT_EQ(position.u.HighPart, -1);
    CloseHandle(file);
    std::filesystem::remove(path);
    ::dlclose(self);
}
