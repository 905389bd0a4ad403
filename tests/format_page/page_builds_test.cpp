// The format page's builds against a builder the test holds and finishes: one running
// build per LUN, progress from the timer, the trailer switch, a page closed while its
// builds run; and Cap From CIS against a stand-in device.
#include "format_fakes.h"
#include "page_fixture.h"
#include "portwarden/block_map.h"
#include "trailer_reader.h"

#include <filesystem>

namespace formattest {
namespace {

class FormatBuilds : public FormatPageTest {
protected:
    void OpenWithImages(DWORD mode)
    {
        Load(LunKeys(0x0F, {16 * MB, 32 * MB, 8 * MB, 16 * MB}, {0, 0x8000, 0x18000, 0x1C000}, {0x01, 0x82, 0x03, 0x01}) +
                 "ImagePublicLunPath=" + folder.File("public.img") + "\nImageSecurityLunPath=" + folder.File("security.img") +
                 "\nImageIso9660LunPath=" + folder.File("cd.iso") + "\nSourceIso9660LunPath=/data/cd\n" +
                 "ImageHiddenLunPath=" + folder.File("hidden.img") + "\nVolumeLable[1]=SECURE\n",
             mode);
        PortwardenCtrl = &builder;
        Open();
    }

    void AwaitBuild(int lun)
    {
        AwaitThread(page->Build(lun)->Thread());
        page->OnTimer(1);
    }

    HeldBuilder builder;
};

TEST_F(FormatBuilds, EachLunBuildsFromItsOwnRequest)
{
    OpenWithImages(0);
    for (int lun = 0; lun < 4; ++lun)
        Click(Ids(lun).createImage);
    builder.AwaitCalls(4);
    struct Case {
        std::u16string image, source;
        BYTE fsType;
        DWORD start, sectors;
    } cases[] = {
        {folder.WideFile("public.img"), u"", 0x01, 0, 16 * MB},
        {folder.WideFile("security.img"), u"", 0x82, 0x8000, 32 * MB},
        {folder.WideFile("cd.iso"), u"/data/cd", 0x43, 0x18000, 8 * MB},
        {folder.WideFile("hidden.img"), u"", 0x01, 0x1C000, 16 * MB},
    };
    std::vector<std::u16string> seen;
    for (std::size_t call = 0; call < 4; ++call)
        seen.push_back(builder.CallAt(call).image);
    for (int lun = 0; lun < 4; ++lun) {
        const auto found = std::find(seen.begin(), seen.end(), cases[lun].image);
        ASSERT_NE(found, seen.end()) << lun;
        const HeldBuilder::Call call = builder.CallAt(found - seen.begin());
        const FsBuildParams sent = *call.request;
        EXPECT_EQ(call.source, cases[lun].source) << lun;
        EXPECT_EQ(call.fsType, cases[lun].fsType) << lun;
        EXPECT_EQ(DWORD{sent.u32DevStartSector}, cases[lun].start) << lun;
        EXPECT_EQ(DWORD{sent.u32TotalSector}, cases[lun].sectors) << lun;
    }
    for (std::size_t call = 0; call < 4; ++call)
        builder.Finish(call, 0, 1);
    for (int lun = 0; lun < 4; ++lun)
        AwaitBuild(lun);
    EXPECT_EQ(boxes.Texts(), std::vector<std::u16string>(4, u"Create Success"));
}

TEST_F(FormatBuilds, TheTimerShowsEachBuildsProgress)
{
    OpenWithImages(0);
    Click(Ids(2).createImage);
    builder.AwaitCalls(1);
    EXPECT_EQ(page->Progress(2).value(), 0) << "nothing shown before the timer";
    page->OnTimer(1);
    EXPECT_EQ(page->Progress(2).value(), 40);
    EXPECT_EQ(page->Progress(0).value(), 0);
    builder.Finish(0, 0, 1);
    AwaitBuild(2);
    EXPECT_EQ(page->Progress(2).value(), 100);
}

// The running build owns its request: a second Create of the LUN waits for it to end.
TEST_F(FormatBuilds, ASecondCreateWhileTheLunBuildsStartsNothing)
{
    OpenWithImages(0);
    Click(Ids(0).createImage);
    builder.AwaitCalls(1);
    EXPECT_FALSE(Enabled(Ids(0).createImage));
    Lines();
    page->StartImageBuild(0);
    EXPECT_TRUE(Wrote("Create Image: LUN 0 is still being built"));
    Click(Ids(1).createImage); // another LUN builds beside it
    builder.AwaitCalls(2);
    builder.Finish(0, 0, 1);
    builder.Finish(1, 0, 1);
    AwaitBuild(0);
    AwaitBuild(1);
    EXPECT_EQ(builder.CallCount(), 2u);
    EXPECT_TRUE(Enabled(Ids(0).createImage));
    Click(Ids(0).createImage);
    builder.AwaitCalls(3);
    builder.Finish(2, 0, 1);
    AwaitBuild(0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::u16string>(3, u"Create Success"));
}

TEST_F(FormatBuilds, TheTrailerSwitch)
{
    struct Case {
        DWORD mode;
        bool trailer;
    } cases[] = {{0x100, true}, {0x000, false}, {0x1FF & ~0x100u, false}};
    for (const Case& c : cases) {
        OpenWithImages(c.mode);
        WriteBytes(folder.File("security.img"), std::string(1024, 'i'));
        const std::size_t index = builder.CallCount();
        Click(Ids(1).createImage);
        builder.AwaitCalls(index + 1);
        builder.Finish(index, 0, 1);
        AwaitBuild(1);
        EXPECT_EQ(TrailerSeenByScript(folder.File("security.img")),
                  c.trailer ? "type=0x82 start=32768 sectors=65536 image=1024" : "none")
            << std::hex << c.mode;
    }
}

// Closing the page leaves each running build its request until it ends.
TEST_F(FormatBuilds, ClosingThePageWhileItsBuildsRun)
{
    OpenWithImages(0x100);
    WriteBytes(folder.File("public.img"), std::string(2048, 'p'));
    Click(Ids(0).createImage);
    builder.AwaitCalls(1);
    Click(Ids(3).createImage);
    builder.AwaitCalls(2);
    std::weak_ptr<ImageBuildJob> first = page->Build(0), second = page->Build(3);
    page.reset();
    builder.Finish(0, 0, 1);
    builder.Finish(1, 35, 0);
    while (!first.expired() || !second.expired())
        QCoreApplication::processEvents();
    std::vector<std::u16string> texts = boxes.Texts();
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"Create Success", u"Please indicate the Source Path"}));
    EXPECT_EQ(TrailerSeenByScript(folder.File("public.img")), "type=0x01 start=0 sectors=32768 image=2048");
    EXPECT_FALSE(std::filesystem::exists(folder.File("hidden.img")));
}

