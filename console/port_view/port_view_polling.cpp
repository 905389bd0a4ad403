// How the port view finds the attached chip: a libusb presence poll that describes the
// first supported device in port record 0, a full refresh of every tile, and the re-poll
// after a device arrived or left.
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "controls/icon_button.h"
#include "engine/ports/dev_info_doc.h"
#include "engine/spi/spi_procedures.h"
#include "platform/debug/debug.h"

#include <QCheckBox>

#include <algorithm>
#include <cstring>

namespace {

constexpr BYTE kPollAllPorts = 0xFF;
constexpr BYTE kAccessRequest = 9;
constexpr BYTE kAccessOpenOnly = 0xFF;

} // namespace

bool CPortView::PollFirstChip(BYTE mode, BYTE (&request)[8])
{
    CDevInfoDoc::PortRecords& records = document_.Ports();
    if (mode == kPollAllPorts)
        std::memset(records.data(), 0, sizeof(PortRecord) * records.size());
    // The chip identity request; its reply comes back in the first four bytes.
    const BYTE identity[8] = {0x80, 0xE2, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00};
    std::memcpy(request, identity, sizeof identity);
    const std::u16string firmware = frame_.CisSetting.FilePathOfFW.str();
    bool found = AccessDevice(kAccessRequest, request, firmware, 0, 0, 0) != 0;
    if (!found) {
        std::memset(request, 0, sizeof request);
        found = AccessDevice(kAccessOpenOnly, request, firmware, 0, 0, 0) != 0;
    }
    PortRecord& first = records[0];
    if (!found) {
        first.present = 0;
        return false;
    }
    first.hubTier = 1;
    first.present = 1;
    std::memcpy(first.disk.inquiry + 40, request, 4);
    return true;
}

void CPortView::NewEnumPolling(BYTE mode)
{
    platform::DebugPrintf("NewEnum & Polling, Mode=%X", mode);
    BYTE request[8];
    if (PollFirstChip(mode, request))
        platform::DebugPrintf("InqueryData[0x28]=%X, %X, %X, %X", request[0], request[1], request[2], request[3]);
}

void CPortView::EnumerateAllPorts()
{
    NewEnumPolling(kPollAllPorts);
}

void CPortView::RefreshPorts()
{
    for (int port = 0; port < PortCount(); ++port)
        if (ports_[Index(port)].running == 1)
            RequestStop(port);
    EnumerateAllPorts();
    for (int port = 0; port < PortCount(); ++port) {
        PortState& state = ports_[Index(port)];
        ShowIcon(port, IdleIcon());
        ResetProgress(port);
        state.running = 0;
        const bool present = document_.Ports()[Index(port)].present != 0;
        if (present)
            ShowConnected(port);
        PortButton(port).setEnabled(present);
        frame_.RefreshDeviceListRow(port);
        state.started = 0;
    }
}

void CPortView::RefreshWhenNoneStarted()
{
    const bool anyStarted = std::any_of(ports_.begin(), ports_.begin() + PortCount(), [](const PortState& s) { return s.started == 1; });
    if (frame_.AutoRunActive != 0 || anyStarted)
        return;
    // A refresh rewrites the records a worker may still read.
    if (AnyWorkerBusy())
        platform::DebugPrintf("PollingDeiveStatus: ports are running; no full refresh");
    else
        RefreshPorts();
}

void CPortView::ShowPresenceChange(int port, bool automaticStart)
{
    PortState& state = ports_[Index(port)];
    if (document_.Ports()[Index(port)].present != 0) {
        if (state.started != 1) {
            ShowIcon(port, IdleIcon());
            ResetProgress(port);
        }
        state.running = 0;
        ShowConnected(port);
        PortButton(port).setEnabled(true);
        FocusSerialEntry();
    } else {
        ShowIcon(port, layout_.icons.idleChip);
        ResetProgress(port);
        RequestStop(port);
        PortButton(port).setEnabled(false);
        if (automaticStart)
            state.started = 0;
    }
    frame_.RefreshDeviceListRow(port);
}

void CPortView::PollingDeiveStatus()
{
    const bool automaticStart = (frame_.FabrunMode & kFabrunModeAutoRunActive) != 0;
    std::array<BYTE, kPortCount> wasPresent{};
    for (int port = 0; port < PortCount(); ++port)
        wasPresent[Index(port)] = document_.Ports()[Index(port)].present;
    RefreshWhenNoneStarted();
    for (int port = 0; port < PortCount(); ++port) {
        PortState& state = ports_[Index(port)];
        PortRecord& record = document_.Ports()[Index(port)];
        if (state.running == 1)
            continue;
        if (record.hubTier == 0) {
            if (automaticStart && state.started == 1)
                state.started = 0;
            continue;
        }
        NewEnumPolling(static_cast<BYTE>(port));
        record.changed = record.present != wasPresent[Index(port)] ? 1 : 0;
        if (record.changed != 0) {
            record.changed = 0;
            ShowPresenceChange(port, automaticStart);
        }
        if (record.present != 0) {
            ShowConnected(port);
            PortButton(port).setEnabled(true);
            if (automaticStart && state.started == 0) {
                state.started = 1;
                ClickPortButton(port);
            }
        }
    }
}
