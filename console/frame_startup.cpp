// The station's start-up inside the frame's creation: server files, settings, the two
// panes, the server objects, the mode bits, the filter driver and device notifications.
#include "console/dev_list_view.h"
#include "console/filter_driver.h"
#include "console/main_frame.h"
#include "console/port_view/port_view_factory.h"
#include "console/port_view/port_view.h"
#include "console/server_files.h"
#include "console/server_link.h"
#include "engine/ini/language.h"
#include "platform/com/com.h"
#include "platform/debug/debug.h"
#include "platform/devnotify/devnotify.h"
#include "platform/msgbox/msgbox.h"

#include <QSplitter>

bool CMainFrame::OnCreateClient()
{
    ServerInstallResult installed = InstallServerFiles(programFolder_);
    if (!installed.problems.empty()) {
        std::u16string text = u"The device access server could not be installed:\n" + installed.problems;
        MessageBoxW(this, text.c_str(), u"Fabrun", MB_OK | MB_ICONERROR);
    }
    LoadSettings();
    const DWORD loadedMode = FabrunMode;
    OnSettingsLoaded();
    // Read under the keys of the mode the station now runs in, which its exit saves under.
    if (((loadedMode ^ FabrunMode) & kFabrunModeFlashDrive) != 0)
        ReloadCISSettingsForMode();

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setChildrenCollapsible(true);
    setCentralWidget(splitter_);
    // The device list above the port view, closed until DetailView opens it.
    devListView_ = new CDevListView(*this, document_, splitter_);
    CreatePortView();
    InitDevView(LanguageSection(*ToolIni));
    splitter_->setSizes({0, height()});
    portView_->setFocus();

    HRESULT initialized = CoInitialize(nullptr);
    comInitialized_ = SUCCEEDED(initialized);
    std::u16string problem;
    if (!comInitialized_ || !CreatePortwardenObjects(problem)) {
        if (!comInitialized_)
            problem = u"COM could not be initialised.";
        MessageBoxW(this, (problem + u"\nThe station cannot start.").c_str(), u"Fabrun", MB_OK | MB_ICONERROR);
        return false;
    }
    DetailPaneShown = 0;
    ApplyModeBits();
    SwitchFilterDriverOn();
    RegisterUsbNotification();
    return true;
}

void CMainFrame::CreatePortView()
{
    portView_ = CreatePortViewFor(DevNoView, *this, document_, splitter_);
}

void CMainFrame::ApplyModeBits()
{
    if ((FabrunMode & kFabrunModeNoProductFilter) != 0)
        PortwardenCtrl->DisableProductFilter();
    if ((FabrunMode & kFabrunModeFlashDrive) != 0) {
        LoadFlashDatabase();
        if (!DebugFilePath.empty())
            PortwardenCtrl->SetDebugDmpFilePathSS(DebugFilePath.c_str());
    }
    if ((FabrunMode & kFabrunModeForceUsb30) != 0)
        PortwardenCtrl->ForceInUSB30();
}

// FilterInstalled says that this process switched the driver on, so only then is it
// switched off at the end.
void CMainFrame::SwitchFilterDriverOn()
{
    if (CisSetting.DisableFilterDrv != 0)
        return;
    if (StartFilterInstaller(programFolder_, true))
        FilterInstalled = 1;
}

void CMainFrame::RegisterUsbNotification()
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = 32;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    deviceNotification_ = RegisterDeviceNotificationW(this, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (deviceNotification_ == nullptr)
        MessageBoxW(this, u"Can't register device notification: ", u"Fabrun", MB_OK);
}
