// The NAND format against a device whose every reply comes from the fuzzer: flash ids,
// bad-block status bytes, register values, spare areas, read-backs and bit-error counts,
// and the SCSI status of each command, driving the scan, the CIS/ISP search (or the
// sorting) and the table build on a map of the fuzzer's shape, with the caller's flash
// parameters and CIS part 2 from the fuzzer too.
//
// Input: CE and channel counts, bitmap bytes, extended block count, pages-per-block code,
// scan configuration, the 39 bytes of UFDFlashParams, 64 bytes of CIS part 2, then the
// device's replies: for each command one status byte (0xFF: the call fails; from 0xF0: CHECK
// CONDITION; else GOOD) followed by its data in.
//
// Properties: every command the server sends is a well-formed request whose CDB counts
// stand for its data; every result is 0 or 1; the found-block list stays within its room;
// the map keeps its shape.
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/scsi_passthrough.h"
#include "server/nand/block_map.h"
#include "server/nand/nand_format.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

fuzz::Input* replies = nullptr;

// The device: every request is checked as the pass-through layer would check it, then
// answered from the fuzzer's bytes.
BOOL FuzzedDevice(platform::FileObject&, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    FUZZ_CHECK(in != nullptr && out != nullptr && inSize >= sizeof(SCSI_PASS_THROUGH));
    SCSI_PASS_THROUGH request;
    std::memcpy(&request, in, sizeof request);
    FUZZ_CHECK(request.CdbLength == 6 || request.CdbLength == 10 || request.CdbLength == 12 || request.CdbLength == 16);
    FUZZ_CHECK(request.DataTransferLength <= 65536);
    FUZZ_CHECK(request.DataBufferOffset + request.DataTransferLength <=
               (request.DataIn == SCSI_IOCTL_DATA_IN ? outSize : inSize) || request.DataTransferLength == 0);
    const BYTE* cdb = request.Cdb;
    if (cdb[0] == 0xEE && cdb[1] == 0x95 && (cdb[6] == 0x89 || cdb[6] == 0x8B))
        FUZZ_CHECK(std::size_t{cdb[8]} * 512 == request.DataTransferLength); // the sectors stand for the data
    if (cdb[0] == 0xEE && cdb[1] == 0x51 && cdb[6] == 0x00)
        FUZZ_CHECK((cdb[7] << 8 | cdb[8]) == static_cast<int>(request.DataTransferLength));
    const BYTE status = replies->Byte();
    if (status == 0xFF)
        return FALSE;
    request.ScsiStatus = status >= 0xF0 ? 2 : 0;
    if (request.DataIn == SCSI_IOCTL_DATA_IN && request.DataTransferLength != 0) {
        auto* data = static_cast<BYTE*>(out) + request.DataBufferOffset;
        const std::string_view reply = replies->Bytes(255);
        for (DWORD i = 0; i < request.DataTransferLength; ++i)
            data[i] = reply.empty() ? 0 : static_cast<BYTE>(reply[i % reply.size()]);
    }
    std::memcpy(out, &request, sizeof request);
    if (returned != nullptr)
        *returned = outSize;
    return TRUE;
}

struct Setup {
    Setup()
    {
        if (std::getenv("NAND_FUZZ_LINES") == nullptr)
            platform::SetDebugSink([](std::string_view) {});
        platform::SetClockSource(&clock);
        platform::RegisterIoctlHandler(IOCTL_SCSI_PASS_THROUGH, FuzzedDevice);
    }
    platform::VirtualClock clock;
};

struct MapDeleter {
    void operator()(UFDBlockMap* map) const { nand::DeleteBlockMap(map); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    fuzz::Input input(data, size);
    const BYTE ce = static_cast<BYTE>(1 + input.Byte() % 4);
    const BYTE channels = static_cast<BYTE>(1 + input.Byte() % 4);
    const INT bytes = 1 + input.Byte() % 32;
    const INT extended = input.Byte() % 0x40;
    static constexpr WORD kPages[] = {8, 16, 32, 64};
    const WORD pages = kPages[input.Byte() % 4];
    const BYTE config = input.Byte();
    UFDFlashParams params{};
    const std::string_view raw = input.Bytes(sizeof params);
    std::memcpy(&params, raw.data(), std::min(raw.size(), sizeof params));
    params.sectorsPerPage = static_cast<BYTE>(1 + params.sectorsPerPage % 4); // a block stays small
    std::array<BYTE, 768> part2{};
    const std::string_view head = input.Bytes(64);
    std::memcpy(part2.data(), head.data(), head.size());
    replies = &input;

    std::unique_ptr<UFDBlockMap, MapDeleter> map(nand::CreateBlockMap(4, ce, channels, bytes | extended << 16));
    FUZZ_CHECK(map != nullptr);
    UFDPortBlockMap* record = map->ports[1];
    HANDLE handles[32] = {};
    handles[1] = CreateFileA("/dev/null", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FUZZ_CHECK(handles[1] != INVALID_HANDLE_VALUE);
    CVCommCMDControl vendor;
    CSTDCMDControl standard;
    nand::NandFormat format(vendor, standard);

    const INT scanned = format.ScanFlashBlock(handles, 1, record, pages, 2048, config);
    FUZZ_CHECK(scanned == 0 || scanned == 1);
    MapPtrEntry entries[kFoundBlockCapacity] = {};
    MapPtr found{0, entries};
    const INT searched = format.FindIspAndCisBlocks(handles, 1, record, &found, &params);
    FUZZ_CHECK(searched == 0 || searched == 1);
    FUZZ_CHECK(found.count >= 0 && found.count <= kFoundBlockCapacity);
    const INT built = format.BuildSystemTable(handles, 1, record, &params, part2.data());
    FUZZ_CHECK(built == 0 || built == 1);
    FUZZ_CHECK(record->ceCount == ce && record->channelCount == channels);
    FUZZ_CHECK(record->bitmapBytes == bytes);
    CloseHandle(handles[1]);
    return 0;
}
