#include "fsbuild/core/mbr.h"

#include "fsbuild/core/le_fields.h"
#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"

#include "platform/debug/debug.h"

#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t kHeads = 255;
constexpr std::uint32_t kSectorsPerTrack = 63;

std::uint8_t HandleByte(HANDLE handle, int byte)
{
    return static_cast<std::uint8_t>(reinterpret_cast<std::uintptr_t>(handle) >> (8 * byte));
}

unsigned HandleLow32(HANDLE handle)
{
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(handle));
}

} // namespace

std::array<std::uint8_t, 4> NextDiskSignature(const FsBuildContext& ctx, DiskSignatureCounter& counter)
{
    std::minstd_rand random(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    const std::uint8_t handleBytes[4] = {HandleByte(ctx.hVolume, 1), HandleByte(ctx.hVolume, 0),
                                         HandleByte(ctx.hTarget, 1), HandleByte(ctx.hTarget, 0)};
    std::array<std::uint8_t, 4> signature{};
    std::lock_guard guard(counter.lock);
    for (int i = 0; i < 4; ++i) {
        signature[i] = static_cast<std::uint8_t>(random() + handleBytes[i] + counter.value);
        ++counter.value;
    }
    if (counter.value > 50)
        counter.value = 0;
    return signature;
}

std::array<std::uint8_t, 3> ChsOfLba(std::uint32_t lba)
{
    std::uint32_t cylinder = lba / (kHeads * kSectorsPerTrack);
    std::uint32_t head = (lba / kSectorsPerTrack) % kHeads;
    std::uint32_t sector = lba % kSectorsPerTrack + 1;
    if (cylinder > 1023) {
        cylinder = 1023;
        head = kHeads - 1;
        sector = kSectorsPerTrack;
    }
    return {static_cast<std::uint8_t>(head), static_cast<std::uint8_t>(sector | ((cylinder >> 2) & 0xC0)),
            static_cast<std::uint8_t>(cylinder & 0xFF)};
}

void BuildMasterBootRecord(std::uint8_t* record, std::uint32_t partitionStart, std::uint32_t partitionSectors,
                           std::uint8_t partitionType, const std::array<std::uint8_t, 4>& signature)
{
    std::memset(record, 0, 512);
    std::memcpy(record, kMbrBootCode.data(), kMbrBootCode.size());
    std::memcpy(record + 440, signature.data(), signature.size());
    std::uint8_t* entry = record + 446;
    entry[0] = 0x80;
    auto start = ChsOfLba(partitionStart);
    auto end = ChsOfLba(partitionStart + partitionSectors - 1);
    std::memcpy(entry + 1, start.data(), 3);
    entry[4] = partitionType;
    std::memcpy(entry + 5, end.data(), 3);
    PutLe32(entry + 8, partitionStart);
    PutLe32(entry + 12, partitionSectors);
    record[510] = 0x55;
    record[511] = 0xAA;
}

int WriteMasterBootRecord(FsBuildContext& ctx, std::uint8_t partitionType, DiskSignatureCounter& counter,
                          const char* tag)
{
    auto signature = NextDiskSignature(ctx, counter);
    std::vector<std::uint8_t> sector(ctx.u32BytesPerSector);
    auto partitionSectors = static_cast<std::uint32_t>(ctx.u64TotalSector - ctx.u32HiddenSector);
    BuildMasterBootRecord(sector.data(), ctx.u32HiddenSector, partitionSectors, partitionType, signature);
    platform::DebugPrintf("handle = %08X", HandleLow32(ctx.hTarget));
    platform::DebugPrintf("vol_handle = %08X", HandleLow32(ctx.hVolume));
    platform::DebugPrintf("%s Mbr.BootCode = %02X,%02X,%02X,%02X", tag, signature[0], signature[1], signature[2],
                          signature[3]);
    if (WriteSequential(ctx, sector.data(), sector.size()) != static_cast<std::int64_t>(sector.size())) {
        platform::DebugPrintf(" WriteMBR HandleWrite Fail");
        return FS_STATUS_WRITE_FAIL;
    }
    return FS_STATUS_SUCCESS;
}
