#include "build_case.h"

std::uint32_t FileSystemSectorBytes(const BuildCase& row)
{
    // FAT16 always writes 512-byte sectors; FAT32 4096 when asked.
    return (row.fsType & 0x0F) == kFat32 && row.bytesPerSector == 4096 ? 4096 : 512;
}

std::uint64_t VolumeOffset(const BuildCase& row)
{
    // FAT images ignore the device start; an MBR puts the partition 32 sectors in.
    return (row.fsType & kMbr) != 0 ? 32ull * FileSystemSectorBytes(row) : 0;
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
