#include "fsbuild/ntfs/format_ntfs.h"

#include "fsbuild/ntfs/attrdef.h"
#include "fsbuild/ntfs/block_device.h"
#include "fsbuild/ntfs/ntfs_volume.h"
#include "fsbuild/ntfs/random.h"
#include "fsbuild/ntfs/system_files.h"
#include "fsbuild/ntfs/upcase.h"
#include "fsbuild/ntfs/volume_writer.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

namespace ntfs {
namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr std::int64_t kNtfsTicksPerSecond = 10000000;

bool OpenNtfsDevice(NtfsDevice& device)
{
    if (device.ops->open(device, kAccessReadWrite) != 0) {
        platform::DebugPrintf("NTFS: cannot open %s, errno %d", device.name.c_str(), errno);
        return false;
    }
    NtfsDeviceStat status{};
    if (device.ops->stat(device, status) != 0 || status.type != NtfsDeviceType::BlockDevice) {
        platform::DebugPrintf("NTFS: %s is not a disk", device.name.c_str());
        device.ops->close(device);
        return false;
    }
    return true;
}

bool LayOut(NtfsVolume& volume, const NtfsOptions& options, SystemStreams& streams)
{
    if (!SetNtfsVolumeParams(volume, options) || !InitNtfsBitmaps(volume) || !InitMftRunlists(volume) ||
        !InitLogFileRunlist(volume) || !InitBootRunlist(volume))
        return false;
    FormatStamp stamp;
    stamp.ntfsTime = (static_cast<std::int64_t>(std::time(nullptr)) + kSecondsFrom1601To1970) * kNtfsTicksPerSecond;
    stamp.hiddenSectors = static_cast<std::uint32_t>(options.hiddenSectors);
    stamp.serialNumber = static_cast<std::uint64_t>(NextRandom()) << 32 | NextRandom();
    return CreateNTFSRootStructures(volume, stamp, streams);
}

bool WriteVolume(NtfsDevice& device, NtfsVolume& volume, SystemStreams& streams)
{
    VolumeWriter writer(device, volume.clusterSize);
    if (!writer.Ready())
        return false;
    for (const PendingWrite& stream : streams.writes)
        if (!writer.Write(stream))
            return false;
    std::vector<std::uint8_t> backup(volume.sectorSize, 0);
    std::memcpy(backup.data(), &streams.bootSector, sizeof(BootSector));
    if (!writer.WriteAt(volume.volumeSectors * volume.sectorSize, backup))
        return false;
    PendingWrite bitmap{PendingWrite::Kind::Data, streams.bitmapRuns, volume.clusterBitmap};
    PendingWrite mftBitmap{PendingWrite::Kind::Data, volume.mftBitmapRuns, volume.mftBitmap};
    PendingWrite mft{PendingWrite::Kind::Protected, volume.mftRuns, volume.mft, 0, volume.mftRecordSize};
    // The mirror holds the first records exactly as the MFT does, update sequence included.
    std::size_t mirrorBytes = std::size_t{volume.mftMirrRecords} * volume.mftRecordSize;
    PendingWrite mirror{PendingWrite::Kind::Protected, volume.mftMirrRuns,
                        {volume.mft.begin(), volume.mft.begin() + static_cast<std::ptrdiff_t>(mirrorBytes)}, 0,
                        volume.mftRecordSize};
    return writer.Write(bitmap) && writer.Write(mftBitmap) && writer.Write(mft) && writer.Write(mirror);
}

// The volume state of step 1: version, label, upcase and attribute-definition tables.
bool CreateVolumeState(NtfsVolume& volume, const NtfsOptions& options)
{
    if (!NtfsLabelFits(options.label)) {
        platform::DebugPrintf("NTFS: the label is longer than %zu units", kMaxLabelUnits);
        return false;
    }
    volume.label = platform::AnsiToWide(options.label);
    volume.upcase = InitUpcaseTable();
    volume.attrdef = BuildAttrDefTable();
    return true;
}

} // namespace

bool NtfsLabelFits(std::string_view ansiLabel)
{
    return platform::AnsiToWide(ansiLabel).size() <= kMaxLabelUnits;
}

bool NtfsLayoutFits(const NtfsOptions& options)
{
    NtfsVolume volume;
    SystemStreams streams;
    return CreateVolumeState(volume, options) && LayOut(volume, options, streams);
}

int FormatNTFS(const NtfsOptions& options)
{
    NtfsVolume volume;
    if (!CreateVolumeState(volume, options))
        return 1;
    NtfsDevice device;
    device.name = options.deviceName;
    device.ops = &Win32DeviceOps;
    device.options = &options;
    if (!OpenNtfsDevice(device))
        return 1;
    SystemStreams streams;
    bool formatted = LayOut(volume, options, streams) && WriteVolume(device, volume, streams);
    if (formatted && device.ops->sync(device) != 0) {
        platform::DebugPrintf("NTFS: flushing %s failed", device.name.c_str());
        formatted = false;
    }
    if (device.ops->close(device) != 0)
        formatted = false;
    return formatted ? 0 : 1;
}

} // namespace ntfs
