#include "fsbuild/core/mbr.h"

#include "tool_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

TEST(MasterBootRecord, ChsFieldsFollowTheLbaAndSaturate)
{
    struct Case {
        std::uint32_t lba;
        std::array<std::uint8_t, 3> chs; // head, sector | cylinder bits 8-9, cylinder bits 0-7
    };
    const Case cases[] = {
        {0, {0, 1, 0}},
        {32, {0, 33, 0}},
        {63, {1, 1, 0}},
        {16064, {254, 63, 0}},            // last sector of cylinder 0
        {16065, {0, 1, 1}},               // first of cylinder 1
        {16065 * 256, {0, 1 | 0x40, 0}},  // cylinder 256 puts bit 8 into the sector byte
        {16065 * 1024 - 1, {254, 63 | 0xC0, 0xFF}},
        {16065 * 1024, {254, 63 | 0xC0, 0xFF}}, // beyond cylinder 1023: saturated
        {0xFFFFFFFF, {254, 63 | 0xC0, 0xFF}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChsOfLba(c.lba), c.chs) << "LBA " << c.lba;
}

TEST(MasterBootRecord, RecordIsReadBackByThePartitionTool)
{
    std::uint8_t record[512];
    BuildMasterBootRecord(record, 2048, 8'000'000 - 2048, kPartitionTypeFat32, {0x12, 0x34, 0x56, 0x78});
    EXPECT_EQ(record[0], kMbrBootCode[0]);
    EXPECT_EQ(record[440], 0x12);
    EXPECT_EQ(record[446], 0x80) << "active";
    EXPECT_EQ(record[510], 0x55);
    EXPECT_EQ(record[511], 0xAA);
    std::string image = ::testing::TempDir() + "mbr_record_" + std::to_string(::getpid()) + ".img";
    {
        std::ofstream out(image, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(record), sizeof record);
        out.seekp(8'000'000ll * 512 - 1);
        out.put('\0');
    }
    ToolResult dump = RunTool({"sfdisk", "--dump", image});
    ASSERT_EQ(dump.exitCode, 0) << dump.output;
    EXPECT_NE(dump.output.find("label-id: 0x78563412"), std::string::npos) << dump.output;
    EXPECT_NE(dump.output.find("start=        2048, size=     7997952, type=b, bootable"), std::string::npos)
        << dump.output;
    ToolResult verify = RunTool({"sfdisk", "--verify", image});
    EXPECT_EQ(verify.exitCode, 0) << verify.output;
    std::remove(image.c_str());
}

TEST(MasterBootRecord, SignatureCounterAdvancesFourPerRecordAndWrapsPast50Safely)
{
    FsBuildContext ctx;
    ResetBuildContext(ctx);
    DiskSignatureCounter counter;
    for (int record = 1; record <= 13; ++record) {
        NextDiskSignature(ctx, counter);
        EXPECT_EQ(counter.value, record == 13 ? 0 : 4 * record) << "record " << record;
    }
    // 13 records make one cycle of the counter; concurrent builds must not lose a step.
    DiskSignatureCounter shared;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&shared, t] {
            FsBuildContext local;
            ResetBuildContext(local);
            for (int i = 0; i < 13 * 50 + t; ++i)
                NextDiskSignature(local, shared);
        });
    for (std::thread& thread : threads)
        thread.join();
    int total = 8 * 13 * 50 + (0 + 1 + 2 + 3 + 4 + 5 + 6 + 7);
    EXPECT_EQ(shared.value, 4 * (total % 13));
}
