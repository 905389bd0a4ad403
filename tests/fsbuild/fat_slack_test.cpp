// What no checker looks at: the bytes after a file's end in its last sector are zeros,
// not the rest of the previous piece read from the source.
#include "build_case.h"
#include "tool_runner.h"
#include "volkiln_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

TEST(FatSlack, TheLastSectorOfAFileIsPaddedWithZeros)
{
    VolkilnLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    std::string source = ::testing::TempDir() + "slack_source_" + std::to_string(::getpid());
    std::filesystem::create_directories(source);
    constexpr std::size_t kSize = (1 << 20) + 123; // the last piece is short; the one before filled the buffer
    std::ofstream(source + "/tail.bin", std::ios::binary) << std::string(kSize, '\xAA');
    std::string image = source + ".img";
    BuildCase row{"slack", kFat32 | kCopy, 200000, 512, 0, 0, 0, "", Tree::None, 0, 0, nullptr};
    FsBuildParams params = ParamsFor(row, source, image);
    ASSERT_EQ(library.CreateFileSystemImage(&params), 0);

    ToolResult chain = RunTool({"mshowfat", "-i", image, "::/tail.bin"});
    ASSERT_EQ(chain.exitCode, 0) << chain.output;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(chain.output, match, std::regex("<(\\d+)-(\\d+)>"))) << chain.output;
    std::uint32_t first = std::stoul(match[1]), last = std::stoul(match[2]);
    ToolResult info = RunTool({"minfo", "-i", image, "::"});
    std::smatch cluster, reserved, fat;
    ASSERT_TRUE(std::regex_search(info.output, cluster, std::regex("cluster size: (\\d+) sectors")));
    ASSERT_TRUE(std::regex_search(info.output, reserved, std::regex("reserved \\(boot\\) sectors: (\\d+)")));
    ASSERT_TRUE(std::regex_search(info.output, fat, std::regex("Big fatlen=(\\d+)")));
    std::uint64_t perCluster = std::stoul(cluster[1]) * 512;
    std::uint64_t dataStart = (std::stoul(reserved[1]) + 2 * std::stoul(fat[1])) * 512;
    EXPECT_EQ(last - first + 1, (kSize + perCluster - 1) / perCluster) << "one run of clusters";
    std::uint64_t end = dataStart + (first - 2) * perCluster + kSize;
    std::ifstream in(image, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(end));
    std::string slack(512 - kSize % 512, '\x01');
    in.read(slack.data(), static_cast<std::streamsize>(slack.size()));
    EXPECT_EQ(slack, std::string(slack.size(), '\0'));
    std::filesystem::remove_all(source);
    std::filesystem::remove(image);
}
