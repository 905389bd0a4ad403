// Copying file contents into the stream: exactly the listed size, zero padded, and a
// source that cannot be read in full is reported.
#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"
#include "fsbuild/core/volume_access.h"
#include "fsbuild/iso9660/iso_build.h"
#include "fsbuild/iso9660/iso_file_data.h"

#include "scratch_folder.h"
#include "source_fixture.h"

#include "platform/devio/devio.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace iso9660;
using namespace iso9660::testing;

namespace {

std::string FileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FileDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetBuildContext(ctx_);
        ctx_.u64TotalSector = 64;
        ctx_.pu8Progress = &progress_;
        ctx_.hTarget = CreateFileA((work_ / "out.img").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                   nullptr);
        ASSERT_NE(ctx_.hTarget, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseHandle(ctx_.hTarget); }

    ScratchFolder work_{"iso_file_data_test"};
    FsBuildContext ctx_;
    std::uint8_t progress_ = 0;
};

} // namespace

TEST_F(FileDataTest, CopiesTheListedSizeOrReportsASourceThatFallsShort)
{
    struct Case {
        const char* what;
        std::size_t actual;   // bytes in the source file (npos: no file)
        std::uint64_t listed; // size the listing saw
        int result;
    };
    const Case cases[] = {{"same", 3000, 3000, FS_STATUS_SUCCESS},
                          {"grewSinceListing", 3000, 2500, FS_STATUS_SUCCESS},
                          {"shrankSinceListing", 1000, 3000, FS_STATUS_READ_FAIL},
                          {"missing", std::string::npos, 10, FS_STATUS_READ_FAIL},
                          {"emptyAndMissing", std::string::npos, 0, FS_STATUS_READ_FAIL}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::path source = work_ / c.what;
        if (c.actual != std::string::npos)
            std::ofstream(source, std::ios::binary) << std::string(c.actual, 'd');
        IsoNode file;
        file.sourcePath = source.string();
        file.size = c.listed;
        ASSERT_EQ(SeekBuild(ctx_, 0), 0);
        IsoBlockStream out(ctx_);
        ASSERT_EQ(out.Put("head", 4), FS_STATUS_SUCCESS);
        ASSERT_EQ(WriteIsoFileData(out, file), c.result);
        if (c.result != FS_STATUS_SUCCESS)
            continue;
        ASSERT_EQ(out.Flush(), FS_STATUS_SUCCESS);
        ASSERT_EQ(out.Offset(), 4096u) << "padded to whole blocks";
        std::string written = FileText(work_ / "out.img").substr(0, 4096);
        EXPECT_EQ(written, "head" + std::string(c.listed, 'd') + std::string(4096 - 4 - c.listed, '\0'));
    }
}

TEST_F(FileDataTest, AFileThatVanishesAfterTheListingFailsTheBuild)
{
    fs::path source = work_ / "source";
    fs::create_directories(source / "sub");
    WriteFile(source / "sub" / "gone.bin", 5000, 1);
    WriteFile(source / "kept.bin", 10, 2);
    FsBuildContext ctx;
    ResetBuildContext(ctx);
    ctx.u64TotalSector = 4096;
    ctx.strImagePath = work_ / "vanish.iso";
    std::uint8_t progress = 0;
    ctx.pu8Progress = &progress;
    ScopedSourceTree tree;
    ASSERT_TRUE(ScanSourceTree(ctx, source.string(), tree.root()));
    fs::remove(source / "sub" / "gone.bin");
    EXPECT_EQ(RunIsoBuild(ctx, tree.get()), 33);
    EXPECT_EQ(RefreshAndUnlockVolume(ctx), 0);
}
