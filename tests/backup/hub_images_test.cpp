// The combined images byte for byte against an independent builder, with hub and device
// files at, below and above their limits, and the builders' messages.
#include "backup_support.h"
#include "engine/backup/hub_image_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

using backuptest::BackupTest;
using backuptest::RandomBytes;
using backuptest::ReadFile;
using backuptest::WriteFile;

struct ImageCase {
    const char* kind;
    std::size_t hubSize;
    std::size_t deviceSize;
    std::vector<std::u16string> messages; // before the final one
};

std::vector<BYTE> Independent(const ScratchFolder& folder, const ImageCase& c)
{
    const std::string out = folder.File("expected.bin");
    const std::string command = std::string(FABRUN_PYTHON3) + " " + HUB_IMAGE_BUILDER + " " + c.kind + " " +
                                folder.File("hub.bin") + " " + folder.File("device.bin") + " " + out;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadFile(out);
}

class HubImage : public BackupTest, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(HubImage, EqualsTheIndependentBuilder)
{
    const ImageCase& c = GetParam();
    WriteFile(folder.File("hub.bin"), RandomBytes(c.hubSize, 11));
    WriteFile(folder.File("device.bin"), RandomBytes(c.deviceSize, 12));
    settings.CisSetting.FilePathOfFW2 = folder.WideFile("hub.bin");
    settings.CisSetting.FilePathOfFW = folder.WideFile("device.bin");
    const bool is521 = std::string(c.kind) == "521";
    ASSERT_TRUE(is521 ? BuildHubAnd521Image(settings) : BuildHubAnd522Image(settings));

    const std::string name = std::string("HubAnd") + c.kind + ".Bin";
    const std::vector<BYTE> built = ReadFile(folder.File(name));
    const std::vector<BYTE> expected = Independent(folder, c);
    ASSERT_EQ(built.size(), is521 ? 0x1C000u : 0x40000u);
    EXPECT_TRUE(built == expected) << name << " differs from the independent image";
    std::vector<std::u16string> messages = c.messages;
    messages.push_back(platform::Utf8ToWide("Create <" + name + "> From FWFile OK"));
    EXPECT_EQ(Texts(), messages);
}

const std::u16string kHubSize = u"Hub FW Size Error!!";
const std::u16string k521Size = u"521 FW Size Error!!";
const std::u16string k522Size = u"522 FW Size Error!!";

INSTANTIATE_TEST_SUITE_P(
    Sizes, HubImage,
    ::testing::Values(ImageCase{"521", 0x10000, 0xC000, {}}, ImageCase{"521", 0xFFFF, 0xBFFF, {}},
                      ImageCase{"521", 0x10001, 0xC001, {kHubSize, k521Size}}, ImageCase{"521", 0x300, 0x20000, {k521Size}},
                      ImageCase{"521", 0, 0, {}},
                      // A device image up to 32 KiB keeps its second copy at 0x28000, a larger one at 0x30000.
                      ImageCase{"522", 0x10000, 0x8000, {}}, ImageCase{"522", 0x8000, 0x8001, {}},
                      ImageCase{"522", 0xFFFF, 0x7FFF, {}}, ImageCase{"522", 0x1234, 0x10000, {}},
                      ImageCase{"522", 0x10001, 0x10001, {kHubSize, k522Size}}, ImageCase{"522", 0x20000, 0xFFFF, {kHubSize}}));

TEST_F(BackupTest, A522DeviceImageOf32KiBLeavesTheLastQuarterErased)
{
    const std::vector<BYTE> device = RandomBytes(0x8000, 5);
    WriteFile(folder.File("hub.bin"), RandomBytes(0x100, 4));
    WriteFile(folder.File("device.bin"), device);
    settings.CisSetting.FilePathOfFW2 = folder.WideFile("hub.bin");
    settings.CisSetting.FilePathOfFW = folder.WideFile("device.bin");
    ASSERT_TRUE(BuildHubAnd522Image(settings));
    const std::vector<BYTE> image = ReadFile(folder.File("HubAnd522.Bin"));
    EXPECT_TRUE(std::equal(device.begin(), device.end(), image.begin() + 0x20000));
    EXPECT_TRUE(std::equal(device.begin(), device.end(), image.begin() + 0x28000));
    EXPECT_TRUE(std::all_of(image.begin() + 0x30000, image.end(), [](BYTE b) { return b == 0xFF; }));
}

TEST_F(BackupTest, AnImageThatCannotBeWrittenIsReported)
{
    WriteFile(folder.File("hub.bin"), RandomBytes(0x100, 4));
    WriteFile(folder.File("device.bin"), RandomBytes(0x100, 5));
    settings.CisSetting.FilePathOfFW2 = folder.WideFile("hub.bin");
    settings.CisSetting.FilePathOfFW = folder.WideFile("device.bin");
    std::filesystem::create_directory(folder.File("HubAnd521.Bin")); // in the way of the image
    EXPECT_FALSE(BuildHubAnd521Image(settings));
    EXPECT_EQ(Texts(), std::vector<std::u16string>{u"Create <HubAnd521.Bin> Fail"});
}

struct RefusalCase {
    const char* name;
    bool device;
    bool hub;
    bool hubReadable;
    std::u16string message;
};

class ImageRefused : public BackupTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ImageRefused, ShowsWhyAndWritesNothing)
{
    const RefusalCase& c = GetParam();
    WriteFile(folder.File("device.bin"), RandomBytes(0x100, 1));
    if (c.hubReadable)
        WriteFile(folder.File("hub.bin"), RandomBytes(0x100, 2));
    if (c.device)
        settings.CisSetting.FilePathOfFW = folder.WideFile("device.bin");
    if (c.hub)
        settings.CisSetting.FilePathOfFW2 = folder.WideFile("hub.bin");
    for (bool is521 : {true, false}) {
        boxes.clear();
        EXPECT_FALSE(is521 ? BuildHubAnd521Image(settings) : BuildHubAnd522Image(settings));
        ASSERT_EQ(boxes.size(), 1u) << c.name;
        std::u16string expected = c.message.empty() ? u"Can't read the hub firmware file:\n" + folder.WideFile("hub.bin") : c.message;
        if (const auto at = expected.find(u"52?"); at != std::u16string::npos)
            expected.replace(at, 3, is521 ? u"521" : u"522");
        EXPECT_EQ(boxes[0].text, expected) << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder.File(is521 ? "HubAnd521.Bin" : "HubAnd522.Bin"))) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageRefused,
    ::testing::Values(RefusalCase{"no device file", false, true, true, u"No RZ52? FW To Create"},
                      RefusalCase{"neither file", false, false, false, u"No RZ52? FW To Create"},
                      RefusalCase{"no hub file", true, false, true, u"No Hub FW To Create"},
                      RefusalCase{"hub file missing", true, true, false, u""}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

} // namespace
