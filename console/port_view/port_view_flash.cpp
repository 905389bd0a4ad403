// Flash-drive mode's identification of the attached drives: the flash id of the first present
// port, its part in the flash-part database, the server's block map for the view's ports and
// that drive's CIS.
#include "console/format_page/cis_capacities.h"
#include "console/main_frame.h"
#include "console/port_view/flash_identity.h"
#include "console/port_view/port_view.h"
#include "console/server_link.h"
#include "engine/cis/cis_image.h"
#include "engine/flashdb/flash_part_database.h"
#include "engine/ports/dev_info_doc.h"
#include "engine/ports/device_handle_table.h"
#include "engine/ports/port_sync.h"
#include "platform/debug/debug.h"
#include "portwarden/block_map.h"

#include <algorithm>
#include <optional>
#include <string>

void CPortView::ReadCisAllPorts()
{
    if ((frame_.FabrunMode & kFabrunModeFlashDrive) == 0)
        return;
    if (PortwardenCtrl == nullptr || PortwardenCtrl2 == nullptr) {
        platform::DebugPrintf("ReadCisAllPorts: no server");
        return;
    }
    if (frame_.BlockMapHandle != nullptr) {
        PortwardenCtrl->DeleteUFDBlockMap(frame_.BlockMapHandle);
        frame_.BlockMapHandle = nullptr;
    }
    const CDevInfoDoc::PortRecords& records = document_.Ports();
    const auto first = std::find_if(records.begin(), records.begin() + PortCount(),
                                    [](const PortRecord& record) { return record.present != 0; });
    if (first == records.begin() + PortCount())
        return;
    const int port = static_cast<int>(first - records.begin());
    const BYTE index = *DeviceHandleIndex(port);
    const std::string path(first->DevicePath());
    PortwardenCtrl->OpenDiskPathBySymbolicName(DeviceHandleTable, index, path.c_str());

    FlashIdReply reference{};
    if (PortwardenCtrl->ReadFlashID_UFD(DeviceHandleTable, index, 0, reference.data()) != 1) {
        platform::DebugPrintf("Fail Fail");
        PortwardenCtrl->CloseDiskPath(DeviceHandleTable, index);
        return;
    }
    const int channels = FlashChannelCount(reference);
    int chipEnables = 1;
    for (int ce = 1; ce < kMostChipEnables; ++ce) {
        FlashIdReply reply{};
        if (PortwardenCtrl->ReadFlashID_UFD(DeviceHandleTable, index, ce, reply.data()) != 1) {
            PortwardenCtrl->CloseDiskPath(DeviceHandleTable, index);
            return;
        }
        if (!ChipEnableRepeats(reply, channels, reference))
            break;
        ++chipEnables;
    }
    LoadAppPortList(reference.data());
    const BYTE flashSizeCode = frame_.CisSetting.CISImage.bytes[cis::kFlashSizeCode];
    frame_.BlockMapHandle = PortwardenCtrl->CreateUFDBlockMap(static_cast<BYTE>(PortCount()), static_cast<BYTE>(chipEnables),
                                                              static_cast<BYTE>(channels), (512 << (flashSizeCode >> 4)) / 8);
    ReadCis(port);
    PortwardenCtrl->CloseDiskPath(DeviceHandleTable, index);
}

void CPortView::LoadAppPortList(const BYTE* flashId)
{
    if (frame_.FlashParts() == nullptr) {
        platform::DebugPrintf("LoadAppPortList: no flash-part database");
        return;
    }
    SelectFlashPart(frame_.CisSetting, *frame_.FlashParts(), flashId);
}

void CPortView::ReadCis(int port)
{
    CISImage& image = frame_.CisSetting.CISImage;
    CisImageLock changing;
    const std::optional<CisCapacities> capacities = ReadOpenDiskCisCapacities(*DeviceHandleIndex(port), image, "ReadCis");
    // No system area yet, or a read that failed: no capacity that was not read.
    if (!capacities) {
        image.SetDword(cis::kPhysicalCapacity, 0);
        return;
    }
    image.SetDword(cis::kPhysicalCapacity, capacities->physical);
    for (std::size_t lun = 0; lun < cis::kLunCount; ++lun)
        frame_.PortLunCapacities[port][lun] = capacities->luns[lun];
}
