#include "console/port_view/dev_view_1.h"

#include "console/main_frame.h"
#include "console/port_view/serial_date_stamp.h"
#include "controls/icon_button.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "resources/resource_ids.h"

#include <QDate>

namespace {

constexpr int kOnlyPort = 0;
constexpr BYTE kPollAllPorts = 0xFF;
constexpr DWORD kRepollWaitMs = 300; // after a result, before the chip is polled again

const PortViewLayout kLayout1{
    res::IDD_1_DEV_VIEW,
    res::PortView1Tiles(),
    {res::IDI_IDLE_CHIP_1, res::IDI_IDLE_FLASH_1, res::IDI_SUCCESS_1, res::IDI_REDO_1, res::IDI_FAIL_1},
    "R: %.2f MB/s",
    "W: %.2f MB/s",
};

} // namespace

C1DevViewDlg::C1DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
    : CPortView(frame, document, kLayout1, parent)
{
}

void C1DevViewDlg::OnInitialUpdate()
{
    CPortView::OnInitialUpdate();
    platform::DebugPrintf("UpdateCurrentSetSN");
    InitSerialDateStamp();
}

bool C1DevViewDlg::OnClickedPort(int port)
{
    if (frame_.AutoRunActive != 0 || frame_.CounterPanesDisabled != 0)
        return false;
    // One click until the result: a stop click latches too.
    frame_.CounterPanesDisabled = 1;
    const bool wasRunning = Running(port);
    const bool started = CPortView::OnClickedPort(port);
    // A start that did not happen brings no result that would clear the latch.
    if (!wasRunning && !started && !WorkerBusy(port))
        frame_.CounterPanesDisabled = 0;
    return started;
}

// Of the firmware version only its first byte is taken from the INQUIRY data.
void C1DevViewDlg::FillFirmwareVersion(PortThreadParam& param, const BYTE* inquiry)
{
    param.firmwareVersion[0] = inquiry[40];
}

void C1DevViewDlg::ResultShown(int port)
{
    frame_.CounterPanesDisabled = 0;
    // The chip restarts after its run: wait for it, then see whether it is still there.
    // The worker copied its record, so record 0 may be rewritten now.
    Sleep(kRepollWaitMs);
    NewEnum_Polling_Mode(0);
    State(port).started = 0;
}

void C1DevViewDlg::EnumerateAllPorts()
{
    platform::DebugPrintf("  Call_Enum");
    NewEnum_Polling_Mode(kPollAllPorts);
}

void C1DevViewDlg::NewEnum_Polling_Mode(BYTE mode)
{
    platform::DebugPrintf("    NewEnum_Polling_Mode(%X)", mode);
    BYTE request[8];
    if (!PollFirstChip(mode, request))
        return;
    platform::DebugPrintf("    InqueryData[0x28]=%X, %X, %X, %X", request[0], request[1], request[2], request[3]);
    platform::DebugPrintf("    VendorID:%04X, ProductID:%X", (request[4] << 8) | request[5], (request[6] << 8) | request[7]);
}

void C1DevViewDlg::PollingDeiveStatus()
{
    platform::DebugPrintf("PollingDeiveStatus");
    PortRecord& record = document_.Ports()[kOnlyPort];
    PortState& state = State(kOnlyPort);
    const BYTE wasPresent = record.present;
    const bool busy = WorkerBusy(kOnlyPort);
    if (frame_.AutoRunActive == 0 && state.running == 0 && state.started == 0 && !busy)
        RefreshPorts();
    // The shared design skips ports with a live worker, also one asked to stop.
    if (state.running == 1 || busy)
        return;
    NewEnum_Polling_Mode(0);
    record.changed = record.present != wasPresent ? 1 : 0;
    platform::DebugPrintf("Device[%d], StatusChange=%X, DeviceConnect=%X, AttachRunCheck=%X", kOnlyPort, record.changed,
                          record.present, state.started);
    if (record.changed != 0) {
        record.changed = 0;
        ShowIcon(kOnlyPort, layout_.icons.idleChip);
        ResetProgress(kOnlyPort);
        if (record.present != 0) {
            ShowConnected(kOnlyPort);
            PortButton(kOnlyPort).setEnabled(true);
        } else {
            RequestStop(kOnlyPort);
            PortButton(kOnlyPort).setEnabled(false);
        }
        frame_.RefreshDeviceListRow(kOnlyPort);
    }
    if ((frame_.FabrunMode & kFabrunModeAutoRunActive) != 0) {
        if (record.present != 0 && state.started == 0) {
            state.started = 1;
            ClickPortButton(kOnlyPort);
        } else if (record.present == 0) {
            state.started = 0;
        }
    }
}

void C1DevViewDlg::InitSerialDateStamp()
{
    const QDate today = QDate::currentDate();
    if (frame_.SerialLengthText.empty())
        frame_.SerialLengthText = platform::FormatWide("%d", frame_.CisSetting.SerialNumberY);
    const INT type = frame_.CisSetting.SNType;
    if (type == 4 || type == 5)
        frame_.CisSetting.SNMask = SerialDateMask(today.year(), today.month(), today.day(), frame_.SerialLengthText);
}
