// Runs on the bench through the real window: a port's button, AutoRun and RunStop, the
// counters, and the commands that must wait while workers run.
#include "controls/icon_button.h"
#include "engine/ports/atomic_byte.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/run_result.h"
#include "resources/icons.h"
#include "resources/resource_ids.h"
#include "station_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>

namespace consoletest {
namespace {

class PortRuns : public StationTest {
protected:
    bool ShowsIcon(int port, UINT icon) const
    {
        return View().PortButton(port).Icon().toImage() == res::LoadIconResource(icon).toImage();
    }

    void ExpectCounters(const char* total, const char* pass, const char* fail) const
    {
        EXPECT_TRUE(frame->CounterPanesShown());
        EXPECT_EQ(frame->CounterPaneText(0), QString::fromLatin1(total));
        EXPECT_EQ(frame->CounterPaneText(1), QString::fromLatin1(pass));
        EXPECT_EQ(frame->CounterPaneText(2), QString::fromLatin1(fail));
    }
};

TEST_F(PortRuns, ButtonRunsTheChipToAPass)
{
    PlugChip();
    ASSERT_TRUE(Start());
    View().PortButton(0).click();
    EXPECT_TRUE(View().WorkerBusy(0));
    EXPECT_TRUE(View().Running(0));
    EXPECT_TRUE(ShowsIcon(0, res::IDI_IDLE_CHIP_16)) << "the idle chip while it runs";
    ASSERT_TRUE(WaitForIdle(0));
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));
    EXPECT_TRUE(ShowsIcon(0, res::IDI_SUCCESS_16));
    EXPECT_FALSE(View().PortButton(0).isFlat());
    EXPECT_EQ(View().PortProgressBar(0).value(), 1200);
    EXPECT_FALSE(View().Running(0));
    EXPECT_TRUE(View().RateLabel(0, true).isVisibleTo(&View()));
    EXPECT_EQ(View().RateLabel(0, true).text(), QStringLiteral("R: 0.00 MB/s"));
    EXPECT_FALSE(frame->CounterPanesShown()) << "a start by hand hides the counters";
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

TEST_F(PortRuns, AnimatedBarFollowsTheWorkersCounter)
{
    ASSERT_TRUE(Start());
    AtomicByte counter{20};
    PortProgress animation{0, 300, &counter, 1};
    ASSERT_TRUE(platform::PostRecord(static_cast<MessageWindow*>(&View()), WM_PORT_PROGRESS_TIMER, animation));
    EXPECT_TRUE(WaitFor([&] { return View().PortProgressBar(0).value() == 320; }));
    counter = 80;
    EXPECT_TRUE(WaitFor([&] { return View().PortProgressBar(0).value() == 380; }));
    animation.timerOn = 0;
    ASSERT_TRUE(platform::PostRecord(static_cast<MessageWindow*>(&View()), WM_PORT_PROGRESS_TIMER, animation));
    QApplication::processEvents();
    counter = 200;
    RunEventLoop(100); // a stopped animation no longer reads the counter
    EXPECT_EQ(View().PortProgressBar(0).value(), 380);
}

TEST_F(PortRuns, WithoutADeviceNumberTheCommandsDoNothing)
{
    PlugChip();
    stationIni = "[Setting]\nDevNoView=0\nFabrunMode=0x10\n";
    ASSERT_TRUE(Start());
    frame->OnAutoRun();
    EXPECT_EQ(frame->AutoRunActive, 0);
    EXPECT_FALSE(View().WorkerBusy(0));
    EXPECT_EQ(frame->CounterPaneText(0), QStringLiteral("Total :0 "));
    for (UINT item : {res::ID_DEVICE_NUMBER_1, res::ID_DEVICE_NUMBER_16, res::ID_DEVICE_NUMBER_32})
        EXPECT_FALSE(frame->CommandAction(item)->isChecked()) << item;
    // With FabrunMode 0x10 only one device may be chosen.
    frame->OnCommand(res::ID_DEVICE_NUMBER_16);
    EXPECT_EQ(frame->DevNoView, 0);
}

} // namespace
} // namespace consoletest
