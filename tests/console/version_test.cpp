// Version resources: what our build writes is read back; files without one, and files
// that only pretend to be ELF, give "no version" without reading outside the file.
#include "platform/base/lasterror.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "platform/version/file_version_text.h"
#include "platform/version/version.h"

#include <gtest/gtest.h>

#include <elf.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

std::u16string Program()
{
    return platform::ProgramFolder() + u"console_platform_test";
}

class VersionFiles : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }

    std::u16string Write(const std::vector<char>& bytes)
    {
        std::ofstream(path_, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return platform::AnsiToWide(path_.string());
    }

    std::filesystem::path path_ = std::filesystem::temp_directory_path() / ("version-" + std::to_string(getpid()));
};

TEST(FileVersion, OurBuildCarriesItsVersionText)
{
    EXPECT_EQ(platform::ReadFileVersionText(Program()), u"7.6.5");
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(Program().c_str(), &handle);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(Program().c_str(), 0, size, block.data()));
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
    WORD pair[2];
    std::memcpy(pair, value, sizeof pair);
    EXPECT_EQ(pair[0], 0x0409);
    EXPECT_EQ(pair[1], 0x04B0);
    EXPECT_FALSE(VerQueryValueW(block.data(), u"\\StringFileInfo\\04070000\\FileVersion", &value, &length))
        << "only the block's own translation has strings";
    EXPECT_FALSE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040904b0\\ProductName", &value, &length));
    EXPECT_FALSE(GetFileVersionInfoW(Program().c_str(), 0, size - 1, block.data())) << "a short buffer is refused";
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(FileVersion, FilesWithoutVersionGiveNone)
{
    DWORD handle = 1;
    EXPECT_EQ(GetFileVersionInfoSizeW((platform::ProgramFolder() + u"libplatform_base.so").c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(GetFileVersionInfoSizeW(u"/no/such/file", &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(VersionFiles, DamagedElfFilesGiveNone)
{
    std::vector<char> program;
    {
        std::ifstream in(platform::WideToAnsi(Program()), std::ios::binary);
        program.assign(std::istreambuf_iterator<char>(in), {});
    }
    Elf64_Ehdr header;
    std::memcpy(&header, program.data(), sizeof header);

    std::vector<std::vector<char>> damaged;
    damaged.emplace_back(program.begin(), program.begin() + 40);              // cut inside the header
    damaged.emplace_back(program.begin(), program.begin() + header.e_shoff); // section table cut away
    std::vector<char> farTable = program;
    Elf64_Ehdr moved = header;
    moved.e_shoff = ~0ull - 16;                                              // offset that wraps around
    std::memcpy(farTable.data(), &moved, sizeof moved);
    damaged.push_back(farTable);
    std::vector<char> badNames = program;
    moved = header;
    moved.e_shstrndx = header.e_shnum;                                       // name table out of range
    std::memcpy(badNames.data(), &moved, sizeof moved);
    damaged.push_back(badNames);
    damaged.push_back({'n', 'o', 't', ' ', 'e', 'l', 'f'});

    for (std::size_t n = 0; n < damaged.size(); ++n) {
        DWORD handle = 0;
        EXPECT_EQ(GetFileVersionInfoSizeW(Write(damaged[n]).c_str(), &handle), 0u) << "case " << n;
    }
    EXPECT_EQ(platform::ReadFileVersionText(Write(program)), u"7.6.5") << "the intact copy still reads";
}

} // namespace
