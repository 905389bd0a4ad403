// Runs on the bench through the real window: a port's button, AutoRun and RunStop, the
// counters, and the commands that must wait while workers run.
#include "console/port_view/port_progress_slots.h"
#include "engine/ports/atomic_byte.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/run_result.h"
#include "platform/devnotify/devnotify.h"
#include "resources/resource_ids.h"
#include "station_fixture.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>

namespace consoletest {
namespace {

using PortRuns = StationTest;

struct RateCase {
    const char* lunTypeBitMap;
    bool ratesShown; // bit 21 asks for the rate labels
};

TEST_F(PortRuns, ButtonRunsTheChipToAPass)
{
    PlugChip();
    const std::string cisBase = cisIni.substr(0, cisIni.find("LunTypeBitMap="));
    const RateCase cases[] = {{"0x00200000", true}, {"0x00000000", false}};
    for (const RateCase& c : cases) {
        cisIni = cisBase + "LunTypeBitMap=" + c.lunTypeBitMap + "\n";
        ASSERT_TRUE(Start()) << c.lunTypeBitMap;
        View().PortButton(0).click();
        EXPECT_TRUE(View().WorkerBusy(0));
        EXPECT_TRUE(View().Running(0));
        EXPECT_TRUE(ShowsIcon(0, res::IDI_IDLE_CHIP_16)) << "the idle chip while it runs";
        ASSERT_TRUE(WaitForIdle(0)) << c.lunTypeBitMap;
        EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));
        EXPECT_TRUE(ShowsIcon(0, res::IDI_SUCCESS_16));
        EXPECT_FALSE(View().PortButton(0).isFlat());
        EXPECT_EQ(View().PortProgressBar(0).value(), 1200);
        EXPECT_FALSE(View().Running(0));
        for (bool read : {true, false})
            EXPECT_EQ(View().RateLabel(0, read).isVisibleTo(&View()), c.ratesShown) << c.lunTypeBitMap << (read ? " R" : " W");
        if (c.ratesShown) {
            EXPECT_EQ(View().RateLabel(0, true).text(), QStringLiteral("R: 0.00 MB/s"));
            EXPECT_EQ(View().RateLabel(0, false).text(), QStringLiteral("W: 0.00 MB/s"));
        }
        EXPECT_FALSE(frame->CounterPanesShown()) << "a start by hand hides the counters";
        frame.reset();
    }
}

TEST_F(PortRuns, InjectedFaultFailsThePortAndCountsInAutoRun)
{
    PlugChip(sim::StationChip(true));
    ASSERT_TRUE(Start());
    frame->OnAutoRun();
    EXPECT_EQ(frame->AutoRunActive, 1);
    ExpectCounters("Total :1 ", "Pass : 0 ", "Fail : 0 ");
    ASSERT_TRUE(WaitForIdle(0));
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Fail!!"));
    EXPECT_TRUE(ShowsIcon(0, res::IDI_FAIL_16));
    ExpectCounters("Total :1 ", "Pass : 0 ", "Fail :1 ");
    EXPECT_EQ(frame->AutoRunActive, 0);
}

TEST_F(PortRuns, AutoRunRunsEveryEnabledIdlePortAndStops)
{
    PlugChip();
    ASSERT_TRUE(Start());
    View().DisableBox(0).setChecked(true);
    frame->OnAutoRun();
    EXPECT_EQ(frame->AutoRunActive, 0) << "the only port is disabled";
    ExpectCounters("Total :0 ", "Pass : 0 ", "Fail : 0 ");
    EXPECT_FALSE(View().WorkerBusy(0));

    View().DisableBox(0).setChecked(false);
    frame->OnAutoRun();
    EXPECT_EQ(frame->AutoRunActive, 1);
    EXPECT_TRUE(View().WorkerBusy(0));
    EXPECT_FALSE(View().OnClickedPort(0)) << "clicks wait while AutoRun runs";
    EXPECT_TRUE(View().Running(0));
    frame->OnAutoRun();
    EXPECT_EQ(frame->CounterPaneText(0), QStringLiteral("Total :1 ")) << "a second AutoRun is ignored";
    frame->OnRunStop();
    EXPECT_EQ(View().ThreadParam(0).stopRequest.load(), 1);
    ASSERT_TRUE(WaitForIdle(0));
    // The chip worker does not read the stop request: the run ends as a pass.
    ExpectCounters("Total :1 ", "Pass :1 ", "Fail : 0 ");
    EXPECT_EQ(frame->AutoRunActive, 0);
}

TEST_F(PortRuns, PortsStartedByHandAreNeitherCountedNorStartedTwice)
{
    sim::Rz52xChip& chip = PlugChip();
    ASSERT_TRUE(Start());
    View().PortButton(0).click();
    frame->OnRunStop();
    EXPECT_EQ(View().ThreadParam(0).stopRequest.load(), 0) << "RunStop acts only on an AutoRun";
    View().PortButton(0).click(); // stop request; the chip worker runs on
    EXPECT_EQ(View().ThreadParam(0).stopRequest.load(), 1);
    EXPECT_FALSE(View().Running(0));
    EXPECT_TRUE(View().WorkerBusy(0));
    EXPECT_FALSE(View().OnClickedPort(0)) << "its worker is alive: no second start";

    frame->OnAutoRun();
    ExpectCounters("Total :0 ", "Pass : 0 ", "Fail : 0 ");
    EXPECT_EQ(frame->AutoRunActive, 0);
    ASSERT_TRUE(WaitForIdle(0));
    ExpectCounters("Total :0 ", "Pass : 0 ", "Fail : 0 ");
    EXPECT_EQ(chip.Erases(), 1u) << "one run only";

    frame->OnAutoRun();
    ASSERT_TRUE(WaitForIdle(0));
    ExpectCounters("Total :1 ", "Pass :1 ", "Fail : 0 ");
    EXPECT_EQ(chip.Erases(), 2u);
}

