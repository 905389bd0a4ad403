// The standard and vendor SCSI commands of the server against a device whose every reply
// comes from the fuzzer: its status, failed calls, and data of any content and any length
// up to what was asked. Every command that goes out is well formed, its CDB counts standing
// for its data; one that cannot be is refused and never sent. A result is 1 only when the
// call succeeded with GOOD status, and for READ CAPACITY and READ(10), whose replies have
// no shorter form, only when every byte asked for arrived; the caller's buffer gets the
// reply only then, with what the device did not send as zeros, never a byte of an earlier
// command. A capacity is the reply's big-endian fields; a transfer in chunks moves every
// chunk, in order, or reports failure; the drive's serial is read from its IDENTIFY data.
//
// Input: operations until the input ends, each a choice byte (see Run) and its arguments,
// then the device's reply to each command as it is sent: an outcome byte (low two bits:
// 0 GOOD with every byte, 1 CHECK CONDITION, 2 the call fails, 3 GOOD with the next byte's
// share of 256ths of the data), and for data in, a byte: with bit 7 set it fills the data,
// else that many bytes are taken one by one and the next byte fills the rest.
#include "engine/serial/serial_number.h"
#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/scsi_passthrough.h"
#include "server/disk/disk_slots.h"
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

struct Command {
    std::array<BYTE, 16> cdb{};
    BYTE cdbLength = 0;
    BYTE lun = 0;
    bool dataIn = false;
    DWORD length = 0;
    std::vector<BYTE> dataOut;
    std::vector<BYTE> sent;   // the data the device sent (data in)
    bool ok = false;          // the call succeeded with GOOD status
};

fuzz::Input* replies = nullptr;
std::vector<Command> commands;

