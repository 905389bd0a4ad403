// The port view: one tile per USB port (group frame, icon button, progress bar, "Disable"
// box, rate labels). It finds the attached chip, starts one worker per port, shows each
// worker's progress and result, counts the results of an automatic run and closes
// listed pop-up windows of other programs. One design for every view; a view's layout
// gives its template, tiles, icons and rate formats.
#pragma once

#include "console/port_view/dialog_builder.h"
#include "console/port_view/port_view_layout.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/port_thread_param.h"
#include "platform/window/window.h"
#include "portwarden/records.h"

#include <QBasicTimer>
#include <QWidget>

#include <array>

class CDevInfoDoc;
class CIconButton;
class CMainFrame;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;

class CPortView : public QWidget, public MessageWindow {
    Q_OBJECT

public:
    CPortView(CMainFrame& frame, CDevInfoDoc& document, const PortViewLayout& layout, QWidget* parent);
    ~CPortView() override;

    int PortCount() const { return static_cast<int>(layout_.tiles.size()); }

    virtual void OnInitialUpdate();
    // Re-enumerates and resets every tile.
    void RefreshPorts();
    // Flash-drive mode only: the flash id of the first present port, its part in the
    // flash-part database, a new block map for the view's ports (the previous one is freed)
    // and that drive's CIS. Never while a worker runs: the workers borrow the map's records.
    void ReadCisAllPorts();
    // Re-polls after a device arrived or left.
    virtual void PollingDeiveStatus();
    // The port button's click: starts an idle port, or asks a running one to stop. True
    // when a worker was started.
    virtual bool OnClickedPort(int port);
    void ClickPortButton(int port);
    // The port's rate labels: shown with the rates in MB/s when `show` is set and the
    // settings ask for rates, else hidden.
    void ShowPortSpeed(bool show, double readRate, double writeRate, int port);
    // One pass of the pop-up closer (every 3 seconds on the view's timer).
    void CloseOSPopWindows();

    // What the frame's commands read and set.
    bool Running(int port) const { return ports_[Index(port)].running == 1; }
    // A worker was started on the port and its result is not handled yet.
    bool WorkerBusy(int port) const { return ports_[Index(port)].resultPending; }
    bool AnyWorkerBusy() const;
    void RequestStop(int port);
    // The port was started by the AutoRun in progress: its result counts.
    void JoinAutoRun(int port) { ports_[Index(port)].autoRunMember = true; }
    const PortThreadParam& ThreadParam(int port) const { return ports_[Index(port)].param; }

    CIconButton& PortButton(int port) const;
    QCheckBox& DisableBox(int port) const;
    QGroupBox& PortGroup(int port) const;
    QProgressBar& PortProgressBar(int port) const;
    QLabel& RateLabel(int port, bool read) const;

protected:
    void Post(PostedMessage message) override;
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

    // What the 16-port view adds for typed serial numbers.
    virtual void FillSerialNumber(PortThreadParam&) {}
    virtual void FocusSerialEntry() {}
    // The start record's firmware version: INQUIRY bytes 40..43.
    virtual void FillFirmwareVersion(PortThreadParam& param, const BYTE* inquiry);
    // Called once the start record is filled, before the worker is created.
    virtual void WorkerStarting(int /*port*/, const PortThreadParam& /*param*/) {}
    // Called with a port's result after its tile shows it and `running` is cleared, and,
    // once the rates are shown, before its worker is released.
    virtual void ResultShown(int /*port*/) {}
    virtual void ResultHandled(int /*port*/) {}
    // The presence poll of every port that RefreshPorts runs before it resets the tiles.
    virtual void EnumerateAllPorts();

    struct PortState {
        PortThreadParam param{};      // read by the worker for its whole run
        PortRecord record{};          // the worker's copy of its port record, taken at its start
        HANDLE worker = nullptr;      // the last worker started
        bool resultPending = false;   // from the start until its result is handled
        int running = 0;
        int started = 0;
        bool autoRunMember = false;
        QBasicTimer animation;
    };

    static std::size_t Index(int port) { return static_cast<std::size_t>(port); }
    PortState& State(int port) { return ports_[Index(port)]; }
    // The libusb presence poll of the 4-, 8- and 16-port views.
    void NewEnumPolling(BYTE mode);
    // The chip requests of the libusb poll and their effect on port record 0; mode 0xFF
    // first zeroes all 32 records. `request` comes back with the reply in bytes 0..3 and
    // the opened device's vendor and product ids in bytes 4..7 (high byte first).
    bool PollFirstChip(BYTE mode, BYTE (&request)[8]);
    // The system addresses, physical capacity and LUN capacities of the port's drive.
    void ReadCis(int port);
    // The part of the flash with this id from the flash-part database: its name and flash
    // parameters into the settings.
    void LoadAppPortList(const BYTE* flashId);
    void ResetProgress(int port);
    static void KeepButtonLook(CIconButton& button);
    void ShowIcon(int port, UINT icon);
    void ShowText(int port, const char16_t* key, const char16_t* english);
    void ShowStatus(int port, UINT icon, const char16_t* key, const char16_t* english);
    void ShowConnected(int port);
    UINT IdleIcon() const;
    // A device notification's full refresh: only while no port is started, and never under
    // a running worker.
    void RefreshWhenNoneStarted();
    // A port's device came or went: its tile, its start state and its device-list row.
    void ShowPresenceChange(int port, bool automaticStart);

    CMainFrame& frame_;
    DialogControls controls_;
    CDevInfoDoc& document_;
    const PortViewLayout& layout_;

private:
    bool StartPortThread(int port);
    void OnSetPortProgress(const PortProgress& progress);
    void OnPortResult(const PortResult& result);
    void OnPortProgressTimer(const PortProgress& progress);
    void OnTimer(int id);
    void StopAnimation(int port);
    // Joins the previous worker of a port, which has been released.
    void ReleaseWorkerHandle(PortState& state);

    std::array<PortState, kPortCount> ports_;
    QBasicTimer popupTimer_;
};
