// The station's start-up and shut-down on the bench: the server is installed, registered
// and created, the filter driver is switched on and off again by this process only, and
// the settings are saved.
#include "console/server_link.h"
#include "controls/icon_button.h"
#include "platform/registry/registry.h"
#include "platform/version/file_version_text.h"
#include "resources/resource_ids.h"
#include "station_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QSplitter>

#include <sys/stat.h>

namespace consoletest {
namespace {

std::string RegisteredServerPath()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{C01DBC00-2BB4-4B8C-BE35-F57F1622CB5A}\\InprocServer32", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return {};
    char path[512] = {};
    DWORD size = sizeof path;
    LSTATUS status = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(path), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(path) : std::string();
}

using StartUp = StationTest;

TEST_F(StartUp, InstallsRegistersAndCreatesTheServer)
{
    PlugChip();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(boxes.empty());
    const std::string systemCopy = (Folder() / "system/Portwarden.ax").string();
    EXPECT_EQ(platform::ReadFileVersionText(platform::AnsiToWide(systemCopy)),
              platform::ReadFileVersionText(platform::AnsiToWide((Folder() / "Portwarden.ax").string())));
    EXPECT_TRUE(fs::exists(Folder() / "system/Volkiln.dll"));
    EXPECT_EQ(RegisteredServerPath(), systemCopy) << "registered before the objects were created";
    EXPECT_NE(PortwardenCtrl, nullptr);
    EXPECT_NE(PortwardenCtrl2, nullptr);
    EXPECT_TRUE(FileBecomes("filter.log", "e\n"));

    EXPECT_TRUE(View().PortButton(0).isEnabled()) << "the chip on port 1";
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Connected!!"));
    for (int port = 1; port < 16; ++port)
        EXPECT_FALSE(View().PortButton(port).isEnabled()) << port;
    EXPECT_FALSE(frame->CounterPanesShown());
    EXPECT_EQ(frame->CounterPaneText(0), QStringLiteral("Total : 0 "));
    EXPECT_EQ(frame->DevListView()->height(), 0) << "the device list starts closed";

    frame.reset();
    EXPECT_TRUE(FileBecomes("filter.log", "e\nd\n"));
    EXPECT_EQ(PortwardenCtrl, nullptr);

    // Equal versions: nothing is copied or registered again.
    struct stat before {};
    stat(systemCopy.c_str(), &before);
    ClearLines();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(HasLineStarting("Portwarden: program copy"));
    struct stat after {};
    stat(systemCopy.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(StartUp, ServerThatCannotBeCreatedEndsTheStartUpWithAMessage)
{
    fs::remove(Folder() / "Portwarden.ax");
    EXPECT_FALSE(Start());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[0].text.find(u"Portwarden.ax could not be copied"), std::u16string::npos);
    EXPECT_NE(boxes[1].text.find(u"Portwarden could not be created: IPortwardenCtrl"), std::u16string::npos);
    EXPECT_NE(boxes[1].text.find(u"The station cannot start."), std::u16string::npos);
    EXPECT_EQ(PortwardenCtrl, nullptr);
    EXPECT_EQ(Read("filter.log"), "") << "the start-up ended before the filter driver";
    frame.reset();
}

struct FilterCase {
    const char* name;
    bool disableFilter;
    bool installerPresent;
    const char* log;
    INT filterInstalled;
};

TEST_F(StartUp, FilterDriverIsSwitchedOffOnlyWhenThisStationSwitchedItOn)
{
    const FilterCase cases[] = {
        {"switched on", false, true, "e\nd\n", 1},
        {"DisableFilterDrv set", true, true, "", 0},
        {"installer missing", false, false, "", 0},
    };
    for (const FilterCase& c : cases) {
        if (c.disableFilter)
            cisIni += "DisableFilterDrv=0x01\n";
        if (!c.installerPresent)
            fs::rename(Folder() / "Driver/RZ87XFilterInst", Folder() / "installer");
        ASSERT_TRUE(Start()) << c.name;
        EXPECT_EQ(frame->FilterInstalled, c.filterInstalled) << c.name;
        frame.reset();
        EXPECT_TRUE(FileBecomes("filter.log", c.log)) << c.name;
        EXPECT_EQ(HasLineStarting("The filter-driver installer could not be started (2): \"" + Folder().string() + "/Driver\\RZ87XFilterInst.exe\" d"), false) << c.name;
        fs::remove(Folder() / "filter.log");
        if (!c.installerPresent)
            fs::rename(Folder() / "installer", Folder() / "Driver/RZ87XFilterInst");
    }
}

TEST_F(StartUp, ShutDownSavesTheDeviceNumberAndSettings)
{
    stationIni = "[Setting]\nDevNoView=0\n";
    ASSERT_TRUE(Start());
    EXPECT_EQ(frame->DevNoView, 0);
    frame->OnCommand(res::ID_DEVICE_NUMBER_16);
    EXPECT_EQ(frame->DevNoView, 16);
    EXPECT_TRUE(frame->CommandAction(res::ID_DEVICE_NUMBER_16)->isChecked());
    frame.reset();
    EXPECT_NE(Read("Fabrun.ini").find("DevNoView=16"), std::string::npos);
    EXPECT_NE(Read("Fabrun.ini").find("CISSettingFilePath="), std::string::npos);
    EXPECT_NE(Read("DefaultCIS.ini").find("FilePathOfFW=" + (Folder() / "firmware.bin").string()), std::string::npos);
}

TEST_F(StartUp, TitleIsTheVersionBannerAfterEveryPaneChange)
{
    ASSERT_TRUE(Start());
    const QString banner = QStringLiteral("RZ52x Fabrun   V2.4.6 - 20190813");
    frame->OnDetailView();
    EXPECT_EQ(frame->windowTitle(), banner);
    EXPECT_EQ(frame->DetailPaneShown, 1);
    EXPECT_GT(frame->DevListView()->height(), 0);
    frame->setWindowTitle(QString());
    frame->OnDetailView();
    EXPECT_EQ(frame->windowTitle(), banner);
    EXPECT_EQ(frame->DetailPaneShown, 0);
    EXPECT_EQ(frame->DevListView()->height(), 0);
}

} // namespace
} // namespace consoletest
