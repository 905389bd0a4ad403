// The protected block transfer against any replies of the device: register values, failed
// reads and writes, a failed transfer. Whatever the device answers, a register the sequence
// changed gets back the value it was read with, no register is written before it was read,
// each register is read at most 10 times, and success means the transfer and every restore
// were answered.
//
// Input: the request (read or write, which tag, the flags), then the device's replies (see
// scripted_device.h).
#include "server/vendor/protected_block.h"
#include "tests/fuzz/scripted_device/scripted_device.h"

#include <map>
#include <optional>

namespace {

constexpr WORD kEncryption = 0x2809;
constexpr WORD kEcc = 0x2608;

bool IsRegister(const fuzz::ScriptedCommand& c, BYTE sub, WORD reg)
{
    return c.cdb[0] == 0xEE && c.cdb[1] == 0x01 && c.cdb[6] == sub && (c.cdb[4] << 8 | c.cdb[5]) == reg;
}

bool IsTransfer(const fuzz::ScriptedCommand& c)
{
    return c.cdb[0] == 0xEE && c.cdb[1] == 0x95 && (c.cdb[6] == 0x89 || c.cdb[6] == 0x8B);
}

void CheckRegister(const std::vector<fuzz::ScriptedCommand>& commands, WORD reg, bool mustBeValid, int result)
{
    int reads = 0;
    std::optional<BYTE> readValue; // the value the sequence took as read
    std::optional<BYTE> lastWritten;
    bool lastWriteAnswered = false;
    bool changed = false;
    for (const auto& c : commands) {
        if (IsRegister(c, 0x04, reg)) {
            ++reads;
            FUZZ_CHECK(!changed); // no read after the change began
            if (c.answered && !(mustBeValid && c.dataInGiven.at(0) == 0xFF))
                readValue = c.dataInGiven.at(0);
        } else if (IsRegister(c, 0x05, reg)) {
            FUZZ_CHECK(readValue.has_value()); // never written before it was read
            FUZZ_CHECK(c.dataOut.size() == 1);
            changed = true;
            lastWritten = c.dataOut[0];
            lastWriteAnswered = c.answered;
        }
    }
    FUZZ_CHECK(reads <= 10);
    if (changed) {
        FUZZ_CHECK(lastWritten == readValue); // put back as it was
        if (result == 1)
            FUZZ_CHECK(lastWriteAnswered);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScriptedDevice device;
    static CVCommCMDControl sender;
    fuzz::Input input(data, size);
    const BYTE choice = input.Byte();
    static const char* const kTags[] = {"CISSYS", "ISPSYS", "RWTest", "ISPXYZ"};
    const char* tag = kTags[choice & 3];
    vendor::BlockRequest request;
    request.read = (choice & 4) != 0;
    request.kind = 2;
    request.flags = input.Byte();
    std::copy(tag, tag + 6, request.tag.begin());
    request.block = 0x200;
    request.length = 512;
    std::vector<BYTE> buffer(512, 0x5A);
    request.buffer = buffer.data();

    device.Start(input);
    const int result = vendor::TransferBlock(sender, device.handle(), request);
    const auto& commands = device.commands();

    const bool isp = tag[0] == 'I';
    const bool protectedMode = tag[0] == 'C' || (isp && (request.flags & 0x40) == 0);
    int transfers = 0;
    for (const auto& c : commands) {
        if (!IsTransfer(c))
            continue;
        ++transfers;
        const BYTE flags = c.cdb[9];
        FUZZ_CHECK(((flags & 0x80) != 0) == (protectedMode || (request.flags & 0x80) != 0));
        if (isp)
            FUZZ_CHECK((flags & 0x40) == 0);
        if (result == 1)
            FUZZ_CHECK(c.answered);
    }
    FUZZ_CHECK(transfers <= 1);
    if (result == 1)
        FUZZ_CHECK(transfers == 1);
    if (!protectedMode) {
        FUZZ_CHECK(commands.size() == 1);
        return 0;
    }
    CheckRegister(commands, kEncryption, true, result);
    CheckRegister(commands, kEcc, false, result);
    return 0;
}
