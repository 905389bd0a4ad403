#include "console/port_view/port_view.h"

#include "console/main_frame.h"
#include "console/port_view/port_progress_slots.h"
#include "console/posted_message_event.h"
#include "controls/icon_button.h"
#include "engine/chipworker/chip_run_thread.h"
#include "engine/ports/dev_info_doc.h"
#include "engine/ports/port_result_view.h"
#include "engine/ports/run_result.h"
#include "engine/ufdworker/ufd_run_thread.h"
#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/sync/sync.h"
#include "portwarden/block_map.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimerEvent>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr int kPopupTimerId = 1;
constexpr int kPopupPeriodMs = 3000;
constexpr int kAnimationPeriodMs = 1;
constexpr DWORD kLunTypeShowRates = 1u << 21;

} // namespace

CPortView::CPortView(CMainFrame& frame, CDevInfoDoc& document, const PortViewLayout& layout, QWidget* parent)
    : QWidget(parent), frame_(frame), controls_(*this, *res::FindDialogTemplate(layout.templateId)), document_(document),
      layout_(layout)
{
    setMinimumSize(controls_.FormSize());
    for (int port = 0; port < PortCount(); ++port)
        connect(&PortButton(port), &QAbstractButton::clicked, this, [this, port] { OnClickedPort(port); });
}

CPortView::~CPortView()
{
    // The frame lets a view go only while no worker is busy. Should one still run, its
    // result either waits in the queue, and is handled here so that its worker is
    // released, or cannot be posted any more, and the worker returns without waiting.
    StopReceiving();
    QCoreApplication::sendPostedEvents(this, PostedMessageEvent::Type());
    for (PortState& state : ports_)
        ReleaseWorkerHandle(state);
}

CIconButton& CPortView::PortButton(int port) const
{
    return *controls_.ItemAs<CIconButton>(layout_.tiles[Index(port)].button);
}

QCheckBox& CPortView::DisableBox(int port) const
{
    return *controls_.ItemAs<QCheckBox>(layout_.tiles[Index(port)].disable);
}

QGroupBox& CPortView::PortGroup(int port) const
{
    return *controls_.ItemAs<QGroupBox>(layout_.tiles[Index(port)].group);
}

QProgressBar& CPortView::PortProgressBar(int port) const
{
    return *controls_.ItemAs<QProgressBar>(layout_.tiles[Index(port)].progress);
}

QLabel& CPortView::RateLabel(int port, bool read) const
{
    const res::PortTileIds& ids = layout_.tiles[Index(port)];
    return *controls_.ItemAs<QLabel>(read ? ids.rateR : ids.rateW);
}

bool CPortView::AnyWorkerBusy() const
{
    for (int port = 0; port < PortCount(); ++port)
        if (WorkerBusy(port))
            return true;
    return false;
}

void CPortView::RequestStop(int port)
{
    ports_[Index(port)].param.stopRequest = 1;
}

void CPortView::OnInitialUpdate()
{
    for (int port = 0; port < PortCount(); ++port) {
        PortProgressBar(port).setRange(0, kPortProgressEnd);
        ShowPortSpeed(false, 0.0, 0.0, port);
        ports_[Index(port)].started = 0;
    }
    RefreshPorts();
    ReadCisAllPorts();
    popupTimer_.start(kPopupPeriodMs, this);
}

UINT CPortView::IdleIcon() const
{
    return (frame_.FabrunMode & kFabrunModeFlashDrive) != 0 ? layout_.icons.idleFlashDrive : layout_.icons.idleChip;
}

// Whenever the view sets a button's icon or text, the button keeps the raised look and its
// tool tip is a balloon.
void CPortView::KeepButtonLook(CIconButton& button)
{
    button.setFlat(false);
    button.update();
    button.ToolTipStyle |= TTS_BALLOON;
}

void CPortView::ShowIcon(int port, UINT icon)
{
    CIconButton& button = PortButton(port);
    KeepButtonLook(button);
    button.SetIconById(icon);
}

void CPortView::ShowText(int port, const char16_t* key, const char16_t* english)
{
    CIconButton& button = PortButton(port);
    // Before the text: the first text creates the tool tip with the style it finds.
    KeepButtonLook(button);
    button.SetTooltipText(QString::fromStdU16String(frame_.Caption(key, english)));
}

void CPortView::ShowStatus(int port, UINT icon, const char16_t* key, const char16_t* english)
{
    ShowIcon(port, icon);
    ShowText(port, key, english);
}

