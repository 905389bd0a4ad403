// Tying a port to its disk. A disk takes part only when it answered as the maker's device,
// belongs to the port's own device (it has a USB parent whose driver key is the port's) and
// has not been given to another port; a key that is empty never matches. A CD-ROM unit
// carries no parent hardware id (the disk scan reads none for it) but hangs off the same
// USB device, so the driver key still ties it to its own port only.
#include "server/topology/usb_topology.h"

#include "platform/cfgmgr/cfgmgr.h"
#include "platform/debug/debug.h"
#include "server/topology/name_case.h"

#include <cstdio>

namespace {

std::vector<std::string> Split(const std::string& text, bool atAmpersand)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == '#' || (atAmpersand && c == '&')) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

// A path component that is the key itself or the key followed by '&' and more (the
// logical unit of the device's disk); a key inside some longer name is not this device.
bool PathNamesKey(const std::string& path, const std::string& key)
{
    if (key.empty())
        return false;
    for (const auto& part : Split(path, key.find('&') == std::string::npos))
        if (part == key || part.rfind(key + "&", 0) == 0)
            return true;
    return false;
}

bool HasPrefixToken(const std::string& path)
{
    static const char digits[] = "0123456789abcdef";
    for (const char* d = digits; *d != '\0'; ++d) {
        char token[4] = {'#', *d, '&', '\0'};
        if (path.find(token) != std::string::npos)
            return true;
    }
    return false;
}

// The driver key of the USB device a disk hangs off, or "" when it has no such parent.
std::string ParentDriverKey(DEVINST disk)
{
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, disk, 0) != CR_SUCCESS)
        return {};
    char key[260] = {};
    ULONG length = sizeof key;
    if (CM_Get_DevNode_Registry_PropertyA(parent, CM_DRP_DRIVER, nullptr, key, &length, 0) != CR_SUCCESS)
        return {};
    return key;
}

} // namespace

INT UsbTopology::MatchPortToDisk(PortRecord& record, DiskEntry* disks, std::bitset<kPortCount>& taken)
{
    char idText[32];
    std::snprintf(idText, sizeof idText, "vid_%04x&pid_%04x", record.idVendor, record.idProduct);
    const std::string prefix = Lower(RecordText(record.parentIdPrefix));
    const std::string serial = Lower(RecordText(record.serialNumber));
    const std::string driverKey = Lower(RecordText(record.driverKeyName));
    auto eligible = [&](int i) {
        const DiskEntry& e = disks[i];
        return e.valid == 1 && e.makerDevice == 1 && !taken.test(i) && !driverKey.empty() &&
               Lower(ParentDriverKey(e.devInst)) == driverKey;
    };
    auto idMatches = [&](const DiskEntry& e, const std::string& path) {
        return Lower(RecordText(e.hardwareId)).find(idText) != std::string::npos || path.find("cdrom") != std::string::npos;
    };
    // Pass 1 also takes an entry without a parent hardware id.
    auto idMatchesOrNone = [&](const DiskEntry& e, const std::string& path) {
        return RecordText(e.hardwareId).empty() || idMatches(e, path);
    };
    int found = -1;
    for (int i = 0; i < kPortCount && found < 0; ++i) {
        if (!eligible(i))
            continue;
        const std::string path = Lower(RecordText(disks[i].devicePath));
        OutputDebugStringA("Start1");
        OutputDebugStringA(path.c_str());
        OutputDebugStringA(prefix.c_str());
        platform::DebugPrintf("ISTarvo=%x, [%d]", disks[i].makerDevice, i);
        if (PathNamesKey(path, prefix) && idMatchesOrNone(disks[i], path))
            found = i;
        OutputDebugStringA("End1");
    }
    OutputDebugStringA("---> Check SymbolicName&Parent End");
    for (int i = 0; i < kPortCount && found < 0; ++i) {
        if (!eligible(i))
            continue;
        const std::string path = Lower(RecordText(disks[i].devicePath));
        if (HasPrefixToken(path))
            continue;
        OutputDebugStringA("Start2");
        platform::DebugPrintf(" @@ Special Patch of Index %d, name, sn, id", i);
        OutputDebugStringA(path.c_str());
        OutputDebugStringA(serial.c_str());
        OutputDebugStringA(std::string(RecordText(disks[i].hardwareId)).c_str());
        OutputDebugStringA("Special Patch End---");
        if (PathNamesKey(path, serial) && idMatches(disks[i], path))
            found = i;
        OutputDebugStringA("End2");
    }
    OutputDebugStringA("---> Check SymbolicName&SN End");
    for (int i = 0; i < kPortCount && found < 0 && !prefix.empty() && !serial.empty(); ++i) {
        if (!eligible(i))
            continue;
        const std::string path = Lower(RecordText(disks[i].devicePath));
        OutputDebugStringA("Start3");
        if (path.find("scsi") != std::string::npos && prefix.find(serial) != std::string::npos &&
            Lower(RecordText(disks[i].hardwareId)).find(idText) != std::string::npos)
            found = i;
        OutputDebugStringA("End3");
    }
    OutputDebugStringA("---Check UASP End---");
    if (found < 0)
        return 20;
    record.diskIndex = static_cast<BYTE>(found);
    record.disk = disks[found];
    record.SetDevicePathFromDisk();
    taken.set(found);
    return 0;
}
