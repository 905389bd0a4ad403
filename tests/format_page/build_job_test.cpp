// One LUN's build thread against a builder that the test holds and finishes: the request
// it fills, the message it ends with, and the trailer that only a good build gets.
#include "console/format_page/image_build_job.h"
#include "console/server_link.h"
#include "format_fakes.h"
#include "job_support.h"
#include "tests/profile/scratch_folder.h"
#include "trailer_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace formattest {
namespace {

class BuildJob : public ::testing::Test {
protected:
    BuildJob() { PortwardenCtrl = &builder; }
    ~BuildJob() override { PortwardenCtrl = nullptr; }

    ImageBuildJob::Order Order(bool trailer, std::u16string source = u"")
    {
        return {0x82, 0x800, 32768, u"LABEL", std::move(source), folder.WideFile("lun.img"), trailer};
    }

    HeldBuilder builder;
    KeptBoxes boxes;
    ScratchFolder folder;
};

TEST_F(BuildJob, FillsTheRequestFromTheLun)
{
    struct Case {
        const char* name;
        BYTE imageType;
        std::u16string source;
        BYTE sentType;
    } cases[] = {
        {"a source folder sets the copy bit", 0x82, u"/src", 0xC2},
        {"no source folder clears it", 0xC1, u"", 0x81},
    };
    for (const Case& c : cases) {
        const std::size_t index = builder.CallCount();
        auto job = ImageBuildJob::Start({c.imageType, 0x800, 32768, u"LABEL", c.source, folder.WideFile("a.img"), false});
        ASSERT_NE(job, nullptr);
        builder.AwaitCalls(index + 1);
        const HeldBuilder::Call call = builder.CallAt(index);
        EXPECT_EQ(call.fsType, c.sentType) << c.name;
        // Copies: the packed fields cannot be bound to references.
        const FsBuildParams sent = *call.request;
        EXPECT_EQ(DWORD{sent.u32DevStartSector}, 0x800u);
        EXPECT_EQ(DWORD{sent.u32TotalSector}, 32768u);
        EXPECT_EQ(INT{sent.i32BytesPerSector}, 512);
        EXPECT_EQ(DWORD{sent.u32PartStart}, 0u);
        EXPECT_EQ(sent.u8BS_RsvSector, 0);
        EXPECT_EQ(sent.u8ClusterExp, 0);
        EXPECT_EQ(call.source, c.source);
        EXPECT_EQ(call.image, folder.WideFile("a.img"));
        EXPECT_EQ(job->Progress(), 40) << "the builder's progress while it runs";
        builder.Finish(index, 0, 1);
        AwaitThread(job->Thread());
        EXPECT_EQ(job->Progress(), 100);
    }
}

// status < 0: the call never reached the builder and left the block as it was given.
TEST_F(BuildJob, EndsWithItsMessageAndATrailerOnlyAfterAGoodBuild)
{
    struct Case {
        const char* name;
        int status;
        INT result;
        bool trailer;
        const char16_t* message;
        UINT icon;
        bool trailerAppended;
    } cases[] = {
        {"built", 0, 1, true, u"Create Success", MB_ICONINFORMATION, true},
        {"built without the trailer switch", 0, 1, false, u"Create Success", MB_ICONINFORMATION, false},
        {"the builder was never reached", -1, 0, true, u"Create Fail", MB_ICONERROR, false},
        {"the label is too long", 34, 0, true, u"Create Fail", MB_ICONERROR, false},
        {"the source folder is missing", 35, 0, true, u"Please indicate the Source Path", MB_ICONWARNING, false},
        {"the ISO builder failed", 33, 0, true, u"Create Fail", MB_ICONERROR, false},
    };
    for (const Case& c : cases) {
        WriteBytes(folder.File("lun.img"), std::string(4096, 'x'));
        boxes.Clear();
        const std::size_t index = builder.CallCount();
        auto job = ImageBuildJob::Start(Order(c.trailer));
        builder.AwaitCalls(index + 1);
        builder.Finish(index, c.status, c.result);
        AwaitThread(job->Thread());
        ASSERT_EQ(boxes.Texts(), std::vector<std::u16string>{c.message}) << c.name;
        EXPECT_EQ(boxes.Boxes()[0].type & 0xF0, c.icon) << c.name;
        EXPECT_EQ(std::filesystem::file_size(folder.File("lun.img")), c.trailerAppended ? 4096u + 17 : 4096u) << c.name;
        if (c.trailerAppended) {
            EXPECT_EQ(TrailerSeenByScript(folder.File("lun.img")), "type=0x82 start=2048 sectors=32768 image=4096");
        }
    }
}

TEST_F(BuildJob, AGoodBuildWhoseTrailerCannotBeWrittenFails)
{
    auto job = ImageBuildJob::Start(Order(true)); // the stand-in writes no image file
    builder.AwaitCalls(1);
    builder.Finish(0, 0, 1);
    AwaitThread(job->Thread());
    EXPECT_EQ(boxes.Texts(), std::vector<std::u16string>{u"Create Fail"});
}

TEST_F(BuildJob, WithoutAServerTheBuildFails)
{
    PortwardenCtrl = nullptr;
    WriteBytes(folder.File("lun.img"), std::string(512, 'x'));
    auto job = ImageBuildJob::Start(Order(true));
    AwaitThread(job->Thread());
    EXPECT_EQ(boxes.Texts(), std::vector<std::u16string>{u"Create Fail"});
    EXPECT_EQ(std::filesystem::file_size(folder.File("lun.img")), 512u);
}

TEST_F(BuildJob, OutlivesThePageThatStartedIt)
{
    WriteBytes(folder.File("lun.img"), std::string(512, 'x'));
    std::weak_ptr<ImageBuildJob> left;
    {
        auto job = ImageBuildJob::Start(Order(true));
        builder.AwaitCalls(1);
        left = job;
    } // the page that started it is gone
    EXPECT_FALSE(left.expired()) << "the running thread holds its job";
    builder.Finish(0, 0, 1);
    while (!left.expired())
        QCoreApplication::processEvents();
    EXPECT_EQ(boxes.Texts(), std::vector<std::u16string>{u"Create Success"});
    EXPECT_EQ(TrailerSeenByScript(folder.File("lun.img")), "type=0x82 start=2048 sectors=32768 image=512");
}

} // namespace
} // namespace formattest
