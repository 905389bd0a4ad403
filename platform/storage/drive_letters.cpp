#include "platform/storage/drive_letters.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/storage/mounted_devices.h"
#include "platform/usbsys/device_nodes.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace platform::storage {
namespace {

struct UsbVolume {
    Volume volume;
    VolumeRecordData data;
    char letter = 0;
};

struct Assignment {
    std::vector<LetteredVolume> lettered;
    std::string taken; // letters held by present volumes

    bool Free(char letter) const { return taken.find(letter) == std::string::npos; }
    void Give(char letter, Volume volume)
    {
        taken += letter;
        lettered.push_back({letter, std::move(volume)});
    }
};

// The first letter no present volume holds: one no record keeps, or else one whose
// record names an absent volume (every present volume with a record holds its letter).
char NewLetter(const Assignment& assignment, const std::map<char, VolumeRecordData>& records)
{
    for (bool recordsToo : {false, true})
        for (char letter = 'C'; letter <= 'Z'; ++letter)
            if (assignment.Free(letter) && (recordsToo || records.count(letter) == 0))
                return letter;
    return 0;
}

// The USB volume a letter's record names, found without reading every volume: the device
// listing tells which node the named volume had, and that node is read afresh and must
// still carry the name. The assignment below gives the same letter whenever this finds a
// volume (interface paths of present volumes differ, and a record's letter goes to its
// volume unless an earlier letter's record names it too); otherwise the assignment decides.
std::optional<BlockDevice> RecordedUsbVolume(char letter)
{
    std::map<char, VolumeRecordData> records;
    if (ReadLetterRecords(records, letter) != ERROR_SUCCESS)
        return std::nullopt;
    auto record = records.find(letter);
    if (record == records.end())
        return std::nullopt;
    for (const auto& [other, data] : records)
        if (other < letter && data == record->second)
            return std::nullopt;
    auto node = usbsys::ListedStorageNode(InterfacePathOfRecord(record->second));
    auto volume = node ? VolumeDeviceOfNode(*node) : std::nullopt;
    auto path = volume ? usbsys::UsbStoragePathOf(volume->device.node) : std::nullopt;
    if (!path || RecordDataOfVolume(*path) != record->second)
        return std::nullopt;
    return std::move(volume->device);
}

} // namespace

std::vector<LetteredVolume> LetteredVolumes()
{
    std::vector<UsbVolume> usbVolumes;
    std::vector<Volume> loopVolumes;
    std::map<std::string, std::string> usbPaths;
    bool pathsRead = false;
    for (Volume& volume : ListVolumes()) {
        if (LoopIndex(volume.diskKernelName) >= 0) {
            if (volume.device.partitionNumber <= 1) // only a loop device's first volume has a letter
                loopVolumes.push_back(std::move(volume));
            continue;
        }
        if (!IsUsbDisk(volume.diskKernelName))
            continue;
        if (!pathsRead) {
            usbPaths = usbsys::UsbStoragePaths();
            pathsRead = true;
        }
        auto path = usbPaths.find(volume.device.node);
        if (path != usbPaths.end())
            usbVolumes.push_back({std::move(volume), RecordDataOfVolume(path->second)});
    }
    std::map<char, VolumeRecordData> records;
    if (!usbVolumes.empty()) {
        if (LONG status = ReadLetterRecords(records); status != ERROR_SUCCESS) {
            // Letters that could not be kept would move: none is better than a wrong one.
            DebugPrintf("mounted-device records unreadable (%ld): USB volumes get no letters", static_cast<long>(status));
            usbVolumes.clear();
        }
    }
    Assignment assignment;
    for (UsbVolume& usb : usbVolumes)
        for (const auto& [letter, data] : records)
            if (data == usb.data && assignment.Free(letter)) {
                usb.letter = letter;
                assignment.Give(letter, usb.volume);
                break;
            }
    for (Volume& volume : loopVolumes) {
        const char letter = static_cast<char>('Z' - LoopIndex(volume.diskKernelName));
        if (letter >= 'C' && assignment.Free(letter))
            assignment.Give(letter, std::move(volume));
    }
    for (UsbVolume& usb : usbVolumes) {
        if (usb.letter != 0)
            continue;
        const char letter = NewLetter(assignment, records);
        if (letter == 0) {
            DebugPrintf("no drive letter left for %s", usb.volume.device.node.c_str());
            continue;
        }
        if (LONG status = KeepLetterRecord(letter, usb.data); status != ERROR_SUCCESS) {
            DebugPrintf("letter %c of %s not kept (%ld): not given", letter, usb.volume.device.node.c_str(),
                        static_cast<long>(status));
            continue;
        }
        records[letter] = usb.data;
        assignment.Give(letter, std::move(usb.volume));
    }
    auto& lettered = assignment.lettered;
    std::sort(lettered.begin(), lettered.end(),
              [](const LetteredVolume& a, const LetteredVolume& b) { return a.letter < b.letter; });
    return std::move(lettered);
}

std::optional<BlockDevice> VolumeOfDriveLetter(char letter)
{
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (auto recorded = RecordedUsbVolume(upper))
        return recorded;
    for (LetteredVolume& entry : LetteredVolumes())
        if (entry.letter == upper)
            return std::move(entry.volume.device);
    return std::nullopt;
}

char DriveLetterOfVolume(dev_t volumeDevice)
{
    for (const LetteredVolume& entry : LetteredVolumes())
        if (entry.volume.device.dev == volumeDevice)
            return entry.letter;
    return 0;
}

} // namespace platform::storage