TEST_F(PortRuns, WhatWorkersUseIsNotTakenAwayWhileTheyRun)
{
    PlugChip();
    ASSERT_TRUE(Start());
    View().PortButton(0).click();
    CPortView* view = &View();
    frame->close();
    EXPECT_TRUE(frame->isVisible()) << "closing waits";
    frame->OnEnumerate();
    frame->OnCommand(res::ID_DEVICE_NUMBER_16);
    frame->OnSetting();
    EXPECT_EQ(&View(), view) << "the view stays";
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, u"Ports are still running. Close the station when every port has reported its result.");
    for (const auto& box : boxes)
        EXPECT_EQ(box.text.rfind(u"Ports are still running. ", 0), 0u);
    EXPECT_TRUE(View().WorkerBusy(0));

    ASSERT_TRUE(WaitForIdle(0));
    frame->OnCommand(res::ID_DEVICE_NUMBER_16);
    EXPECT_NE(frame->PortView(), nullptr);
    EXPECT_TRUE(View().PortButton(0).isEnabled()) << "the new view found the chip";
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(boxes.size(), 4u);
}

TEST_F(PortRuns, DeviceChangesEnableAndDisableThePort)
{
    sim::Rz52xChip& chip = PlugChip();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(View().PortButton(0).isEnabled());
    bench.Unplug(chip);
    EXPECT_TRUE(WaitFor([&] { return !View().PortButton(0).isEnabled(); }));
    EXPECT_TRUE(HasLine("==  DBT_DEVICE_REMOVE_COMPLETE  =="));
    PlugChip();
    EXPECT_TRUE(WaitFor([&] { return View().PortButton(0).isEnabled(); }));
    EXPECT_TRUE(HasLine("==  DBT_DEVICE_ARRIVAL  =="));
}

// The view's timers: the pop-up closer's, and an animation's while it runs.
qsizetype TimersOf(QObject& object)
{
    return QAbstractEventDispatcher::instance()->registeredTimers(&object).size();
}

TEST_F(PortRuns, AnimatedBarFollowsTheWorkersCounter)
{
    ASSERT_TRUE(Start());
    const qsizetype idleTimers = TimersOf(View());
    AtomicByte counter{20};
    PortProgress animation{0, 300, &counter, 1};
    ASSERT_TRUE(platform::PostRecord(static_cast<MessageWindow*>(&View()), WM_PORT_PROGRESS_TIMER, animation));
    EXPECT_TRUE(WaitFor([&] { return View().PortProgressBar(0).value() == 320; }));
    EXPECT_EQ(TimersOf(View()), idleTimers + 1);
    counter = 80;
    EXPECT_TRUE(WaitFor([&] { return View().PortProgressBar(0).value() == 380; }));
    animation.timerOn = 0;
    ASSERT_TRUE(platform::PostRecord(static_cast<MessageWindow*>(&View()), WM_PORT_PROGRESS_TIMER, animation));
    QCoreApplication::sendPostedEvents(&View());
    // A stopped animation no longer reads the counter, which may be gone with its worker.
    EXPECT_EQ(PortProgressSlots[0].liveProgress, nullptr);
    EXPECT_EQ(TimersOf(View()), idleTimers);
    EXPECT_EQ(View().PortProgressBar(0).value(), 380);
}

struct DeviceNumberCase {
    int devNoView;
    int listRows; // the device list never reads past the 32 port records
};

// Any device number without a view of its size shows the 1-port view; the commands and the
// device-change poll then leave the ports alone, and the number is saved back as it was.
TEST_F(PortRuns, WithoutAValidDeviceNumberTheCommandsDoNothing)
{
    PlugChip();
    const DeviceNumberCase cases[] = {{0, 0}, {7, 7}, {-1, 0}, {1000, 32}};
    for (const DeviceNumberCase& c : cases) {
        const std::string number = std::to_string(c.devNoView);
        stationIni = "[Setting]\nDevNoView=" + number + "\nFabrunMode=0x10\n";
        ASSERT_TRUE(Start()) << number;
        EXPECT_EQ(View().PortCount(), 1) << number;
        ClearLines();
        frame->OnEnumerate();
        frame->OnDeviceChange(DBT_DEVICEARRIVAL, 0);
        EXPECT_FALSE(HasLineStarting("NewEnum")) << number << ": no poll";
        frame->OnAutoRun();
        EXPECT_EQ(frame->AutoRunActive, 0) << number;
        EXPECT_FALSE(View().WorkerBusy(0)) << number;
        EXPECT_EQ(frame->CounterPaneText(0), QStringLiteral("Total :0 ")) << number;
        for (UINT item : {res::ID_DEVICE_NUMBER_1, res::ID_DEVICE_NUMBER_16, res::ID_DEVICE_NUMBER_32})
            EXPECT_FALSE(frame->CommandAction(item)->isChecked()) << number << " " << item;
        frame->OnDetailView();
        EXPECT_EQ(frame->DevListView()->rowCount(), c.listRows) << number;
        // With FabrunMode 0x10 only one device may be chosen.
        frame->OnCommand(res::ID_DEVICE_NUMBER_16);
        EXPECT_EQ(frame->DevNoView, c.devNoView);
        frame.reset();
        EXPECT_NE(Read("Fabrun.ini").find("DevNoView=" + number + "\n"), std::string::npos) << number;
    }
}

} // namespace
} // namespace consoletest
