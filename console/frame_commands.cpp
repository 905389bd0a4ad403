// The frame's commands: settings, enumerate, detail view, automatic run and its stop, the
// device-number switch, and the device-change poll.
#include "console/dev_list_view.h"
#include "console/fabrun_app.h"
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "console/port_view/port_view_factory.h"
#include "console/settings/setting_command.h"
#include "controls/icon_button.h"
#include "engine/ini/language.h"
#include "platform/debug/debug.h"
#include "platform/devnotify/devnotify.h"
#include "resources/resource_ids.h"

#include <algorithm>

#include <QCheckBox>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

void CMainFrame::OnCommand(UINT command)
{
    if (inertCommands_.count(command) != 0 || OnFrameworkCommand(command))
        return;
    switch (command) {
    case res::ID_FUNCTION_SETTING:
        OnSetting();
        break;
    case res::ID_FUNCTION_ENUMERATE:
        OnEnumerate();
        break;
    case res::ID_FUNCTION_DETAIL_VIEW:
        OnDetailView();
        break;
    case res::ID_FUNCTION_AUTO_RUN:
        OnAutoRun();
        break;
    case res::ID_FUNCTION_RUN_STOP:
        OnRunStop();
        break;
    case res::ID_DEVICE_NUMBER_1:
        OnDeviceNumber(1);
        break;
    case res::ID_DEVICE_NUMBER_4:
        OnDeviceNumber(4);
        break;
    case res::ID_DEVICE_NUMBER_8:
        OnDeviceNumber(8);
        break;
    case res::ID_DEVICE_NUMBER_16:
        OnDeviceNumber(16);
        break;
    case res::ID_DEVICE_NUMBER_32:
        OnDeviceNumber(32);
        break;
    case res::ID_VIEW_TOOLBAR:
        toolBar_->setVisible(!toolBar_->isVisible());
        CommandAction(command)->setChecked(toolBar_->isVisible());
        break;
    case res::ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        CommandAction(command)->setChecked(statusBar()->isVisible());
        break;
    case res::ID_APP_ABOUT: // the application's command
        if (auto* application = qobject_cast<CFabrunApp*>(QCoreApplication::instance()))
            application->OnAppAbout(*this);
        break;
    default:
        platform::DebugPrintf("Main frame: command %u has no handler", command);
        break;
    }
}

bool CMainFrame::DispatchesToView() const
{
    return DevNoView == 1 || DevNoView == 4 || DevNoView == 8 || DevNoView == 16 || DevNoView == 32;
}

// The workers read the settings record while they run.
void CMainFrame::OnSetting()
{
    if (PortsIdleFor(u"Open the settings"))
        RunSettingsSheet(*this);
}

void CMainFrame::OnEnumerate()
{
    if (DispatchesToView() && PortsIdleFor(u"Enumerate the devices again")) {
        portView_->RefreshPorts();
        portView_->ReadCisAllPorts();
    }
    portView_->setFocus();
}

// Every toggle builds a new list, so that it reads the language, the mode and the ports afresh.
void CMainFrame::OnDetailView()
{
    auto* list = new CDevListView(*this, document_);
    delete splitter_->replaceWidget(0, list);
    devListView_ = list;
    DetailPaneShown = DetailPaneShown == 0 ? 1 : 0;
    const int shown = DetailPaneShown != 0 ? kDetailPaneHeight : 0;
    splitter_->setSizes({shown, std::max(0, splitter_->height() - shown)});
    devListView_->OnInitialUpdate();
    if (DetailPaneShown != 0)
        devListView_->setFocus();
    else
        portView_->setFocus();
    RestoreTitle();
}

void CMainFrame::RefreshDeviceListRow(int port)
{
    if (devListView_ != nullptr)
        devListView_->RefreshDeviceRow(port);
}

void CMainFrame::OnAutoRun()
{
    if (AutoRunActive == 1)
        return;
    AutoRunPortCount = 0;
    PassCount = 0;
    FailCount = 0;
    SetCounterPaneText(0, QStringLiteral("Total : 0 "));
    SetCounterPaneText(1, QStringLiteral("Pass : 0 "));
    SetCounterPaneText(2, QStringLiteral("Fail : 0 "));
    if (DispatchesToView()) {
        for (int port = 0; port < portView_->PortCount(); ++port) {
            if (!portView_->PortButton(port).isEnabled() || portView_->Running(port) || portView_->DisableBox(port).isChecked())
                continue;
            // Only the ports this run starts are counted, so that the counters add up.
            if (portView_->OnClickedPort(port)) {
                ++AutoRunPortCount;
                portView_->JoinAutoRun(port);
            }
        }
    }
    SetCounterPanesStyle(true);
    SetCounterPaneText(0, QStringLiteral("Total :%1 ").arg(AutoRunPortCount));
    AutoRunActive = AutoRunPortCount > 0 ? 1 : 0;
}

void CMainFrame::OnRunStop()
{
    if (AutoRunActive == 0 || !DispatchesToView())
        return;
    for (int port = 0; port < portView_->PortCount(); ++port)
        if (portView_->Running(port))
            portView_->RequestStop(port);
}

void CMainFrame::OnDeviceNumber(int ports)
{
    if (!PortViewAvailable(ports) || !PortsIdleFor(u"Change the number of devices"))
        return;
    CPortView* old = portView_;
    portView_ = CreatePortViewFor(ports, *this, document_, splitter_);
    splitter_->replaceWidget(1, portView_);
    delete old;
    DevNoView = ports;
    portView_->OnInitialUpdate();
    portView_->setFocus();
    InitDevView(LanguageSection(*ToolIni));
    UpdateDeviceNumberChecks();
    RestoreTitle();
}

BOOL CMainFrame::OnDeviceChange(UINT event, UINT_PTR data)
{
    platform::DebugPrintf("-----> OnDeviceChange=%X, %lX", event, static_cast<unsigned long>(data));
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return TRUE;
    platform::DebugPrintf(event == DBT_DEVICEARRIVAL ? "==  DBT_DEVICE_ARRIVAL  ==" : "==  DBT_DEVICE_REMOVE_COMPLETE  ==");
    if (DispatchesToView())
        portView_->PollingDeiveStatus();
    return TRUE;
}
