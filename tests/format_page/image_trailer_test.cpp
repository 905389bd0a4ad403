// The image trailer: what it holds, read back by an independent script; trailers the
// script writes read back by the station; files without one, or too short for one.
#include "engine/lunimage/image_trailer.h"
#include "tests/profile/scratch_folder.h"
#include "trailer_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string Image(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7);
    return bytes;
}

TEST(ImageTrailer, LaidOutByteByByte)
{
    const auto bytes = EncodeImageTrailer({0xC2, 0x00032000, 0x01020304});
    const BYTE expected[kImageTrailerSize] = {'B', 'r', 'a', 'v', 'i', 'o', 'n', 0, 0xC2,
                                              0x00, 0x20, 0x03, 0x00, 0x04, 0x03, 0x02, 0x01};
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), std::begin(expected)));
}

TEST(ImageTrailer, AppendedToAnImageTheScriptReadsItBack)
{
    struct Case {
        std::size_t imageBytes;
        ImageTrailer trailer;
        const char* seen;
    } cases[] = {
        {1048576, {0x01, 0, 32768}, "type=0x01 start=0 sectors=32768 image=1048576"},
        {4096, {0xC2, 0x00032000, 0xFFFFFFFF}, "type=0xC2 start=204800 sectors=4294967295 image=4096"},
        {0, {0x43, 7, 8}, "type=0x43 start=7 sectors=8 image=0"},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        const std::string path = folder.File("lun.img");
        WriteBytes(path, Image(c.imageBytes));
        ASSERT_TRUE(AppendImageTrailer(folder.WideFile("lun.img"), c.trailer));
        EXPECT_EQ(std::filesystem::file_size(path), c.imageBytes + 17);
        EXPECT_EQ(ReadBytes(path).substr(0, c.imageBytes), Image(c.imageBytes)) << "the image stays as it was";
        EXPECT_EQ(TrailerSeenByScript(path), c.seen);
    }
}

TEST(ImageTrailer, TrailersTheScriptWritesAreRead)
{
    ScratchFolder folder;
    const std::string path = folder.File("lun.img");
    WriteBytes(path, Image(2048));
    ASSERT_TRUE(TrailerWrittenByScript(path, 0x83, 0x800, 0x12345678));
    const std::optional<ImageTrailer> trailer = ReadImageTrailer(folder.WideFile("lun.img"));
    ASSERT_TRUE(trailer.has_value());
    EXPECT_EQ(trailer->fsType, 0x83);
    EXPECT_EQ(trailer->startLba, 0x800u);
    EXPECT_EQ(trailer->totalSectors, 0x12345678u);
}

TEST(ImageTrailer, FilesWithoutATrailer)
{
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"no trailer", Image(4096)},
        {"shorter than a trailer", std::string("Bravion\0", 8)},
        {"empty", ""},
        {"the magic without its NUL", Image(100) + "Bravion!" + std::string(9, '\1')},
        {"the magic one byte too early", Image(100) + std::string("Bravion\0", 8) + std::string(10, '\1')},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        WriteBytes(folder.File("lun.img"), c.bytes);
        EXPECT_FALSE(ReadImageTrailer(folder.WideFile("lun.img")).has_value()) << c.name;
        EXPECT_EQ(TrailerSeenByScript(folder.File("lun.img")), "none") << c.name;
    }
    EXPECT_FALSE(ReadImageTrailer(u"/nonexistent/lun.img").has_value());
}

TEST(ImageTrailer, DecodesOnlyWholeTrailers)
{
    const auto bytes = EncodeImageTrailer({0x02, 1, 2});
    EXPECT_TRUE(DecodeImageTrailer(bytes).has_value());
    EXPECT_FALSE(DecodeImageTrailer(std::span<const BYTE>(bytes).first(16)).has_value());
    EXPECT_FALSE(DecodeImageTrailer({}).has_value());
}

TEST(ImageTrailer, AnImageThatCannotBeOpenedGetsNoTrailer)
{
    ScratchFolder folder;
    EXPECT_FALSE(AppendImageTrailer(folder.WideFile("missing.img"), {1, 0, 0}));
    EXPECT_FALSE(std::filesystem::exists(folder.File("missing.img"))) << "no file is made for a trailer";
    std::filesystem::create_directory(folder.File("folder.img"));
    EXPECT_FALSE(AppendImageTrailer(folder.WideFile("folder.img"), {1, 0, 0}));
}

TEST(ImageTrailer, AWriteThatDoesNotReachTheFileFails)
{
    // /dev/full takes no byte: the trailer never reaches it.
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(AppendImageTrailer(u"/dev/full", {1, 0, 0}));
}

} // namespace
