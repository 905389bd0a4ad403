// The master boot record with one active partition, shared by the FAT and NTFS builders.
#pragma once

#include "fsbuild/core/build_context.h"

#include <array>
#include <cstdint>
#include <mutex>

constexpr std::uint8_t kPartitionTypeFat16 = 0x06;
constexpr std::uint8_t kPartitionTypeFat32 = 0x0B;
constexpr std::uint8_t kPartitionTypeNtfs = 0x07;

// A one-byte counter that lives as long as the loaded library and makes disk signatures
// of builds in the same second differ; each builder family keeps its own.
struct DiskSignatureCounter {
    std::mutex lock;
    std::uint8_t value = 0;
};

// Four signature bytes from a time-seeded generator, the build's handles and the counter.
std::array<std::uint8_t, 4> NextDiskSignature(const FsBuildContext& ctx, DiskSignatureCounter& counter);

// The three CHS bytes of an entry (head, sector with cylinder bits 8-9, cylinder bits
// 0-7) for an LBA on a 255-head, 63-sector geometry; beyond cylinder 1023 they saturate
// at 1023/254/63.
std::array<std::uint8_t, 3> ChsOfLba(std::uint32_t lba);

// Fills a 512-byte record: boot program, signature, one active partition, 0x55AA.
void BuildMasterBootRecord(std::uint8_t* record, std::uint32_t partitionStart, std::uint32_t partitionSectors,
                           std::uint8_t partitionType, const std::array<std::uint8_t, 4>& signature);

// Writes the record of the build (partition at ctx.u32HiddenSector up to the end of the
// target) into sector 0, as one sector of the build's sector size. Debug lines "handle =",
// "vol_handle =" and "<tag> Mbr.BootCode = ...". Result: 0, or FS_STATUS_WRITE_FAIL.
int WriteMasterBootRecord(FsBuildContext& ctx, std::uint8_t partitionType, DiskSignatureCounter& counter,
                          const char* tag);

// The boot program: a chain loader for the active partition (bytes 0..439 of the record).
extern const std::array<std::uint8_t, 216> kMbrBootCode;
