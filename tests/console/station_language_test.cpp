// Captions in the operator's language: menus, toolbar, port tiles and status texts, and
// the pop-up closer's list of other programs' dialogs.
#include "controls/icon_button.h"
#include "resources/resource_ids.h"
#include "station_fixture.h"
#include "xvfb_server.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QToolBar>

namespace consoletest {
namespace {

using Captions = StationTest;

TEST_F(Captions, LanguageSectionTranslatesMenusToolbarAndTiles)
{
    PlugChip();
    stationIni += "Language=DEU\n[DEU]\n&Function=&Funktion\n&Setting_Ctrl+S=&Einstellung_Strg+S\nSetting=Einstellen\n"
                  "Enumate=Suchen\nDevice=Gerät %s%n\nDisable=Aus\nConnected=Verbunden\n";
    ASSERT_TRUE(Start());
    EXPECT_EQ(frame->FrameMenu(0)->title(), QStringLiteral("&Funktion"));
    EXPECT_EQ(frame->CommandAction(res::ID_FUNCTION_SETTING)->text(), QStringLiteral("&Einstellung\tStrg+S"));
    EXPECT_EQ(frame->CommandAction(res::ID_FUNCTION_AUTO_RUN)->text(), QStringLiteral("&AutoRun\tCtrl+A"));
    const QList<QAction*> buttons = frame->ToolBar()->actions();
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("Einstellen"));
    EXPECT_EQ(buttons[1]->text(), QStringLiteral("Suchen"));
    EXPECT_EQ(buttons[2]->text(), QStringLiteral("Detail View"));
    // A translation is text, never a format.
    EXPECT_EQ(View().PortGroup(0).title(), QStringLiteral("Gerät %s%n1"));
    EXPECT_EQ(View().PortGroup(15).title(), QStringLiteral("Gerät %s%n16"));
    EXPECT_EQ(View().DisableBox(3).text(), QStringLiteral("Aus"));
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Verbunden"));
}

TEST_F(Captions, EnglishSectionKeepsToolbarAndTilesButNotTheMenu)
{
    stationIni += "Language=ENU\n[ENU]\nSetting=Settings\nDevice=Port\n&Function=F&unctions\n";
    ASSERT_TRUE(Start());
    EXPECT_EQ(frame->ToolBar()->actions()[0]->text(), QStringLiteral("Setting"));
    EXPECT_EQ(View().PortGroup(0).title(), QStringLiteral("Device1"));
    EXPECT_EQ(frame->FrameMenu(0)->title(), QStringLiteral("F&unctions"));
}

TEST_F(Captions, ListedPopUpsOfOtherProgramsAreClosed)
{
    XServer server;
    if (server.Display().empty())
        GTEST_SKIP() << "Xvfb is not installed";
    setenv("DISPLAY", server.Display().c_str(), 1);
    XClient other(server.Display());
    ASSERT_TRUE(other.Connected());
    xcb_window_t listed = other.Window("Found New Hardware", true);
    other.Window("", true);
    stationIni += "Language=ENU\n[ENU]\nNameNo=0x02\nOSPopWndowName1=Found New Hardware\nOSPopWndowName2=\n";
    ASSERT_TRUE(Start());
    View().CloseOSPopWindows();
    int requests = 0;
    for (auto request = other.NextCloseRequest(true); request.first != 0; request = other.NextCloseRequest(false)) {
        EXPECT_EQ(request, std::make_pair(listed, true)) << "only the listed dialog, never the untitled one";
        ++requests;
    }
    EXPECT_EQ(requests, 16) << "each listed title is looked for 16 times";
    unsetenv("DISPLAY");
}

} // namespace
} // namespace consoletest
