// The frame's own commands reach their handlers from the accelerator keys and from the
// toolbar buttons, through the real window.
#include "console/port_view/dev_view_16.h"
#include "console/settings/ps_sheet_setting.h"
#include "resources/main_menu.h"
#include "resources/resource_ids.h"
#include "station_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
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

TEST(AcceleratorTable, EveryEntryIsAKeySequence)
{
    const auto table = res::MainAccelerators();
    ASSERT_EQ(table.size(), 17u);
    for (const res::Accelerator& entry : table)
        EXPECT_EQ(QKeySequence(QString::fromLatin1(entry.keys)).count(), 1) << entry.keys;
}

// The edit keys act on the edit control that has the focus, as the control does them
// itself, whether the control takes the key or the key reaches the frame's accelerator
// (each case runs both ways); they mean nothing anywhere else.
TEST_F(FrameCommands, EditKeysActOnTheFocusedEditControlOnly)
{
    PlugChip(); // so that port 1's button can take the focus
    stationIni += "FabrunMode=0x02\n"; // the 16-port view's serial entry is shown and focused
    ASSERT_TRUE(Start());
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QLineEdit& edit = dynamic_cast<C16DevViewDlg&>(View()).SerialEdit();
    QClipboard& clipboard = *QApplication::clipboard();
    struct EditCase {
        const char* keys;
        UINT command;
        QString after; // in the edit afterwards
        QString board; // on the clipboard afterwards
        bool typed;    // the text typed, for the undo, instead of set
    };
    const QString text = QStringLiteral("12AB"), other = QStringLiteral("77");
    const EditCase cases[] = {
        {"Ctrl+X", res::ID_EDIT_CUT, QString(), text, false},       {"Shift+Del", res::ID_EDIT_CUT, QString(), text, false},
        {"Ctrl+C", res::ID_EDIT_COPY, text, text, false},           {"Ctrl+Ins", res::ID_EDIT_COPY, text, text, false},
        {"Ctrl+V", res::ID_EDIT_PASTE, other, other, false},        {"Shift+Ins", res::ID_EDIT_PASTE, other, other, false},
        {"Ctrl+Z", res::ID_EDIT_UNDO, QString(), other, true},      {"Alt+Backspace", res::ID_EDIT_UNDO, QString(), other, true},
    };
    auto focus = [&](QWidget& widget) {
        widget.setFocus();
        return WaitFor([&] { return QApplication::focusWidget() == &widget; });
    };
    auto prepare = [&](const EditCase& c) {
        edit.clear();
        if (c.typed)
            QTest::keyClicks(&edit, text);
        else
            edit.setText(text);
        edit.selectAll();
        clipboard.setText(other);
    };
    for (const EditCase& c : cases) {
        const QKeyCombination key = QKeySequence(QString::fromLatin1(c.keys))[0];
        const std::pair<const char*, std::function<void()>> routes[] = {
            {"key", [&] { QTest::keyClick(&edit, key.key(), key.keyboardModifiers()); }},
            {"accelerator", [&] { frame->OnCommand(c.command); }},
        };
        for (const auto& [route, press] : routes) {
            ASSERT_TRUE(focus(edit)) << c.keys;
            prepare(c);
            press();
            EXPECT_EQ(edit.text(), c.after) << c.keys << " by the " << route;
            EXPECT_EQ(clipboard.text(), c.board) << c.keys << " by the " << route;
        }

        // A read-only edit control only copies.
        prepare(c);
        edit.setReadOnly(true);
        frame->OnCommand(c.command);
        EXPECT_EQ(edit.text(), text) << c.keys << " read-only";
        EXPECT_EQ(clipboard.text(), c.command == res::ID_EDIT_COPY ? text : other) << c.keys << " read-only";
        edit.setReadOnly(false);

        // A port button in the focus: nothing changes.
        prepare(c);
        ASSERT_TRUE(focus(View().PortButton(0))) << c.keys;
        ClearLines();
        QTest::keyClick(&View().PortButton(0), key.key(), key.keyboardModifiers());
        EXPECT_EQ(edit.text(), text) << c.keys << " on a button";
        EXPECT_EQ(clipboard.text(), other) << c.keys << " on a button";
        EXPECT_TRUE(HasLine("Main frame: edit command " + std::to_string(c.command) + " without an edit control in the focus"))
            << c.keys;
    }
    EXPECT_TRUE(boxes.empty());
}

// The splitter's two rows: the next pane and the previous one are both the other row,
// whether the device list is closed or open.
TEST_F(FrameCommands, F6AndShiftF6ActivateTheOtherPane)
{
    ASSERT_TRUE(Start());
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    auto inList = [&] {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr && (focus == frame->DevListView() || frame->DevListView()->isAncestorOf(focus));
    };
    auto inPortView = [&] {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr && (focus == &View() || View().isAncestorOf(focus));
    };
    for (int listShown : {0, 1}) {
        if (listShown == 1)
            frame->OnDetailView();
        View().setFocus();
        ASSERT_TRUE(WaitFor(inPortView)) << listShown;
        for (Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, modifier);
            EXPECT_TRUE(WaitFor(inList)) << listShown << " " << modifier;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, modifier);
            EXPECT_TRUE(WaitFor(inPortView)) << listShown << " " << modifier;
        }
    }
}

// Ctrl+N is the single document's new: every view runs its first update again, so the
// ports are enumerated afresh and their tiles reset. Ctrl+O has nothing to open.
TEST_F(FrameCommands, CtrlNStartsTheViewsAfreshAndCtrlOOpensNothing)
{
    PlugChip();
    ASSERT_TRUE(Start());
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    View().PortButton(0).click();
    ASSERT_TRUE(WaitForIdle(0));
    ASSERT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));
    document.SetModifiedFlag(TRUE);

    ClearLines();
    QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(HasLine("Main frame: the port document has no stored form; nothing to open"));
    EXPECT_FALSE(HasLine("NewEnum & Polling, Mode=FF"));
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));

    ClearLines();
    QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(HasLine("NewEnum & Polling, Mode=FF"));
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Connected!!")) << "the tile is reset";
    EXPECT_TRUE(View().PortButton(0).isEnabled());
    EXPECT_FALSE(document.IsModified());
    EXPECT_TRUE(boxes.empty());

    // While a worker runs, its records stay as they are.
    View().PortButton(0).click();
    ASSERT_TRUE(View().WorkerBusy(0));
    ClearLines();
    QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_FALSE(HasLine("NewEnum & Polling, Mode=FF"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Ports are still running. Start a new document when every port has reported its result.");
    ASSERT_TRUE(WaitForIdle(0));
}

} // namespace
} // namespace consoletest