// A device on port 1 whose CIS gives LUNs 0..2 512, 256 and 8 MB, with room for them.
class FormatCapFromCis : public FormatPageTest {
protected:
    void LoadFlashDrive(DWORD bits)
    {
        Load(LunKeys(bits, {MB, MB, MB, 0}), kFabrunModeFlashDrive);
        map.ceCount = 1;
        map.channelCount = 1;
        frame->BlockMapHandle = &map; // 95 % of 0x200000 sectors: 972 MB
        PlugIn(1);
        PortwardenCtrl = &device;
        PortwardenCtrl2 = &device;
    }

    UFDBlockMap map{};
    CisDevice device;
};

TEST_F(FormatCapFromCis, TheBoxReadsTheFirstPresentDevice)
{
    LoadFlashDrive(0x07);
    Open();
    EXPECT_EQ(device.openCalls, 0) << "the bit is clear: the record's capacities";
    EXPECT_EQ(Text(Ids(0).capacity), u"1");
    Click(IDC_FORMAT_CAP_FROM_CIS);
    EXPECT_EQ(Record().LunTypeBitMap & kLunCapFromCis, kLunCapFromCis);
    EXPECT_EQ(device.openedPath, "\\\\?\\usbstor#disk&ven_bench#1");
    EXPECT_EQ(device.closeCalls, 1);
    for (int lun = 0; lun < 4; ++lun) {
        EXPECT_EQ(Capacity(lun), device.capacities[lun]) << lun;
        EXPECT_EQ(frame->PortLunCapacities[1][lun], device.capacities[lun]) << lun;
        EXPECT_EQ(platform::WideToUtf8(Text(Ids(lun).capacity)), std::to_string(device.capacities[lun] >> 11)) << lun;
    }
    EXPECT_EQ(Record().CISImage.Dword(cis::kBlockAddresses), 0x120u);
    Click(IDC_FORMAT_CAP_FROM_CIS);
    EXPECT_EQ(Record().LunTypeBitMap & kLunCapFromCis, 0u);
}

TEST_F(FormatCapFromCis, WithTheBitSetThePageOpensWithTheDevicesCapacities)
{
    LoadFlashDrive(kLunCapFromCis | 0x07);
    Open();
    EXPECT_TRUE(Checked(IDC_FORMAT_CAP_FROM_CIS));
    EXPECT_EQ(Capacity(0), device.capacities[0]);
    EXPECT_EQ(Text(Ids(1).capacity), u"256");
}

TEST_F(FormatCapFromCis, AFailedReadShowsTheRecordsCapacities)
{
    struct Case {
        const char* name;
        bool opens, addressesRead, blockRead;
        DWORD firstAddress;
    } cases[] = {
        {"no disk", false, true, true, 0x120},
        {"no system addresses", true, false, true, 0x120},
        {"no CIS on the device", true, true, true, 0xFFFFFFFF},
        {"no CIS block", true, true, false, 0x120},
    };
    for (const Case& c : cases) {
        LoadFlashDrive(0x07);
        device = CisDevice{};
        device.opens = c.opens;
        device.addressesRead = c.addressesRead;
        device.blockRead = c.blockRead;
        device.blockAddresses[0] = c.firstAddress;
        Open();
        Click(IDC_FORMAT_CAP_FROM_CIS);
        EXPECT_FALSE(page->CapacityFromCIS(1)) << c.name;
        for (int lun = 0; lun < 3; ++lun) {
            EXPECT_EQ(Capacity(lun), MB) << c.name << " LUN " << lun;
            EXPECT_EQ(Text(Ids(lun).capacity), u"1") << c.name;
            EXPECT_EQ(frame->PortLunCapacities[1][lun], 0u) << c.name;
        }
    }
}

} // namespace
} // namespace formattest
