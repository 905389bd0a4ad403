#include "build_case.h"

#include "loop_device.h"

std::uint32_t FileSystemSectorBytes(const BuildCase& row)
{
    // FAT16 always writes 512-byte sectors; FAT32 4096 when asked; NTFS the size as given.
    // ISO9660 writes 2048-byte blocks but counts its target and device start in 512-byte sectors.
    if ((row.fsType & 0x0F) == kNtfs)
        return static_cast<std::uint32_t>(row.bytesPerSector);
    return (row.fsType & 0x0F) == kFat32 && row.bytesPerSector == 4096 ? 4096 : 512;
}

std::uint64_t ImageAreaOffset(const BuildCase& row)
{
    // FAT and ISO9660 images ignore the device start; NTFS shifts by it in 512-byte sectors
    // in images too.
    return (row.fsType & 0x0F) == kNtfs ? std::uint64_t{row.devStartSector} * 512 : 0;
}

std::uint64_t VolumeOffset(const BuildCase& row)
{
    // An MBR puts the partition 32 sectors into the area. ISO9660 writes no MBR.
    std::uint64_t partition = (row.fsType & kMbr) != 0 && (row.fsType & 0x0F) != kIso ? 32ull * FileSystemSectorBytes(row) : 0;
    return ImageAreaOffset(row) + partition;
}

const char* PartitionTypeOf(const BuildCase& row)
{
    switch (row.fsType & 0x0F) {
    case kFat32: return "b";
    case kNtfs: return "7";
    default: return "6";
    }
}

std::string DeviceAt(const BuiltImage& image, std::uint64_t offset, std::unique_ptr<LoopDevice>& holder,
                     std::string& error)
{
    if (offset == 0)
        return image.path;
    holder = std::make_unique<LoopDevice>(image.path, offset, 0, 512, false);
    error = holder->error();
    return holder->ok() ? holder->node() : "";
}

FsBuildParams ParamsFor(const BuildCase& row, const std::string& source, const std::string& image)
{
    FsBuildParams params{};
    params.u8FsType = row.fsType;
    params.u32TotalSector = row.totalSectors;
    params.i32BytesPerSector = row.bytesPerSector;
    params.u8ClusterExp = row.clusterExp;
    params.u8BS_RsvSector = row.reservedSectors;
    params.u32DevStartSector = row.devStartSector;
    params.pszLabel = row.label;
    params.pszSourcePath = source.empty() ? nullptr : source.c_str();
    params.pszImagePath = image.empty() ? nullptr : image.c_str();
    return params;
}
