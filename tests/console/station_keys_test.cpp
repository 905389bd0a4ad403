// The frame's own commands reach their handlers from the accelerator keys and from the
// toolbar buttons, through the real window.
#include "console/settings/ps_sheet_setting.h"
#include "resources/resource_ids.h"
#include "station_fixture.h"

#include <QAction>
#include <QToolBar>
#include <QtTest/QTest>

namespace consoletest {
namespace {

using FrameCommands = StationTest;

struct CommandCase {
    const char* name;
    Qt::Key key; // with Ctrl
    UINT command;
    std::function<void()> prepare;
    std::function<bool()> reached;
};

// The rows follow the toolbar's order.
TEST_F(FrameCommands, AcceleratorsAndToolbarButtonsReachTheirCommands)
{
    PlugChip();
    ASSERT_TRUE(Start());
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    int detailShown = 0;
    bool sheetShown = false;
    auto closeSheetWhenShown = [&] {
        sheetShown = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* sheet = qobject_cast<CPSheetSetting*>(widget); sheet != nullptr && sheet->isVisible()) {
                    sheetShown = true;
                    sheet->reject();
                }
        });
    };
    const CommandCase cases[] = {
        {"Setting", Qt::Key_S, res::ID_FUNCTION_SETTING, closeSheetWhenShown,
         [&] { return sheetShown && QTest::qWaitForWindowActive(frame.get()); }},
        {"Enumerate", Qt::Key_E, res::ID_FUNCTION_ENUMERATE, [] {}, [&] { return HasLine("NewEnum & Polling, Mode=FF"); }},
        {"DetailView", Qt::Key_D, res::ID_FUNCTION_DETAIL_VIEW, [&] { detailShown = frame->DetailPaneShown; },
         [&] { return frame->DetailPaneShown != detailShown; }},
        {"AutoRun", Qt::Key_A, res::ID_FUNCTION_AUTO_RUN, [] {}, [&] { return frame->AutoRunActive == 1 && View().WorkerBusy(0); }},
        {"RunStop", Qt::Key_R, res::ID_FUNCTION_RUN_STOP, [&] { frame->OnAutoRun(); },
         [&] { return View().ThreadParam(0).stopRequest.load() == 1; }},
    };
    const QList<QAction*> buttons = frame->ToolBar()->actions();
    ASSERT_EQ(static_cast<std::size_t>(buttons.size()), std::size(cases));
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        const CommandCase& c = cases[index];
        EXPECT_EQ(buttons[static_cast<qsizetype>(index)]->data().toUInt(), c.command) << c.name;
        QWidget* button = frame->ToolBar()->widgetForAction(buttons[static_cast<qsizetype>(index)]);
        const std::pair<const char*, std::function<void()>> routes[] = {
            {"accelerator", [&] { QTest::keyClick(frame.get(), c.key, Qt::ControlModifier); }},
            {"toolbar", [&] { QTest::mouseClick(button, Qt::LeftButton); }},
        };
        for (const auto& [route, press] : routes) {
            ClearLines();
            c.prepare();
            press();
            EXPECT_TRUE(c.reached()) << c.name << " by the " << route;
            ASSERT_TRUE(WaitFor([&] { return !View().AnyWorkerBusy(); })) << c.name;
        }
    }
}

} // namespace
} // namespace consoletest