void CPortView::ShowConnected(int port)
{
    ShowText(port, u"Connected", u"Connected!!");
}

void CPortView::ResetProgress(int port)
{
    PortProgress& slot = PortProgressSlots[Index(port)];
    slot.port = port;
    slot.progress = 0;
    if (!platform::PostRecord(this, WM_PORT_PROGRESS, slot))
        platform::DebugPrintf("Port %d: the reset of its bar was not posted", port);
}

bool CPortView::OnClickedPort(int port)
{
    if (frame_.AutoRunActive != 0)
        return false;
    frame_.SetCounterPanesStyle(false);
    PortState& state = ports_[Index(port)];
    if (state.running == 0)
        return StartPortThread(port);
    state.running = 0;
    state.param.stopRequest = 1;
    return false;
}

void CPortView::ClickPortButton(int port)
{
    if (port >= 0 && port < PortCount())
        OnClickedPort(port);
}

void CPortView::ReleaseWorkerHandle(PortState& state)
{
    if (state.worker == nullptr)
        return;
    if (WaitForSingleObject(state.worker, INFINITE) != WAIT_OBJECT_0)
        platform::DebugPrintf("Port %d: the end of the previous worker could not be awaited", state.param.port);
    CloseHandle(state.worker);
    state.worker = nullptr;
}

bool CPortView::StartPortThread(int port)
{
    PortState& state = ports_[Index(port)];
    // The worker reads its start record until it has posted its result and been released.
    if (state.resultPending) {
        platform::DebugPrintf("Port %d: its previous worker has not reported yet; not started again", port);
        return false;
    }
    ReleaseWorkerHandle(state);
    state.running = 1;
    if ((frame_.FabrunMode & kFabrunModeAutoRunActive) == 0)
        state.started = 1;
    ShowConnected(port);

    PortThreadParam& param = state.param;
    // Polls rewrite the document's records while workers run: the worker reads a copy of
    // its record as it was at its start.
    state.record = document_.Ports()[Index(port)];
    param.hwndView = this;
    param.mainFrame = &frame_;
    param.stopRequest = 0;
    param.port = port;
    param.portRecord = &state.record;
    // A run that gives its device no number must not log the one an earlier device on
    // this port was given.
    param.serialNumber = 0;
    std::fill(std::begin(param.hdSerial), std::end(param.hdSerial), '\0');
    FillSerialNumber(param);
    const BYTE* inquiry = state.record.disk.inquiry;
    param.portFlags = inquiry[51];
    param.chipType = static_cast<std::uint8_t>((inquiry[0] & 0x0F) | (std::memcmp(inquiry + 36, "KQ8N", 4) != 0 ? 0x80 : 0));
    FillFirmwareVersion(param, inquiry);
    const bool flashDrive = (frame_.FabrunMode & kFabrunModeFlashDrive) != 0;
    // Without a map (chip mode, or no flash identified) a record of an earlier map must not stay behind.
    param.blockMapEntry = flashDrive && frame_.BlockMapHandle != nullptr ? PortBlockMap(*frame_.BlockMapHandle, port) : nullptr;
    WorkerStarting(port, param);
    ShowIcon(port, IdleIcon());

    state.worker = CreateThread(nullptr, 0, flashDrive ? UFDRunThread : ChipRunThread, &param, CREATE_SUSPENDED, nullptr);
    if (state.worker == nullptr) {
        platform::DebugPrintf("Port %d: the worker could not be created (%u)", port, GetLastError());
        state.running = 0;
        return false;
    }
    state.resultPending = true;
    ResumeThread(state.worker);
    return true;
}

void CPortView::FillFirmwareVersion(PortThreadParam& param, const BYTE* inquiry)
{
    std::memcpy(param.firmwareVersion, inquiry + 40, sizeof param.firmwareVersion);
}

void CPortView::Post(PostedMessage message)
{
    QCoreApplication::postEvent(this, new PostedMessageEvent(std::move(message)));
}

bool CPortView::event(QEvent* event)
{
    if (event->type() != PostedMessageEvent::Type())
        return QWidget::event(event);
    const PostedMessage& message = static_cast<PostedMessageEvent*>(event)->message();
    switch (message.message) {
    case WM_PORT_PROGRESS:
        OnSetPortProgress(message.Record<PortProgress>());
        break;
    case WM_PORT_RESULT:
        OnPortResult(message.Record<PortResult>());
        break;
    case WM_PORT_PROGRESS_TIMER:
        OnPortProgressTimer(message.Record<PortProgress>());
        break;
    default:
        platform::DebugPrintf("Port view: message 0x%X not handled", message.message);
        break;
    }
    return true;
}

