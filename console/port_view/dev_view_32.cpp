#include "console/port_view/dev_view_32.h"

#include "console/main_frame.h"
#include "console/server_link.h"
#include "controls/icon_button.h"
#include "engine/ports/dev_info_doc.h"
#include "engine/ports/device_handle_table.h"
#include "platform/debug/debug.h"
#include "resources/resource_ids.h"

#include <string>

namespace {

const PortViewLayout kLayout32{
    res::IDD_32_DEV_VIEW,
    res::PortView32Tiles(),
    {res::IDI_IDLE_CHIP_16, res::IDI_IDLE_FLASH_16, res::IDI_SUCCESS_16, res::IDI_REDO_16, res::IDI_FAIL_16},
    "R:%.2fMB/s",
    "W:%.2fMB/s",
};

} // namespace

C32DevViewDlg::C32DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
    : CPortView(frame, document, kLayout32, parent)
{
}

void C32DevViewDlg::EnumerateAllPorts()
{
    if (PortwardenCtrl == nullptr) {
        platform::DebugPrintf("32-port view: no server; the ports are not enumerated");
        return;
    }
    // Its result is not looked at: the records hold what the walk found.
    PortwardenCtrl->EnumerateScanUSBPort(document_.Ports().data());
}

// The worker's disk, opened whatever the mode; the result is not looked at (a worker that
// needs the handle finds none).
void C32DevViewDlg::WorkerStarting(int port, const PortThreadParam& param)
{
    const std::optional<BYTE> index = DeviceHandleIndex(port);
    if (PortwardenCtrl == nullptr || !index)
        return;
    const std::string path(param.portRecord->DevicePath());
    PortwardenCtrl->OpenDiskPathBySymbolicName(DeviceHandleTable, *index, path.c_str());
    diskOpen_[Index(port)] = true;
}

void C32DevViewDlg::ResultHandled(int port)
{
    const std::optional<BYTE> index = DeviceHandleIndex(port);
    // Only a handle this view opened is closed, and only once: the table keeps the value.
    if (PortwardenCtrl == nullptr || !index || !diskOpen_[Index(port)])
        return;
    PortwardenCtrl->CloseDiskPath(DeviceHandleTable, *index);
    diskOpen_[Index(port)] = false;
}

void C32DevViewDlg::PollingDeiveStatus()
{
    const bool automaticStart = (frame_.FabrunMode & kFabrunModeAutoRunActive) != 0;
    RefreshWhenNoneStarted();
    if (PortwardenCtrl == nullptr)
        return;
    for (int port = 0; port < PortCount(); ++port) {
        PortState& state = State(port);
        PortRecord& record = document_.Ports()[Index(port)];
        if (state.running == 1 || WorkerBusy(port) || record.hubTier == 0)
            continue;
        PortwardenCtrl->PollingSingleUSBPort(&record);
        if (record.changed == 0)
            continue; // an unchanged port is left as it is
        record.changed = 0;
        ShowPresenceChange(port, automaticStart);
        if (record.present != 0 && automaticStart && state.started == 0) {
            state.started = 1;
            ClickPortButton(port);
        }
    }
}
