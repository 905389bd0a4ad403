#include "fsbuild/core/sector_writer.h"

#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<char> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A build context writing into a fresh image file of `sectors` 512-byte sectors.
class SectorWriterTest : public ::testing::Test {
protected:
    // A handle opened for reading only: every write through it fails.
    void Open(std::uint64_t sectors, DWORD access = GENERIC_READ | GENERIC_WRITE)
    {
        path_ = ::testing::TempDir() + "sector_writer_" + std::to_string(::getpid()) + ".img";
        ResetBuildContext(ctx_);
        ctx_.u64TotalSector = sectors;
        ctx_.u8IoRetry = 5;
        ctx_.pu8Progress = &progress_;
        ctx_.hTarget = CreateFileA(path_.c_str(), access, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(ctx_.hTarget, INVALID_HANDLE_VALUE);
    }
    void TearDown() override
    {
        if (ctx_.hTarget != INVALID_HANDLE_VALUE)
            CloseHandle(ctx_.hTarget);
        std::remove(path_.c_str());
    }
    FsBuildContext ctx_;
    std::uint8_t progress_ = 0;
    std::string path_;
};

} // namespace

TEST_F(SectorWriterTest, TransfersThatReachBeyondTheTargetAreRefusedUntouched)
{
    Open(4);
    struct Case {
        std::uint64_t position;
        std::uint32_t count;
        bool accepted;
    };
    const Case cases[] = {{0, 512, true}, {3 * 512, 512, true}, {4 * 512, 512, false}, {3 * 512 + 1, 512, false},
                          {1ull << 40, 512, false}};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> buffer(c.count, 0xAB);
        EXPECT_EQ(ReadWriteSectors(ctx_, c.position, c.count, buffer.data(), true), c.accepted ? std::int64_t{c.count} : -1)
            << "position " << c.position;
    }
    EXPECT_EQ(FileBytes(path_).size(), 4u * 512) << "nothing written past the last sector";
    EXPECT_EQ(SeekBuild(ctx_, 4 * 512), 0) << "the end itself is a valid sequential position";
    EXPECT_EQ(SeekBuild(ctx_, 4 * 512 + 1), -1);
    EXPECT_EQ(SeekBuild(ctx_, -1), -1);
}

TEST_F(SectorWriterTest, AFailingWriteIsTriedOnceAndAgainPerRetry)
{
    Open(8, GENERIC_READ);
    std::vector<std::string> lines;
    auto previous = platform::SetDebugSink([&](std::string_view line) { lines.emplace_back(line); });
    std::vector<std::uint8_t> sector(512);
    EXPECT_EQ(ReadWriteSectors(ctx_, 0, 512, sector.data(), true), -1);
    platform::SetDebugSink(previous);
    ASSERT_EQ(lines.size(), 6u) << "1 + u8IoRetry (5) attempts";
    EXPECT_NE(lines.back().find("attempt 6 of 6"), std::string::npos) << lines.back();
}

// The total and the device start may count sectors of different sizes (NTFS counts its total
// in its own sectors and the device start in 512 bytes): the limit follows the one, the shift
// the other.
TEST_F(SectorWriterTest, DeviceTargetsAreShiftedAndLimitedEachInTheirOwnSectors)
{
    Open(16);
    ctx_.bDevice = true;
    ctx_.u32DevStartSector = 3;
    struct Case {
        std::uint32_t targetSectorBytes, devStartSectorBytes;
    };
    for (const Case& c : {Case{512, 512}, Case{2048, 2048}, Case{4096, 512}}) {
        SCOPED_TRACE(testing::Message() << c.targetSectorBytes << " / " << c.devStartSectorBytes);
        ctx_.u32TargetSectorBytes = c.targetSectorBytes;
        ctx_.u32DevStartSectorBytes = c.devStartSectorBytes;
        std::uint64_t lastSector = 15ull * c.targetSectorBytes;
        std::vector<std::uint8_t> marker(16, 0x5A);
        ASSERT_EQ(ReadWriteSectors(ctx_, lastSector, 16, marker.data(), true), 16) << "the last sector";
        EXPECT_EQ(ReadWriteSectors(ctx_, lastSector + c.targetSectorBytes, 16, marker.data(), true), -1) << "past it";
        std::vector<char> bytes = FileBytes(path_);
        std::size_t expectedOffset = 3 * c.devStartSectorBytes + lastSector;
        ASSERT_GE(bytes.size(), expectedOffset + 16);
        EXPECT_EQ(static_cast<unsigned char>(bytes[expectedOffset]), 0x5A);
    }
}

TEST_F(SectorWriterTest, SequentialWritesAdvanceAndRaiseProgressUpTo95)
{
    Open(64);
    ctx_.u64NeededBytes = 16 * 512;
    std::vector<std::uint8_t> data(4 * 512, 1);
    std::vector<int> seen;
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(WriteSequential(ctx_, data.data(), data.size()), static_cast<std::int64_t>(data.size()));
        seen.push_back(progress_);
    }
    EXPECT_EQ(ctx_.u64Position, 6u * 4 * 512);
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 95, 95, 95}));
    progress_ = 99;
    AddProgress(ctx_, 512);
    EXPECT_EQ(progress_, 99) << "the progress byte is never lowered";
    ASSERT_EQ(SeekBuild(ctx_, 0), 0);
    std::vector<std::uint8_t> back(512);
    EXPECT_EQ(ReadSequential(ctx_, back.data(), 512), 512);
    EXPECT_EQ(back[0], 1);
    EXPECT_EQ(ctx_.u64Position, 512u);
}
