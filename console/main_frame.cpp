#include "console/main_frame.h"

#include "console/dev_list_view.h"
#include "console/fabrun_app.h"
#include "console/filter_driver.h"
#include "console/port_view/port_view.h"
#include "console/posted_message_event.h"
#include "console/server_link.h"
#include "console/settings/settings_save_report.h"
#include "engine/flashdb/flash_part_database.h"
#include "engine/ini/language.h"
#include "engine/usb/vendor_requests.h"
#include "platform/com/com.h"
#include "platform/debug/debug.h"
#include "platform/devnotify/devnotify.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

CMainFrame::CMainFrame(CDevInfoDoc& document, std::u16string programFolder)
    : MainFrameSettings(programFolder), document_(document), programFolder_(std::move(programFolder))
{
    VdrCommandCount = 0;
    PreCreateWindow();
}

// The shut-down. The port view goes first: it may still hand a worker its release, and
// it reads the frame while it does.
CMainFrame::~CMainFrame()
{
    StopReceiving();
    delete portView_;
    portView_ = nullptr;
    FreeFlashDriveState();
    if (deviceNotification_ != nullptr && !UnregisterDeviceNotification(deviceNotification_))
        platform::DebugPrintf("UnregisterDeviceNotification failed");
    ReportUnsavedSettings(ToolIni != nullptr ? SaveSettings() : SettingsSaveResult{});
    ReleasePortwardenObjects();
    if (comInitialized_)
        CoUninitialize();
    if (FilterInstalled == 1) {
        StartFilterInstaller(programFolder_, false);
        FilterInstalled = 0;
    }
}

// The view is gone and has joined its workers: none borrows a record of the map any more.
void CMainFrame::FreeFlashDriveState()
{
    if (BlockMapHandle != nullptr && PortwardenCtrl != nullptr)
        PortwardenCtrl->DeleteUFDBlockMap(BlockMapHandle);
    BlockMapHandle = nullptr;
    flashParts_.reset();
}

void CMainFrame::LoadFlashDatabase()
{
    flashParts_ = ::LoadFlashDatabase(FlashDatabasePath(*this));
}

// 1024 x 768 where the screen is larger, else 90 % of it; fixed size, centred at the top.
void CMainFrame::PreCreateWindow()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    const int width = area.width() > 1024 ? 1024 : area.width() * 90 / 100;
    const int height = area.height() > 768 ? 768 : area.height() * 90 / 100;
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(width, height);
    move(area.left() + (area.width() - width) / 2, area.top());
}

bool CMainFrame::OnCreate()
{
    if (!OnCreateClient())
        return false;
    CreateStatusBar();
    CreateToolBar();
    ApplyToolbarLanguage(LanguageSection(*ToolIni));
    CreateMenus();
    SetCounterPanesStyle(false);
    SetCounterPaneText(0, QStringLiteral("Total : 0 "));
    SetCounterPaneText(1, QStringLiteral("Pass : 0 "));
    SetCounterPaneText(2, QStringLiteral("Fail : 0 "));
    // The framework's first update of the views, once the frame stands; the list then
    // shows what the port view's enumeration found.
    portView_->OnInitialUpdate();
    devListView_->OnInitialUpdate();
    return true;
}

std::u16string CMainFrame::Caption(std::u16string_view key, std::u16string_view english) const
{
    return ToolIni != nullptr ? LanguageText(*ToolIni, key, english) : std::u16string(english);
}

void CMainFrame::SetCounterPanesStyle(bool normal)
{
    counterPanesShown_ = normal;
    for (int index = 0; index < 3; ++index)
        counterPanes_[index]->setText(normal ? counterTexts_[index] : QString());
}

void CMainFrame::SetCounterPaneText(int index, const QString& text)
{
    counterTexts_[index] = text;
    if (counterPanesShown_)
        counterPanes_[index]->setText(text);
}

QString CMainFrame::CounterPaneText(int index) const
{
    return counterTexts_[index];
}

bool CMainFrame::CounterPanesShown() const
{
    return counterPanesShown_;
}

bool CMainFrame::PortsIdleFor(const char16_t* what)
{
    if (portView_ == nullptr || !portView_->AnyWorkerBusy())
        return true;
    std::u16string text = u"Ports are still running. ";
    text += what;
    text += u" when every port has reported its result.";
    MessageBoxW(this, text.c_str(), u"Fabrun", MB_OK | MB_ICONWARNING);
    return false;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (PortsIdleFor(u"Close the station"))
        event->accept();
    else
        event->ignore();
}

void CMainFrame::Post(PostedMessage message)
{
    QCoreApplication::postEvent(this, new PostedMessageEvent(std::move(message)));
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() != PostedMessageEvent::Type())
        return QMainWindow::event(event);
    const PostedMessage& message = static_cast<PostedMessageEvent*>(event)->message();
    if (message.message == WM_DEVICECHANGE)
        OnDeviceChange(static_cast<UINT>(message.wParam), static_cast<UINT_PTR>(message.lParam));
    else
        platform::DebugPrintf("Main frame: message 0x%X not handled", message.message);
    return true;
}

void CMainFrame::RestoreTitle()
{
    if (auto* application = qobject_cast<CFabrunApp*>(QCoreApplication::instance()))
        setWindowTitle(QString::fromStdU16String(application->TitleBanner));
}
