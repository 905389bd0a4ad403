// The format page building all four LUN images through the real server and image builder:
// each build's progress up to 100, the trailer read back by an independent script, and
// each image less its trailer (what the worker writes to a device) judged by the
// file-system checkers; failed builds leave their image files without a trailer.
#include "fat_checkers.h"
#include "iso_checkers.h"
#include "page_fixture.h"
#include "source_trees.h"
#include "tests/server_shell/registered_server.h"
#include "trailer_reader.h"

#include <filesystem>
#include <map>

namespace formattest {
namespace {

namespace fs = std::filesystem;

class FormatServerBuilds : public FormatPageTest, protected fabrun_test::ServerSession {
protected:
    void SetUp() override
    {
        StartSession();
        ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        ASSERT_NE(ctrl, nullptr);
    }
    void TearDown() override
    {
        Close();
        if (ctrl != nullptr)
            ctrl->Release();
        EndSession();
    }

    void OpenPage(const std::string& keys)
    {
        Load(keys, 0x100);
        PortwardenCtrl = ctrl;
        Open();
    }

    // Until every started build has ended, the timer's view of each: the progress values
    // its bar showed, in order.
    std::map<int, std::vector<int>> AwaitBuilds()
    {
        std::map<int, std::vector<int>> shown;
        for (bool running = true; running;) {
            running = false;
            page->OnTimer(1);
            for (int lun = 0; lun < 4; ++lun) {
                if (page->Build(lun) == nullptr)
                    continue;
                std::vector<int>& values = shown[lun];
                if (values.empty() || values.back() != page->Progress(lun).value())
                    values.push_back(page->Progress(lun).value());
                running = running || !page->Build(lun)->Finished();
            }
            if (running)
                AwaitThreadBriefly();
        }
        page->OnTimer(1);
        for (auto& [lun, values] : shown)
            if (values.back() != page->Progress(lun).value())
                values.push_back(page->Progress(lun).value());
        return shown;
    }

    // The image as the worker writes it: the file less its trailer.
    std::string WithoutTrailer(const std::string& image)
    {
        const std::string copy = image + ".lun";
        fs::copy_file(image, copy, fs::copy_options::overwrite_existing);
        fs::resize_file(copy, fs::file_size(image) - 17);
        return copy;
    }

    static void AwaitThreadBriefly()
    {
        QCoreApplication::processEvents();
        Sleep(5);
    }

    IPortwardenCtrl* ctrl = nullptr;
};

struct LunBuild {
    BuildCase row;
    const char* image;
    DWORD start;
};

TEST_F(FormatServerBuilds, FourLunImagesWithProgressAndTrailers)
{
    const LunBuild luns[4] = {
        {{"public_fat16", kFat16 | kCopy, 24 * MB, 512, 0, 0, 0, "PUBLIC", Tree::Mixed, 0, 0, &kFatChecks}, "public.img", 0},
        {{"security_fat32_mbr", kFat32 | kCopy | kMbr, 40 * MB, 512, 0, 0, 0, "SECURE", Tree::Root8, 0, 0, &kFatChecks},
         "security.img", 24 * MB},
        {{"iso9660", kIso | kCopy, 16 * MB, 512, 0, 0, 0, "CDROM", Tree::Mixed, 0, 0, &kIsoChecks}, "cd.iso", 64 * MB},
        {{"hidden_fat16_mbr", kFat16 | kMbr, 16 * MB, 512, 0, 0, 0, "HIDDEN", Tree::None, 0, 0, &kFatChecks},
         "hidden.img", 80 * MB},
    };
    const char* names[4] = {"Public", "Security", "Iso9660", "Hidden"};
    std::string keys = "LunTypeBitMap=0x0000000F\nUSB_MaxLUN=3\n";
    for (int lun = 0; lun < 4; ++lun) {
        const LunBuild& build = luns[lun];
        keys += platform::WideToUtf8(platform::FormatWide(
            "LunCapacity[%d]=0x%08X\nLunStartLBA[%d]=0x%08X\nImageType[%d]=0x%02X\nVolumeLable[%d]=%s\n", lun,
            static_cast<unsigned>(build.row.totalSectors), lun, static_cast<unsigned>(build.start), lun,
            build.row.fsType & 0x8F, lun, build.row.label));
        keys += std::string("Image") + names[lun] + "LunPath=" + folder.File(build.image) + "\n";
        keys += std::string("Source") + names[lun] + "LunPath=" + SourceTreePath(build.row.tree) + "\n";
    }
    OpenPage(keys);
    for (int lun = 0; lun < 4; ++lun)
        Click(Ids(lun).createImage);
    const std::map<int, std::vector<int>> progress = AwaitBuilds();

    EXPECT_EQ(boxes.Texts(), std::vector<std::u16string>(4, u"Create Success"));
    for (int lun = 0; lun < 4; ++lun) {
        const LunBuild& build = luns[lun];
        SCOPED_TRACE(build.row.name);
        const std::vector<int>& shown = progress.at(lun);
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << "the bar only moves on";
        EXPECT_EQ(shown.back(), 100);
        const std::string image = folder.File(build.image);
        const std::uintmax_t imageBytes = fs::file_size(image) - 17;
        EXPECT_EQ(TrailerSeenByScript(image),
                  platform::WideToUtf8(platform::FormatWide("type=0x%02X start=%u sectors=%u image=%ju", build.row.fsType,
                                              static_cast<unsigned>(build.start),
                                              static_cast<unsigned>(build.row.totalSectors), imageBytes)));
        const BuiltImage built{build.row, WithoutTrailer(image), SourceTreePath(build.row.tree), ImageAreaOffset(build.row),
                               VolumeOffset(build.row), FileSystemSectorBytes(build.row)};
        for (Checker check : *build.row.checks)
            EXPECT_TRUE(check(built));
    }
}

TEST_F(FormatServerBuilds, FailedBuildsGetNoTrailer)
{
    const std::string stale(4096, 's');
    WriteBytes(folder.File("small.img"), stale);
    // LUN 0: FAT16 cannot be laid on 4 MB; LUN 2: an ISO9660 image needs its source folder.
    OpenPage(LunKeys(0x05, {4 * MB, 0, 8 * MB, 0}, {0, 0, 4 * MB, 0}, {0x01, 0x02, 0x03, 0x02}) +
             "ImagePublicLunPath=" + folder.File("small.img") + "\nImageIso9660LunPath=" + folder.File("cd.iso") + "\n");
    Click(Ids(0).createImage);
    AwaitBuilds();
    Click(Ids(2).createImage);
    AwaitBuilds();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::u16string>{u"Create Fail", u"Please indicate the Source Path"}));
    EXPECT_EQ(ReadBytes(folder.File("small.img")), stale) << "the old image is left as it was, without a trailer";
    EXPECT_FALSE(fs::exists(folder.File("cd.iso")));
    EXPECT_EQ(page->Progress(0).value(), 100);
}

} // namespace
} // namespace formattest
