#include "fsbuild/ntfs/boot_sector.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace ntfs {
namespace {

constexpr std::uint16_t kLoadAddress = 0x7C00;
constexpr std::size_t kCodeOffset = offsetof(BootSector, bootCode);

// The boot program: there is no loader on a fresh volume, so it says so and halts.
//   cli; xor ax,ax; mov ss,ax; mov sp,7C00h; sti; mov ds,ax; cld
//   mov si,missing; call print; mov si,restart; call print
//   halt: hlt; jmp halt
//   print: lodsb; test al,al; jz done; mov ah,0Eh; mov bx,7; int 10h; jmp print; done: ret
constexpr std::array<std::uint8_t, 42> kProgram = {
    0xFA, 0x31, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0xFB, 0x8E, 0xD8, 0xFC, 0xBE, 0x00,
    0x00, 0xE8, 0x09, 0x00, 0xBE, 0x00, 0x00, 0xE8, 0x03, 0x00, 0xF4, 0xEB, 0xFD, 0xAC,
    0x84, 0xC0, 0x74, 0x09, 0xB4, 0x0E, 0xBB, 0x07, 0x00, 0xCD, 0x10, 0xEB, 0xF2, 0xC3,
};
constexpr std::size_t kMissingOperand = 13; // immediate of the first "mov si"
constexpr std::size_t kRestartOperand = 19;

constexpr std::string_view kMessages[] = {
    "\r\nA disk read error occurred",
    "\r\nBOOTMGR is missing",
    "\r\nBOOTMGR is compressed",
    "\r\nPress Ctrl+Alt+Del to restart\r\n",
};
constexpr std::size_t MessageBytes()
{
    std::size_t total = 0;
    for (std::string_view message : kMessages)
        total += message.size() + 1;
    return total;
}
static_assert(kProgram.size() + MessageBytes() <= sizeof(BootSector::bootCode), "the boot program fits its area");
constexpr std::size_t kMissingMessage = 1;
constexpr std::size_t kRestartMessage = 3;

void PutAddress(std::uint8_t* code, std::size_t operand, std::size_t sectorOffset)
{
    auto address = static_cast<std::uint16_t>(kLoadAddress + sectorOffset);
    std::memcpy(code + operand, &address, sizeof address);
}

void FillBootCode(BootSector& sector)
{
    std::uint8_t* code = sector.bootCode;
    std::memcpy(code, kProgram.data(), kProgram.size());
    std::size_t at = kProgram.size();
    for (std::size_t i = 0; i < std::size(kMessages); ++i) {
        if (i == kMissingMessage)
            PutAddress(code, kMissingOperand, kCodeOffset + at);
        if (i == kRestartMessage)
            PutAddress(code, kRestartOperand, kCodeOffset + at);
        std::memcpy(code + at, kMessages[i].data(), kMessages[i].size());
        at += kMessages[i].size() + 1; // each ends with a NUL
    }
}

} // namespace

BootSector BuildBootSector(const NtfsVolume& volume, std::uint32_t hiddenSectors, std::uint64_t serialNumber)
{
    BootSector sector{};
    const std::uint8_t jump[] = {0xEB, 0x52, 0x90};
    std::memcpy(sector.jump, jump, sizeof jump);
    std::memcpy(sector.oemName, "NTFS    ", 8);
    sector.bytesPerSector = static_cast<std::uint16_t>(volume.sectorSize);
    sector.sectorsPerCluster = static_cast<std::uint8_t>(volume.clusterSize / volume.sectorSize);
    sector.media = 0xF8;
    sector.sectorsPerTrack = 63;
    sector.heads = 255;
    sector.hiddenSectors = hiddenSectors;
    sector.driveNumber = 0x80;
    sector.extendedSignature = 0x80;
    sector.totalSectors = static_cast<std::uint64_t>(volume.volumeSectors);
    sector.mftLcn = static_cast<std::uint64_t>(volume.mftLcn);
    sector.mftMirrLcn = static_cast<std::uint64_t>(volume.mftMirrLcn);
    sector.clustersPerMftRecord = ClustersPerRecordField(volume.mftRecordSize, volume.clusterSize);
    sector.clustersPerIndexRecord = ClustersPerRecordField(volume.indexRecordSize, volume.clusterSize);
    sector.serialNumber = serialNumber;
    FillBootCode(sector);
    sector.endMarker = 0xAA55;
    return sector;
}

} // namespace ntfs