BOOL Device(platform::FileObject&, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    FUZZ_CHECK(in != nullptr && out != nullptr && inSize >= sizeof(SCSI_PASS_THROUGH) && outSize >= sizeof(SCSI_PASS_THROUGH));
    SCSI_PASS_THROUGH header;
    std::memcpy(&header, in, sizeof header);
    FUZZ_CHECK(header.Length == sizeof header);
    FUZZ_CHECK(header.CdbLength == 6 || header.CdbLength == 10 || header.CdbLength == 12 || header.CdbLength == 16);
    FUZZ_CHECK(header.DataIn <= SCSI_IOCTL_DATA_UNSPECIFIED && header.DataTransferLength <= 65536);
    const bool dataIn = header.DataIn == SCSI_IOCTL_DATA_IN;
    if (header.DataTransferLength != 0)
        FUZZ_CHECK(header.DataBufferOffset >= sizeof header &&
                   header.DataBufferOffset + header.DataTransferLength <= (dataIn ? outSize : inSize));
    Command command;
    std::copy(header.Cdb, header.Cdb + 16, command.cdb.begin());
    command.cdbLength = header.CdbLength;
    command.lun = header.Lun;
    command.dataIn = dataIn;
    command.length = header.DataTransferLength;
    auto* bytes = static_cast<BYTE*>(out);
    if (!dataIn && header.DataTransferLength != 0)
        command.dataOut.assign(static_cast<BYTE*>(in) + header.DataBufferOffset,
                               static_cast<BYTE*>(in) + header.DataBufferOffset + header.DataTransferLength);
    const BYTE outcome = replies->Byte();
    if ((outcome & 3) == 2) {
        commands.push_back(std::move(command));
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
    header.ScsiStatus = (outcome & 3) == 1 ? 2 : 0;
    DWORD moved = header.DataTransferLength;
    if ((outcome & 3) == 3)
        moved = static_cast<DWORD>(std::uint64_t{moved} * replies->Byte() / 256);
    if (dataIn && (outcome & 3) != 1 && moved != 0) {
        BYTE* data = bytes + header.DataBufferOffset;
        const BYTE head = replies->Byte();
        DWORD at = 0;
        if ((head & 0x80) == 0)
            for (; at < std::min<DWORD>(head, moved); ++at)
                data[at] = replies->Byte();
        if (at < moved)
            std::memset(data + at, (head & 0x80) != 0 ? head : replies->Byte(), moved - at);
        command.sent.assign(data, data + moved);
    }
    if ((outcome & 3) == 1)
        moved = 0;
    header.DataTransferLength = moved;
    std::memcpy(bytes, &header, sizeof header);
    if (returned != nullptr)
        *returned = dataIn && moved != 0 ? header.DataBufferOffset + moved : sizeof header;
    command.ok = header.ScsiStatus == 0;
    commands.push_back(std::move(command));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

struct Setup {
    Setup()
    {
        platform::SetDebugSink([](std::string_view) {});
        platform::SetClockSource(&clock);
        platform::RegisterIoctlHandler(IOCTL_SCSI_PASS_THROUGH, Device);
        const std::string path = fuzz::ScratchFolder() + "/device";
        fuzz::WriteFile(path, "");
        for (HANDLE& handle : handles)
            handle = INVALID_HANDLE_VALUE;
        for (int i : {0, 5, 31})
            handles[i] = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    platform::VirtualClock clock;
    HANDLE handles[32];
};

DWORD BigEndian(const BYTE* at, int bytes)
{
    DWORD value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | at[i];
    return value;
}

// What a caller's buffer holds after a command that succeeded: the device's bytes, zeros past them.
bool HoldsReply(const BYTE* buffer, const Command& command)
{
    for (DWORD i = 0; i < command.length; ++i)
        if (buffer[i] != (i < command.sent.size() ? command.sent[i] : 0))
            return false;
    return true;
}

bool Whole(const Command& command)
{
    return command.ok && command.sent.size() == command.length;
}

// The only command of the operation, or none when it was refused before sending.
const Command* Sent(std::size_t from)
{
    FUZZ_CHECK(commands.size() <= from + 1);
    return commands.size() == from + 1 ? &commands.back() : nullptr;
}

void CheckInquiry(Setup& setup, BYTE index, std::size_t from)
{
    static DiskSlots* slots = new DiskSlots(*new CSTDCMDControl);
    std::array<BYTE, 128> out;
    out.fill(0x5A);
    const INT result = slots->ReadInquery(setup.handles, index, out.data());
    const Command* c = Sent(from);
    if (index >= 32) {
        FUZZ_CHECK(c == nullptr && result == 0);
        return;
    }
    FUZZ_CHECK(c != nullptr);
    const std::array<BYTE, 6> cdb{0x12, 0, 0, 0, 0x80, 0};
    FUZZ_CHECK(c->cdbLength == 6 && std::equal(cdb.begin(), cdb.end(), c->cdb.begin()) && c->dataIn && c->length == 128);
    FUZZ_CHECK(result == (c->ok ? 1 : 0)); // a standard reply may be shorter than asked
    if (result == 1)
        FUZZ_CHECK(HoldsReply(out.data(), *c));
    else
        FUZZ_CHECK(std::all_of(out.begin(), out.end(), [](BYTE b) { return b == 0x5A; }));
}

void CheckCapacity(Setup& setup, BYTE index, BYTE lun, bool extended, std::size_t from)
{
    static DiskSlots* slots = new DiskSlots(*new CSTDCMDControl);
    DWORD lastLba = 0xAAAAAAAA, blockLength = 0xBBBBBBBB;
    const INT result = extended ? slots->ReadCapacityEx(setup.handles, index, lun, &lastLba, &blockLength)
                                : slots->ReadCapacity(setup.handles, index, &lastLba, &blockLength);
    const Command* c = Sent(from);
    if (index >= 32) {
        FUZZ_CHECK(c == nullptr && result == 0 && lastLba == 0 && blockLength == 0);
        return;
    }
    FUZZ_CHECK(c != nullptr && c->cdb[0] == 0x25 && c->dataIn && c->length == 8 && c->lun == (extended ? lun : 0));
    FUZZ_CHECK(result == (Whole(*c) ? 1 : 0));
    if (result == 1)
        FUZZ_CHECK(lastLba == BigEndian(c->sent.data(), 4) && blockLength == BigEndian(c->sent.data() + 4, 4));
    else
        FUZZ_CHECK(lastLba == 0 && blockLength == 0);
}

void CheckTestUnitReady(Setup& setup, std::size_t from)
{
    static CSTDCMDControl standard;
    UCHAR status = 0x77;
    const int result = standard.SendTestUnitReady(setup.handles[0], 0, 0, 0, &status);
    const Command* c = Sent(from);
    FUZZ_CHECK(c != nullptr && c->cdb[0] == 0 && c->cdbLength == 6 && c->length == 0);
    FUZZ_CHECK(result == 1 || status == 0);
    if (result == 1)
        FUZZ_CHECK(status == (c->ok ? 0 : 2));
}

void CheckTransfer(Setup& setup, fuzz::Input& input, BYTE choice, std::size_t from)
{
    static DiskSlots* slots = new DiskSlots(*new CSTDCMDControl);
    const bool write = (choice & 0x10) != 0;
    const bool timed = (choice & 0x20) != 0;
    const DWORD lba = input.Byte() << 24 | input.Byte() << 16 | input.Byte();
    const DWORD units = input.Byte() | (input.Byte() & 1) << 8;
    // Mostly whole sectors; now and then a byte count no request can carry.
    const DWORD byteCount = (choice & 0x40) != 0 ? units * 100 : units * 512;
    std::vector<BYTE> buffer(byteCount);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<BYTE>(i * 7 + 3);
    const std::vector<BYTE> before = buffer;
    DWORD ticks = 0;
    INT result;
    if (write)
        result = timed ? slots->WriteDiskEx(setup.handles, 5, 1, lba, byteCount, buffer.data(), &ticks)
                       : slots->WriteDisk(setup.handles, 5, lba, byteCount, buffer.data());
    else
        result = timed ? slots->ReadDiskEx(setup.handles, 5, 1, lba, byteCount, buffer.data(), &ticks)
                       : slots->ReadDisk(setup.handles, 5, lba, byteCount, buffer.data());
    DWORD done = 0;
    unsigned sends = 0; // of the current chunk
    for (std::size_t i = from; i < commands.size(); ++i) {
        const Command& c = commands[i];
        const DWORD chunk = std::min<DWORD>(byteCount - done, 65536);
        FUZZ_CHECK(c.cdbLength == 10 && c.cdb[0] == (write ? 0x2A : 0x28) && c.dataIn == !write);
        FUZZ_CHECK(c.length == chunk && chunk % 512 == 0 && BigEndian(&c.cdb[7], 2) * 512 == chunk);
        FUZZ_CHECK(BigEndian(&c.cdb[2], 4) == lba + done / 512);
        FUZZ_CHECK(c.lun == (timed ? 1 : 0));
        if (write)
            FUZZ_CHECK(std::equal(c.dataOut.begin(), c.dataOut.end(), before.begin() + done));
        else if (Whole(c))
            FUZZ_CHECK(std::equal(c.sent.begin(), c.sent.end(), buffer.begin() + done));
        ++sends;
        // A plain write sends a chunk up to three times, everything else once.
        FUZZ_CHECK(sends <= (write && !timed ? 3u : 1u));
        const bool last = i + 1 == commands.size();
        if (!(write ? c.ok : Whole(c))) {
            if (!last && commands[i + 1].cdb == c.cdb)
                continue;
            FUZZ_CHECK(last && result == 0);
            return;
        }
        sends = 0;
        done += chunk;
    }
    // A chunk that is no whole number of sectors is refused unsent.
    FUZZ_CHECK(result == (done == byteCount ? 1 : 0));
    if (done != byteCount)
        FUZZ_CHECK((byteCount - done) % 512 != 0 && (byteCount - done) < 65536);
}

void CheckIdentify(Setup& setup, std::size_t from)
{
    static CVCommCMDControl vendor;
    std::array<BYTE, 512> identify;
    identify.fill(0x5A);
    // What the bridge's IDENTIFY slot sends: ATA PASS-THROUGH(12) A1 08 0D 00 00 00 00 00 A0 EC.
    const int result = vendor.ATACommandRead(setup.handles[31], 0x08A1, 0x0D000000, 0x00A00000, 0xEC00, 0, 512, identify.data());
    const Command* c = Sent(from);
    FUZZ_CHECK(c != nullptr && c->dataIn && c->length == 512);
    const std::array<BYTE, 10> cdb{0xA1, 0x08, 0x0D, 0, 0, 0, 0, 0, 0xA0, 0xEC};
    FUZZ_CHECK(std::equal(cdb.begin(), cdb.end(), c->cdb.begin()));
    FUZZ_CHECK(result == (c->ok ? 1 : 0));
    if (result != 1) {
        FUZZ_CHECK(std::all_of(identify.begin(), identify.end(), [](BYTE b) { return b == 0x5A; }));
        return;
    }
    FUZZ_CHECK(HoldsReply(identify.data(), *c));
    char serial[16];
    DriveSerialFromIdentify(identify, serial);
    for (std::size_t i = 0; i < sizeof serial; ++i)
        FUZZ_CHECK(static_cast<BYTE>(serial[i]) == identify[24 + (i ^ 1)]);
}

void CheckVendorRead(Setup& setup, fuzz::Input& input, BYTE choice, std::size_t from)
{
    static CVCommCMDControl vendor;
    const BYTE sub = input.Byte();
    const DWORD address = input.Byte() << 8 | input.Byte();
    const DWORD length = (choice & 0x80) != 0 ? 0x10000u + input.Byte() : static_cast<DWORD>(input.Byte() << 4 | input.Byte() >> 4);
    std::vector<BYTE> out(std::max<DWORD>(length, 1), 0x5A);
    int result = 0;
    BYTE group = 0;
    switch ((choice >> 4) & 3) {
    case 0:
        group = 0x01;
        result = vendor.VendorRead(setup.handles[0], sub, 0, 0, static_cast<WORD>(address), length, out.data());
        break;
    case 1:
        group = 0x80;
        result = vendor.VendorAccessRead(setup.handles[0], sub, 1, 0, 0, address, length, out.data(), 0, 0);
        break;
    case 2:
        group = 0x65;
        result = vendor.LUNCONFIGRead(setup.handles[0], sub, 0, 0, 0, length, out.data());
        break;
    default:
        group = 0x8B;
        result = vendor.USDPowerRead(setup.handles[0], sub, 0, 0, 0, 0, length, out.data());
        break;
    }
    const Command* c = Sent(from);
    if (length > 0xFFFF) {
        FUZZ_CHECK(c == nullptr && result == 0); // the CDB cannot say how much
        return;
    }
    FUZZ_CHECK(c != nullptr && c->cdb[0] == 0xEE && c->cdb[1] == group && c->cdbLength == 16 && c->cdb[6] == sub);
    FUZZ_CHECK(BigEndian(&c->cdb[7], 2) == length && c->length == length);
    FUZZ_CHECK(result == (c->ok ? 1 : 0));
    if (result == 1)
        FUZZ_CHECK(HoldsReply(out.data(), *c));
    else
        FUZZ_CHECK(std::all_of(out.begin(), out.end(), [](BYTE b) { return b == 0x5A; }));
}

void Run(Setup& setup, fuzz::Input& input)
{
    const BYTE choice = input.Byte();
    const std::size_t from = commands.size();
    switch (choice & 7) {
    case 0:
        CheckInquiry(setup, (choice & 0x80) != 0 ? 32 : (choice & 8) != 0 ? 31 : 0, from);
        break;
    case 1:
        CheckCapacity(setup, (choice & 0x80) != 0 ? 32 : 0, static_cast<BYTE>((choice >> 4) & 7), (choice & 8) != 0, from);
        break;
    case 2:
        CheckTestUnitReady(setup, from);
        break;
    case 3:
    case 4:
        CheckTransfer(setup, input, choice, from);
        break;
    case 5:
        CheckIdentify(setup, from);
        break;
    default:
        CheckVendorRead(setup, input, choice, from);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    fuzz::Input input(data, size);
    replies = &input;
    commands.clear();
    for (int operations = 0; operations < 12 && !input.Empty(); ++operations)
        Run(setup, input);
    replies = nullptr;
    return 0;
}
