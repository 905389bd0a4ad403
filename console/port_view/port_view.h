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
    // Re-polls after a device arrived or left.
    void PollingDeiveStatus();
    // The port button's click: starts an idle port, or asks a running one to stop. True
    // when a worker was started.
    bool OnClickedPort(int port);
    void ClickPortButton(int port);
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

    CMainFrame& frame_;
    DialogControls controls_;

private:
    struct PortState {
        PortThreadParam param{};      // read by the worker for its whole run
        HANDLE worker = nullptr;      // the last worker started
        bool resultPending = false;   // from the start until its result is handled
        int running = 0;
        int started = 0;
        bool autoRunMember = false;
        QBasicTimer animation;
    };

    static std::size_t Index(int port) { return static_cast<std::size_t>(port); }
    bool StartPortThread(int port);
    void OnSetPortProgress(const PortProgress& progress);
    void OnPortResult(const PortResult& result);
    void OnPortProgressTimer(const PortProgress& progress);
    void OnTimer(int id);
    void ShowPortSpeed(bool show, double readRate, double writeRate, int port);
    void NewEnumPolling(BYTE mode);
    void StopAnimation(int port);
    void ResetProgress(int port);
    void ShowIcon(int port, UINT icon);
    void ShowText(int port, const char16_t* key, const char16_t* english);
    void ShowStatus(int port, UINT icon, const char16_t* key, const char16_t* english);
    void ShowConnected(int port);
    UINT IdleIcon() const;
    // Joins the previous worker of a port, which has been released.
    void ReleaseWorkerHandle(PortState& state);

    CDevInfoDoc& document_;
    const PortViewLayout& layout_;
    std::array<PortState, kPortCount> ports_;
    QBasicTimer popupTimer_;
};
