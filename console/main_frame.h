// The station's main window and the owner of its state: the settings (MainFrameSettings),
// the run counters, the splitter with the device-list pane and the port view, the
// server's two interfaces, the filter driver and the device notifications. Its creation
// is the station's start-up, its destruction the shut-down.
#pragma once

#include "engine/settings/main_frame_settings.h"
#include "platform/window/window.h"

#include <QMainWindow>

#include <memory>
#include <set>
#include <string>
#include <string_view>

// FabrunMode bits the console reads (bits 0, 1 and 9: engine/settings).
constexpr DWORD kFabrunModeOnlyOneDevice = 0x10;  // device numbers 4 to 32 cannot be chosen
constexpr DWORD kFabrunModeForceUsb30 = 0x20;
constexpr DWORD kFabrunModeNoProductFilter = 0x40;

// The height of the device-list pane while it is shown.
constexpr int kDetailPaneHeight = 768;

class CDevInfoDoc;
class CDevListView;
class CPortView;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
struct FlashPartTable;
struct UFDBlockMap;

class CMainFrame : public QMainWindow, public MainFrameSettings, public MessageWindow {
    Q_OBJECT

public:
    // `programFolder` (with its trailing '/') holds the server files, the installers and the station INI.
    CMainFrame(CDevInfoDoc& document, std::u16string programFolder);
    ~CMainFrame() override;

    // The start-up: client area and server (OnCreateClient), then the bars. False when the
    // frame cannot be used; what failed has been shown.
    bool OnCreate();

    // Members the port views and the commands share.
    BYTE AutoRunActive = 0;
    INT AutoRunPortCount = 0;
    INT PassCount = 0;
    INT FailCount = 0;
    INT FilterInstalled = 0;
    INT DetailPaneShown = 0;
    // The server's flash block map, made by the port views' CIS read in flash-drive mode.
    UFDBlockMap* BlockMapHandle = nullptr;
    // The four LUN capacities (sectors) of each port's device CIS, as last read.
    DWORD PortLunCapacities[32][4] = {};
    // Set by the 1-port view from a click until the port's result: it ignores clicks meanwhile.
    BYTE CounterPanesDisabled = 0;
    // Set by the chip page's "Save Setting": the settings sheet then saves even on Cancel.
    INT SaveRequested = 0;

    // A caption in the operator's language.
    std::u16string Caption(std::u16string_view key, std::u16string_view english) const;
    // The three counter panes: normal style shows their texts, disabled keeps them hidden.
    void SetCounterPanesStyle(bool normal);
    void SetCounterPaneText(int index, const QString& text);
    QString CounterPaneText(int index) const;
    bool CounterPanesShown() const;

    // The flash-part database, read at start-up in flash-drive mode; null otherwise.
    const FlashPartTable* FlashParts() const { return flashParts_.get(); }
    void LoadFlashDatabase();

    CDevInfoDoc& Document() const { return document_; }
    CPortView* PortView() const { return portView_; }
    CDevListView* DevListView() const { return devListView_; }
    // Rewrites the device-list row of a port after its state changed.
    void RefreshDeviceListRow(int port);
    QMenu* FrameMenu(int position) const;
    QAction* CommandAction(UINT command) const;
    QToolBar* ToolBar() const { return toolBar_; }

    // The commands of the menu, accelerators and toolbar.
    void OnSetting();
    void OnEnumerate();
    void OnDetailView();
    void OnAutoRun();
    void OnRunStop();
    void OnDeviceNumber(int ports);
    BOOL OnDeviceChange(UINT event, UINT_PTR data);
    // A command from the menu, an accelerator or the toolbar.
    void OnCommand(UINT command);

protected:
    // Called at start-up once the settings are loaded, before their mode bits are applied.
    // The settings load always selects chip mode; a station that runs flash drives sets
    // FabrunMode bit 0 here.
    virtual void OnSettingsLoaded() {}

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void Post(PostedMessage message) override;

private:
    void PreCreateWindow();
    bool OnCreateClient();
    bool CreateServerObjects();
    void ApplyModeBits();
    // Shut-down in flash-drive mode: the server's block map and the flash-part table.
    void FreeFlashDriveState();
    void SwitchFilterDriverOn();
    void RegisterUsbNotification();
    void CreatePortView();
    void CreateStatusBar();
    void CreateToolBar();
    void CreateMenus();
    void ApplyToolbarLanguage(const std::u16string& section);
    void ApplyMenuLanguage(const QList<QAction*>& items, const std::u16string& section);
    void InitDevView(const std::u16string& section);
    void UpdateDeviceNumberChecks();
    // False, with a message to the operator, while a worker reads what `what` would change.
    bool PortsIdleFor(const char16_t* what);
    // The framework's commands: false for any other command.
    bool OnFrameworkCommand(UINT command);
    void OnFileNew();
    void OnEditCommand(UINT command);
    void ActivateNextPane();
    bool DispatchesToView() const;
    void RestoreTitle();

    CDevInfoDoc& document_;
    const std::u16string programFolder_;
    QSplitter* splitter_ = nullptr;
    CDevListView* devListView_ = nullptr;
    CPortView* portView_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* counterPanes_[3] = {};
    QString counterTexts_[3];
    bool counterPanesShown_ = false;
    // Items disabled without greying: they keep their look and do nothing.
    std::set<UINT> inertCommands_;
    std::unique_ptr<FlashPartTable> flashParts_;
    bool comInitialized_ = false;
    HANDLE deviceNotification_ = nullptr;
};
