// ReadWriteBlock: the protected transfer of CIS and ISP blocks. Encryption goes off and the
// ECC to its strongest setting for the transfer, and whatever was changed is put back; the
// table pins the register sequence with each of its failures, the result and the lines.
// Then what the block store holds: read back as written under protection, changed when
// written without it.
#include "tests/server_vendor/vendor_bench.h"

#include "sim/disk/controller_commands.h"

#include <cstring>

namespace {

using namespace vendortest;
using sim::CommandPattern;
using sim::FaultKind;
using sim::FaultRule;

constexpr INT kBlock = 0x200;
constexpr INT kCisKind = 2;
constexpr INT kIspKind = 4;
constexpr INT kLength = 1024;

PackedBlockTag Tag(const char* text)
{
    PackedBlockTag tag{};
    std::memcpy(tag.characters, text, 6);
    return tag;
}

const CommandPattern kEncryptionRead = CommandPattern::Vendor(0x01, 0x04).Address16(0x2809);
const CommandPattern kEncryptionWrite = CommandPattern::Vendor(0x01, 0x05).Address16(0x2809);
const CommandPattern kEccRead = CommandPattern::Vendor(0x01, 0x04).Address16(0x2608);
const CommandPattern kEccWrite = CommandPattern::Vendor(0x01, 0x05).Address16(0x2608);
const CommandPattern kBlockRead = CommandPattern::Vendor(0x95, 0x89);

std::vector<std::string> Repeat(const std::string& line, int times)
{
    return std::vector<std::string>(static_cast<std::size_t>(times), line);
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::vector<std::string> kProtect = {"read 2809", "write 2809=00", "read 2608", "write 2608=06"};
const std::vector<std::string> kRestore = {"write 2809=01", "write 2608=05"};
const std::string kCisRead = "block read flags=80 kind=02";
const std::string kCisWrite = "block write flags=80 kind=02 tag=CISSYS";
const std::string kEncryptionRetry = " Retry Read Encryption Register2";
const std::string kEccRetry = " Retry Read ECC Setting Register2";
const std::string kRetryOver = " ReadWriteBlock Retry Over!!";

struct SequenceCase {
    std::string name;
    BYTE rd;
    const char* tag;
    INT kind;
    INT flags;
    std::vector<FaultRule> faults;
    std::vector<std::string> sequence;
    INT result;
    std::vector<std::string> lines;
    unsigned sleptMs;
    BYTE encryptionAfter = 0x01;
    BYTE eccAfter = 0x05;
};

class BlockTransfer : public VendorBench {
protected:
    INT Transfer(BYTE rd, const char* tag, INT kind, INT flags, BYTE* buffer, INT length = kLength, INT block = kBlock)
    {
        return ctrl2->ReadWriteBlock(handles, kFlashPort, rd, kind, flags, Tag(tag), block, length, buffer);
    }

    std::vector<BYTE> Data(BYTE seed) const
    {
        std::vector<BYTE> data(kLength);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<BYTE>(seed + i * 3);
        return data;
    }
};

TEST_F(BlockTransfer, RegisterSequenceOfEveryPath)
{
    const std::vector<SequenceCase> cases = {
        {"CIS read, protected", 1, "CISSYS", kCisKind, 0x00, {}, Join({kProtect, {kCisRead}, kRestore}), 1,
         {" @@ MaxECC"}, 30},
        {"CIS write, protected", 0, "CISSYS", kCisKind, 0x00, {}, Join({kProtect, {kCisWrite}, kRestore}), 1,
         {" @@ MaxECC"}, 20},
        {"ISP write, protected, other flags kept", 0, "ISPSYS", kIspKind, 0x01, {},
         Join({kProtect, {"block write flags=81 kind=04 tag=ISPSYS"}, kRestore}), 1, {}, 20},
        {"ISP with flag 0x40 goes unprotected, the flag cleared", 0, "ISPSYS", kIspKind, 0x41, {},
         {"block write flags=01 kind=04 tag=ISPSYS"}, 1, {}, 0},
        {"another tag goes unprotected, its flags as given", 1, "RWTest", kCisKind, 0x40, {},
         {"block read flags=40 kind=02"}, 1, {}, 10},
        {"encryption register answers at the third read", 1, "CISSYS", kCisKind, 0,
         {{kEncryptionRead, FaultKind::CheckCondition, 1, 2, {}}},
         Join({{"read 2809", "read 2809"}, kProtect, {kCisRead}, kRestore}), 1,
         {kEncryptionRetry, kEncryptionRetry, " @@ MaxECC"}, 30},
        {"encryption register reads 0xFF ten times: nothing changed", 1, "CISSYS", kCisKind, 0,
         {{kEncryptionRead, FaultKind::Reply, 1, 0, {0xFF}}}, Repeat("read 2809", 10), 0,
         Join({Repeat(kEncryptionRetry, 10), {kRetryOver}}), 0},
        {"encryption not switched off: put back, failed", 1, "CISSYS", kCisKind, 0,
         {{kEncryptionWrite, FaultKind::CheckCondition, 1, 1, {}}}, {"read 2809", "write 2809=00", "write 2809=01"}, 0,
         {" ReadWriteBlock: encryption not switched off"}, 0},
        {"ECC register never answers: encryption switched on again", 1, "CISSYS", kCisKind, 0,
         {{kEccRead, FaultKind::FailedCall, 1, 0, {}}},
         Join({{"read 2809", "write 2809=00"}, Repeat("read 2608", 10), {"write 2809=01"}}), 0,
         Join({Repeat(kEccRetry, 10), {kRetryOver}}), 0},
        {"ECC setting not changed: both put back", 0, "CISSYS", kCisKind, 0,
         {{kEccWrite, FaultKind::CheckCondition, 1, 1, {}}}, Join({kProtect, kRestore}), 0,
         {" ReadWriteBlock: ECC setting not changed"}, 0},
        {"failed transfer: both restored, failed", 1, "CISSYS", kCisKind, 0,
         {{kBlockRead, FaultKind::FailedCall, 1, 1, {}}}, Join({kProtect, {kCisRead}, kRestore}), 0,
         {" @@ MaxECC", "BAR_ERR"}, 30},
        {"encryption restore retried once", 0, "CISSYS", kCisKind, 0,
         {{kEncryptionWrite, FaultKind::CheckCondition, 2, 1, {}}},
         Join({kProtect, {kCisWrite, "write 2809=01"}, kRestore}), 1,
         {" @@ MaxECC", " Retry ReadWriteXdata[0x2809]"}, 30},
        {"encryption not restored: the call fails, ECC still restored", 0, "CISSYS", kCisKind, 0,
         {{kEncryptionWrite, FaultKind::CheckCondition, 2, 2, {}}},
         Join({kProtect, {kCisWrite, "write 2809=01"}, kRestore}), 0,
         {" @@ MaxECC", " Retry ReadWriteXdata[0x2809]", " ReadWriteBlock: register 0x2809 not restored to 0x01"}, 30,
         0x00, 0x05},
        {"ECC not restored: the call fails", 1, "CISSYS", kCisKind, 0, {{kEccWrite, FaultKind::CheckCondition, 2, 2, {}}},
         Join({kProtect, {kCisRead}, kRestore, {"write 2608=05"}}), 0,
         {" @@ MaxECC", " Retry ReadWriteXdata[0x2608]", " ReadWriteBlock: register 0x2608 not restored to 0x05"}, 40,
         0x01, 0x06},
    };
    std::vector<BYTE> buffer(kLength, 0x5A);
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        flash().ClearFaultRules();
        flash().SetXdata(0x2809, 0x01);
        flash().SetXdata(0x2608, 0x05);
        for (const FaultRule& rule : c.faults)
            flash().AddFaultRule(rule);
        flash().ClearCommands();
        lines.Take();
        const std::int64_t before = clock.clock().SleptTotal();
        EXPECT_EQ(Transfer(c.rd, c.tag, c.kind, c.flags, buffer.data()), c.result);
        EXPECT_EQ(Describe(flash().Commands()), c.sequence);
        EXPECT_EQ(lines.Take(), c.lines);
        EXPECT_EQ(clock.clock().SleptTotal() - before, std::int64_t{c.sleptMs} * 10'000) << "waits in 100 ns units";
        EXPECT_EQ(flash().Xdata(0x2809), c.encryptionAfter);
        EXPECT_EQ(flash().Xdata(0x2608), c.eccAfter);
    }
}

// ReadWriteXdata sends once more, 10 ms later, when its first attempt failed.
TEST_F(BlockTransfer, XdataAccessIsRetriedOnce)
{
    struct Case {
        const char* name;
        unsigned failures;
        INT result;
        std::vector<std::string> sequence;
        std::vector<std::string> lines;
        unsigned sleptMs;
    };
    const Case cases[] = {
        {"first attempt answers", 0, 1, {"read 2809"}, {}, 0},
        {"second attempt answers", 1, 1, {"read 2809", "read 2809"}, {" Retry ReadWriteXdata[0x2809]"}, 10},
        {"neither answers", 2, 0, {"read 2809", "read 2809"}, {" Retry ReadWriteXdata[0x2809]"}, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flash().ClearFaultRules();
        if (c.failures != 0)
            flash().AddFaultRule({kEncryptionRead, FaultKind::CheckCondition, 1, c.failures, {}});
        flash().ClearCommands();
        lines.Take();
        const std::int64_t before = clock.clock().SleptTotal();
        BYTE value = 0xCC;
        EXPECT_EQ(ctrl2->ReadWriteXdata(handles, kFlashPort, 1, 0x2809, 1, &value), c.result);
        EXPECT_EQ(value, c.result == 1 ? 0x01 : 0xCC);
        EXPECT_EQ(Describe(flash().Commands()), c.sequence);
        EXPECT_EQ(lines.Take(), c.lines);
        EXPECT_EQ(clock.clock().SleptTotal() - before, std::int64_t{c.sleptMs} * 10'000);
    }
}

TEST_F(BlockTransfer, TheTransferCarriesTagKindAddressAndLength)
{
    std::vector<BYTE> page(2048, 0x11);
    ASSERT_EQ(Transfer(0, "ISPSYS", kIspKind, 0x40, page.data(), 2048, 0x01020304), 1);
    ExpectSent(flash().Commands(), {{"EE 95 01 02 03 04 8B 04 04 00 49 53 50 53 59 53", kOut, 2048}});
    EXPECT_EQ(flash().Commands()[0].dataOut, page);
    flash().ClearCommands();
    ASSERT_EQ(Transfer(1, "RWTest", kCisKind, 0x00, page.data(), 1024, 0x01020304), 1);
    ExpectSent(flash().Commands(), {{"EE 95 01 02 03 04 89 02 02 00", kIn, 1024}});
}

TEST_F(BlockTransfer, ProtectedBlocksReadBackAsWrittenAndUnprotectedOnesDoNot)
{
    struct Case {
        const char* name;
        const char* writeTag;
        INT writeFlags;
        bool readsAsWritten;
    };
    const Case cases[] = {
        {"CIS written protected", "CISSYS", 0x00, true},
        {"ISP written protected", "ISPSYS", 0x00, true},
        {"ISP written with flag 0x40", "ISPSYS", 0x40, false},
        {"written under another tag", "RWTest", 0x00, false},
    };
    INT block = 0x400;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> data = Data(static_cast<BYTE>(block)), back(kLength, 0);
        BYTE status = 0xCC;
        ASSERT_EQ(ctrl2->EraseBlock(handles, kFlashPort, block, &status), 1);
        EXPECT_EQ(status, sim::kEraseDone);
        ASSERT_EQ(Transfer(1, "CISSYS", kCisKind, 0, back.data(), kLength, block), 1);
        EXPECT_EQ(back, std::vector<BYTE>(kLength, 0xFF)) << "erased";
        ASSERT_EQ(Transfer(0, c.writeTag, kCisKind, c.writeFlags, data.data(), kLength, block), 1);
        ASSERT_EQ(Transfer(1, "CISSYS", kCisKind, 0, back.data(), kLength, block), 1);
        EXPECT_EQ(back == data, c.readsAsWritten);
        const sim::StoredBlock stored = flash().controller().Snapshot().blocks.at(static_cast<std::uint32_t>(block));
        EXPECT_EQ(stored.tag, c.writeTag);
        ++block;
    }
}

} // namespace
