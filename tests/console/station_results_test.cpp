// What a port's tile makes of each result a worker posts, and the serial number the
// operator types for the next device.
#include "console/port_view/dev_view_16.h"
#include "engine/ports/port_messages.h"
#include "engine/ports/port_sync.h"
#include "engine/ports/run_result.h"
#include "platform/sync/sync.h"
#include "resources/resource_ids.h"
#include "station_fixture.h"

#include <QLabel>
#include <QLineEdit>

namespace consoletest {
namespace {

class PortResults : public StationTest {
protected:
    // The view signals the port's auto-reset event once per handled result; the wait
    // consumes it, ready for the next result.
    bool WorkerReleased(HANDLE event)
    {
        bool seen = false;
        return WaitFor([&] { return seen = seen || WaitForSingleObject(event, 0) == WAIT_OBJECT_0; });
    }
};

constexpr double kMegabyte = 1024.0 * 1024.0;

struct ResultCase {
    std::int32_t result;
    UINT icon;
    const char* text;
    const char* pass;
    const char* fail;
};

// Each result is posted as a worker posts it, with the port counted in an AutoRun.
TEST_F(PortResults, EachCodeShowsItsStatusCountsAndReleasesTheWorker)
{
    ASSERT_TRUE(Start());
    const ResultCase cases[] = {
        {RunResult::SuccessRedo, res::IDI_REDO_16, "Redo it again!!", "Pass :1 ", "Fail : 0 "},
        // A negative code leaves the tile as the row before left it.
        {-1, res::IDI_REDO_16, "Redo it again!!", "Pass : 0 ", "Fail : 0 "},
        {RunResult::Stopped, res::IDI_IDLE_CHIP_16, "Connected!!", "Pass : 0 ", "Fail : 0 "},
        {-1000, res::IDI_IDLE_CHIP_16, "Connected!!", "Pass : 0 ", "Fail : 0 "},
        {RunResult::OpenFirmwareFileFail, res::IDI_FAIL_16, "Run Fail!!", "Pass : 0 ", "Fail :1 "},
        {RunResult::Success, res::IDI_SUCCESS_16, "Run Success!!", "Pass :1 ", "Fail : 0 "},
        {26, res::IDI_FAIL_16, "Run Fail!!", "Pass : 0 ", "Fail :1 "},
        {RunResult::OpenBootCodeFileFail, res::IDI_FAIL_16, "Run Fail!!", "Pass : 0 ", "Fail :1 "},
        {RunResult::FlashDataEmpty, res::IDI_FAIL_16, "Run Fail!!", "Pass : 0 ", "Fail :1 "},
        {RunResult::Fail, res::IDI_FAIL_16, "Run Fail!!", "Pass : 0 ", "Fail :1 "},
    };
    HANDLE released = PortEvent(0);
    ASSERT_TRUE(ResetEvent(released));
    for (const ResultCase& c : cases) {
        frame->OnAutoRun(); // no device: starts nothing, but clears the counters
        frame->AutoRunActive = 1;
        frame->AutoRunPortCount = 1;
        View().JoinAutoRun(0);
        const PortResult result{0, c.result, 1.0 * kMegabyte, 2.5 * kMegabyte};
        ASSERT_TRUE(platform::PostRecord(static_cast<MessageWindow*>(&View()), WM_PORT_RESULT, result));
        EXPECT_TRUE(WorkerReleased(released)) << c.result;
        EXPECT_TRUE(ShowsIcon(0, c.icon)) << c.result;
        EXPECT_EQ(View().PortButton(0).toolTip(), QString::fromLatin1(c.text)) << c.result;
        ExpectCounters("Total :0 ", c.pass, c.fail);
        EXPECT_EQ(frame->AutoRunActive, 0) << c.result << ": its only port has reported";
        EXPECT_EQ(View().RateLabel(0, true).text(), QStringLiteral("R: 2.50 MB/s")) << c.result;
        EXPECT_EQ(View().RateLabel(0, false).text(), QStringLiteral("W: 1.00 MB/s")) << c.result;
    }
}

struct SerialCase {
    const char* fabrunMode;
    bool typed; // bit 0x02: the operator types each serial number
    std::uint64_t serialNumber;
};

TEST_F(PortResults, TypedSerialNumberStartsTheWorkerAndIsReadyForTheNext)
{
    PlugChip();
    const std::string stationBase = stationIni;
    const SerialCase cases[] = {{"0x02", true, 0x123456789ABCDEF0}, {"0x00", false, 0}};
    for (const SerialCase& c : cases) {
        stationIni = stationBase + "FabrunMode=" + c.fabrunMode + "\n";
        ASSERT_TRUE(Start()) << c.fabrunMode;
        auto& view = dynamic_cast<C16DevViewDlg&>(View());
        QLineEdit& edit = view.SerialEdit();
        EXPECT_EQ(edit.isVisibleTo(&view), c.typed) << c.fabrunMode;
        const auto* label = view.findChild<QLabel*>(QString::number(res::IDC_SERIAL_LABEL));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->isVisibleTo(&view), c.typed) << c.fabrunMode;
        edit.setText(QStringLiteral("123456789ABCDEF0FEDC")); // 20 characters: the first 16 count
        view.PortButton(0).click(); // takes the focus
        EXPECT_EQ(view.ThreadParam(0).serialNumber, c.serialNumber) << c.fabrunMode;
        edit.deselect();
        ASSERT_TRUE(WaitForIdle(0)) << c.fabrunMode;
        EXPECT_EQ(edit.selectedText() == edit.text(), c.typed) << c.fabrunMode << ": selected for the next number";
        EXPECT_EQ(frame->focusWidget() == &edit, c.typed) << c.fabrunMode << ": focused";
        frame.reset();
    }
}

TEST_F(PortResults, ATypedSerialNumberIsReadInTheSettingsBase)
{
    PlugChip();
    stationIni += "FabrunMode=0x02\n";
    ASSERT_TRUE(Start());
    frame->CisSetting.DecCheck = 1;
    auto& view = dynamic_cast<C16DevViewDlg&>(View());
    view.SerialEdit().setText(QStringLiteral("123"));
    view.PortButton(0).click();
    EXPECT_EQ(view.ThreadParam(0).serialNumber, 123u) << "decimal, not 0x123";
    ASSERT_TRUE(WaitForIdle(0));
}

} // namespace
} // namespace consoletest
