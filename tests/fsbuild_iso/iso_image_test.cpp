// Whole ISO builds through the exports, judged by isoinfo and xorriso.
#include "iso_checks.h"
#include "tests/fsbuild/tool_runner.h"
#include "scratch_folder.h"
#include "source_fixture.h"
#include "volkiln_exports.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace iso9660::testing;

namespace {

class IsoImageTest : public ::testing::Test {
protected:

    // Builds and returns the export's result; the status lands in params_.
    int Build(const char* label, std::uint32_t sectors)
    {
        params_ = IsoBuildParams(label, source_.c_str(), image_.c_str(), sectors);
        return knlfs_CreateFileSystemImage(&params_);
    }

    void ExpectExtractsToTheSource() { ExpectVolumeHoldsTree(image_, source_, work_ / "extracted"); }

    ScratchFolder work_{"iso_image_test"};
    std::string source_ = work_ / "source";
    std::string image_ = work_ / "volume.iso";
    FsBuildParams params_{};
};

} // namespace

TEST_F(IsoImageTest, TreeComesBackByteIdenticalAndTheCheckersShowTheVolume)
{
    MakeSourceTree(source_);
    ASSERT_EQ(Build("my disk 1", 65536), 0);
    EXPECT_EQ(params_.i32Status, 0);
    EXPECT_EQ(params_.u8Progress, 100);

    ToolResult info = RunTool({"isoinfo", "-d", "-i", image_});
    ASSERT_EQ(info.exitCode, 0) << info.output;
    EXPECT_NE(info.output.find("Volume id: MY_DISK_1\n"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Application id: Ostra Labs, Inc."), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Logical block size is: 2048"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Joliet with UCS level 3 found"), std::string::npos) << info.output;
    std::uint64_t blocks = fs::file_size(image_) / 2048;
    EXPECT_EQ(fs::file_size(image_) % 2048, 0u);
    EXPECT_NE(info.output.find("Volume size is: " + std::to_string(blocks) + "\n"), std::string::npos)
        << "the volume ends where the image file ends\n" << info.output;

    ToolResult listing = RunTool({"isoinfo", "-J", "-l", "-i", image_});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    // isoinfo prints Joliet names in ISO-8859-1
    for (const char* name : {"read.me.txt", "Case.txt", "case.txt", "Gr\xfc\xdf" "e und K\xfcsse.txt",
                             "Directory listing of /level1/level2/level3/level4/level5/level6/level7/level8/level9/"
                             "level10/level11/level12/",
                             "Directory listing of /Empty Folder/"})
        EXPECT_NE(listing.output.find(name), std::string::npos) << name;
    ToolResult primary = RunTool({"isoinfo", "-l", "-i", image_});
    EXPECT_NE(primary.output.find(" READ_ME_TXT \n"), std::string::npos) << "primary names keep d-characters only";

    ExpectExtractsToTheSource();
}

TEST_F(IsoImageTest, EmptySourceFolderGivesAValidVolume)
{
    fs::create_directories(source_);
    ASSERT_EQ(Build("", 2048), 0);
    ToolResult info = RunTool({"isoinfo", "-d", "-i", image_});
    EXPECT_NE(info.output.find("Volume size is: 23\n"), std::string::npos) << info.output;
    ExpectExtractsToTheSource();
}

struct RefusedCase {
    const char* what;
    const char* label;
    std::uint32_t sectors;
    void (*makeTree)(const fs::path& root);
    std::int32_t status;
};

class IsoRefusedTest : public IsoImageTest, public ::testing::WithParamInterface<RefusedCase> {};

// Each refusal comes before the target is opened: no image file appears.
TEST_P(IsoRefusedTest, FailsWithItsStatusAndWritesNothing)
{
    const RefusedCase& c = GetParam();
    c.makeTree(source_);
    EXPECT_EQ(Build(c.label, c.sectors), 1);
    EXPECT_EQ(params_.i32Status, c.status);
    EXPECT_EQ(params_.u8Progress, 100);
    EXPECT_FALSE(fs::exists(image_));
}

void SmallTree(const fs::path& root)
{
    fs::create_directories(root);
    WriteFile(root / "a.txt", 10, 1);
}

void FileOf4GiB(const fs::path& root)
{
    fs::create_directories(root / "sub");
    std::ofstream(root / "sub" / "huge.bin").close();
    fs::resize_file(root / "sub" / "huge.bin", 1ull << 32); // sparse: only its size matters
}

// Two names that are one once cut to 64 characters.
void NamesEqualAfterTheCut(const fs::path& root)
{
    fs::create_directories(root);
    WriteFile(root / (std::string(70, 'n') + "1.txt"), 1, 1);
    WriteFile(root / (std::string(70, 'n') + "2.txt"), 1, 2);
}

void NoFolder(const fs::path&) {}

const char* const kLabel32 = "abcdefghijklmnopqrstuvwxyz012345";
const char* const kLabel33 = "abcdefghijklmnopqrstuvwxyz0123456";

INSTANTIATE_TEST_SUITE_P(Cases, IsoRefusedTest,
    ::testing::Values(RefusedCase{"label33", kLabel33, 2048, SmallTree, 34},
                      RefusedCase{"file4GiB", "x", 1u << 24, FileOf4GiB, 35},
                      RefusedCase{"namesEqualAfterTheCut", "x", 2048, NamesEqualAfterTheCut, 35},
                      // 24 blocks of structures and data need 96 sectors
                      RefusedCase{"volumeLargerThanTarget", "x", 95, SmallTree, 35},
                      RefusedCase{"missingSourceFolder", "x", 2048, NoFolder, 35}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(IsoImageTest, LabelOf32CharactersAndAVolumeThatJustFits)
{
    SmallTree(source_);
    ASSERT_EQ(Build(kLabel32, 96), 0) << params_.i32Status;
    ToolResult info = RunTool({"isoinfo", "-d", "-i", image_});
    EXPECT_NE(info.output.find("Volume id: ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\n"), std::string::npos) << info.output;
    ExpectExtractsToTheSource();
}

TEST_F(IsoImageTest, NamesLongerThan64CharactersAreCutKeepingTheExtension)
{
    fs::create_directories(work_.path() / "source" / std::string(80, 'd'));
    WriteFile(work_.path() / "source" / (std::string(100, 'f') + ".data"), 3000, 1);
    ASSERT_EQ(Build("", 2048), 0) << params_.i32Status;
    ToolResult listing = RunTool({"isoinfo", "-J", "-l", "-i", image_});
    EXPECT_NE(listing.output.find(" " + std::string(59, 'f') + ".data \n"), std::string::npos) << listing.output;
    EXPECT_NE(listing.output.find("Directory listing of /" + std::string(64, 'd') + "/"), std::string::npos);
    std::string out = work_ / "extracted";
    ToolResult extract = RunTool({"xorriso", "-abort_on", "FAILURE", "-indev", image_, "-osirrox", "on", "-extract", "/", out});
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    EXPECT_EQ(fs::file_size(fs::path(out) / (std::string(59, 'f') + ".data")), 3000u);
}
