// ISO builds through the exports, on what the shared table of builds does not look at:
// the primary tree's names, the exact room check, empty folders and cut names.
#include "build_case.h"
#include "iso_checkers.h"
#include "scratch_folder.h"
#include "source_fixture.h"
#include "tool_runner.h"
#include "volkiln_library.h"

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
        static VolkilnLibrary library;
        EXPECT_TRUE(library.loaded()) << library.error();
        row_ = {"iso", kIso | kCopy, sectors, 512, 0, 0, 0, label, Tree::None, 0, 0, &kIsoChecks};
        params_ = ParamsFor(row_, source_, image_);
        return library.CreateFileSystemImage(&params_);
    }
    void ExpectExtractsToTheSource() { EXPECT_TRUE(XorrisoExtractsTheTree({row_, image_, source_, 0, 0, 512})); }
    fs::path Source() const { return work_.path() / "source"; }

    ScratchFolder work_{"iso_image_test"};
    std::string source_ = work_ / "source";
    std::string image_ = work_ / "volume.iso";
    BuildCase row_{};
    FsBuildParams params_{};
};

} // namespace

TEST_F(IsoImageTest, PrimaryTreeAndDescriptorsAsIsoinfoReadsThem)
{
    fs::create_directories(Source() / "Sub dir.2");
    WriteFile(Source() / "read.me.txt", 17, 1);
    WriteFile(Source() / "Sub dir.2" / "x-y.bin", 5000, 2);
    ASSERT_EQ(Build("my disk 1", 4096), 0);
    ToolResult info = RunTool({"isoinfo", "-d", "-i", image_});
    EXPECT_NE(info.output.find("Volume id: MY_DISK_1\n"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Application id: Ostra Labs, Inc.\n"), std::string::npos) << info.output;
    ToolResult primary = RunTool({"isoinfo", "-l", "-i", image_});
    for (const char* shown : {" READ_ME_TXT \n", "Directory listing of /SUB_DIR_2/\n", " X_Y_BIN \n"})
        EXPECT_NE(primary.output.find(shown), std::string::npos) << shown << primary.output;
}

TEST_F(IsoImageTest, EmptySourceFolderGivesAValidVolume)
{
    fs::create_directories(Source());
    ASSERT_EQ(Build("", 2048), 0);
    ToolResult info = RunTool({"isoinfo", "-d", "-i", image_});
    EXPECT_NE(info.output.find("Volume size is: 23\n"), std::string::npos) << info.output;
    ExpectExtractsToTheSource();
}

TEST_F(IsoImageTest, TheWholeVolumeIsCheckedAgainstTheTarget)
{
    // 19 blocks up to the terminator, 2 path tables, 2 roots and one block of data: 24
    // blocks, 96 sectors.
    fs::create_directories(Source());
    WriteFile(Source() / "a.txt", 10, 1);
    EXPECT_EQ(Build("", 95), 1);
    EXPECT_EQ(params_.i32Status, 35);
    EXPECT_FALSE(fs::exists(image_)) << "refused before the target was opened";
    ASSERT_EQ(Build("", 96), 0) << params_.i32Status;
    EXPECT_EQ(fs::file_size(image_), 96u * 512);
    ExpectExtractsToTheSource();
}

TEST_F(IsoImageTest, NamesLongerThan64CharactersAreCutKeepingTheExtension)
{
    fs::create_directories(Source() / std::string(80, 'd'));
    WriteFile(Source() / (std::string(100, 'f') + ".data"), 3000, 1);
    ASSERT_EQ(Build("", 2048), 0) << params_.i32Status;
    ToolResult listing = RunTool({"isoinfo", "-J", "-l", "-i", image_});
    EXPECT_NE(listing.output.find(" " + std::string(59, 'f') + ".data \n"), std::string::npos) << listing.output;
    EXPECT_NE(listing.output.find("Directory listing of /" + std::string(64, 'd') + "/"), std::string::npos);

    // two names that are one once cut: neither could be reached, so nothing is built
    WriteFile(Source() / (std::string(70, 'n') + "1.txt"), 1, 1);
    WriteFile(Source() / (std::string(70, 'n') + "2.txt"), 1, 2);
    fs::remove(image_);
    EXPECT_EQ(Build("", 2048), 1);
    EXPECT_EQ(params_.i32Status, 35);
    EXPECT_FALSE(fs::exists(image_));
}