void CPortView::OnSetPortProgress(const PortProgress& progress)
{
    if (progress.port < 0 || progress.port >= PortCount()) {
        platform::DebugPrintf("Port view: progress of port %d, which it does not show", progress.port);
        return;
    }
    PortProgressBar(progress.port).setValue(progress.progress);
}

void CPortView::OnPortResult(const PortResult& result)
{
    const int port = result.port;
    if (port < 0 || port >= PortCount()) {
        platform::DebugPrintf("Port view: result %d of port %d, which it does not show", result.result, port);
        ReleasePortWorker(port);
        return;
    }
    PortState& state = ports_[Index(port)];
    const bool counted = frame_.AutoRunActive != 0 && state.autoRunMember;
    switch (ReadPortResult(result.result)) {
    case PortVerdict::Pass:
    case PortVerdict::PassRedo: {
        bool redo = result.result == RunResult::SuccessRedo;
        ShowStatus(port, redo ? layout_.icons.redo : layout_.icons.success, redo ? u"ReDoItAgain" : u"RunSuccess",
                   redo ? u"Redo it again!!" : u"Run Success!!");
        if (counted)
            frame_.SetCounterPaneText(1, QStringLiteral("Pass :%1 ").arg(++frame_.PassCount));
        break;
    }
    case PortVerdict::Fail:
        ShowStatus(port, layout_.icons.failure, u"RunFail", u"Run Fail!!");
        if (counted)
            frame_.SetCounterPaneText(2, QStringLiteral("Fail :%1 ").arg(++frame_.FailCount));
        break;
    case PortVerdict::Stopped:
        ShowStatus(port, IdleIcon(), u"Connected", u"Connected!!");
        break;
    case PortVerdict::Unchanged:
        break;
    }
    if (counted && --frame_.AutoRunPortCount <= 0)
        frame_.AutoRunActive = 0;
    state.autoRunMember = false;
    state.running = 0;
    ResultShown(port);
    ShowPortSpeed(true, result.readRate, result.writeRate, port);
    ResultHandled(port);
    // The animation reads a counter on the worker's stack: it ends before the worker may.
    StopAnimation(port);
    ReleasePortWorker(port);
    state.resultPending = false;
    FocusSerialEntry();
}

void CPortView::OnPortProgressTimer(const PortProgress& progress)
{
    if (progress.port < 0 || progress.port >= PortCount()) {
        platform::DebugPrintf("Port view: animation of port %d, which it does not show", progress.port);
        return;
    }
    PortProgress& slot = PortProgressSlots[Index(progress.port)];
    slot.progress = progress.progress;
    slot.liveProgress = progress.liveProgress;
    if (progress.timerOn == 1)
        ports_[Index(progress.port)].animation.start(kAnimationPeriodMs, this);
    else
        StopAnimation(progress.port);
}

void CPortView::StopAnimation(int port)
{
    ports_[Index(port)].animation.stop();
    PortProgressSlots[Index(port)].liveProgress = nullptr;
}

void CPortView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == popupTimer_.timerId()) {
        OnTimer(kPopupTimerId);
        return;
    }
    for (int port = 0; port < PortCount(); ++port)
        if (event->timerId() == ports_[Index(port)].animation.timerId()) {
            OnTimer(port + 2);
            return;
        }
    QWidget::timerEvent(event);
}

void CPortView::OnTimer(int id)
{
    if (id == 0 || id == kPopupTimerId) {
        CloseOSPopWindows();
        return;
    }
    const int port = id - 2;
    const PortProgress& slot = PortProgressSlots[Index(port)];
    int live = slot.liveProgress != nullptr ? slot.liveProgress->load() : 0;
    PortProgressBar(port).setValue(slot.progress + live);
}

void CPortView::ShowPortSpeed(bool show, double readRate, double writeRate, int port)
{
    QLabel& read = RateLabel(port, true);
    QLabel& write = RateLabel(port, false);
    const bool visible = show && (frame_.CisSetting.LunTypeBitMap & kLunTypeShowRates) != 0;
    if (visible) {
        constexpr double kPerMegabyte = 1.0 / (1024.0 * 1024.0);
        read.setText(QString::asprintf(layout_.readRateFormat, readRate * kPerMegabyte));
        write.setText(QString::asprintf(layout_.writeRateFormat, writeRate * kPerMegabyte));
    }
    read.setVisible(visible);
    write.setVisible(visible);
}
