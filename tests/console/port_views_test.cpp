// The 1-, 4-, 8- and 32-port views through the real window on the bench: what each view
// is made of, the 1-port view's one click per result, chip runs on the small views, and
// the 32-port view's ports found and re-polled through the server on a bench of hubs and
// flash drives.
#include "console/port_view/serial_date_stamp.h"
#include "controls/icon_button.h"
#include "engine/ports/device_handle_table.h"
#include "resources/dialog_template.h"
#include "resources/icons.h"
#include "resources/resource_ids.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"
#include "station_fixture.h"

#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableWidgetItem>

#include <algorithm>
#include <array>
#include <functional>

namespace consoletest {
namespace {

using TileIds = std::array<UINT, 6>; // group, button, progress, "Disable", R, W

class PortViews : public StationTest {
protected:
    bool ShowsIcon(int port, UINT icon) const
    {
        return View().PortButton(port).Icon().toImage() == res::LoadIconResource(icon).toImage();
    }

    std::string ViewClass() const { return View().metaObject()->className(); }

    void StartWithDevices(int devNoView)
    {
        stationIni = "[Setting]\nDevNoView=" + std::to_string(devNoView) + "\nCISSettingFilePath=" +
                     (Folder() / "DefaultCIS.ini").string() + "\n";
        ASSERT_TRUE(Start());
    }

    TileIds ShownIds(int port) const
    {
        auto id = [](const QWidget& widget) { return widget.objectName().toUInt(); };
        return {id(View().PortGroup(port)),   id(View().PortButton(port)),       id(View().PortProgressBar(port)),
                id(View().DisableBox(port)),  id(View().RateLabel(port, true)),  id(View().RateLabel(port, false))};
    }
};

struct ViewCase {
    int ports;
    UINT command;
    const char* viewClass;
    UINT templateId;
    short cx, cy;
    int columns;
    std::function<TileIds(int k)> ids; // port k = 1..ports
    UINT idleChip, success;
    const char* readText;  // 1.5 MiB/s
    const char* writeText; // 2.25 MiB/s
};

TileIds Ids4(int k)
{
    static const TileIds table[4] = {{1016, 1018, 1019, 1017, 1196, 1197}, {1024, 1025, 1026, 1027, 1200, 1201},
                                     {1020, 1021, 1022, 1023, 1198, 1199}, {1028, 1029, 1030, 1031, 1202, 1203}};
    return table[k - 1];
}

TileIds Ids8(int k)
{
    if (k == 1)
        return {1012, 1014, 1015, 1013, 1201, 1202};
    const UINT group = 1016 + 4 * (k - 2);
    return {group, group + 1, group + 2, group + 3, 1199u + 2 * k, 1200u + 2 * k};
}

TileIds Ids32(int k)
{
    const UINT group = 1060 + 3 * (k - 1);
    return {group, group + 1, group + 2, 999u + k, 1201u + 2 * k, 1202u + 2 * k};
}

TileIds Ids16(int k)
{
    static const TileIds some[] = {{1008, 1010, 1011, 1009, 1199, 1200}, {1156, 1157, 1158, 1032, 1207, 1208}};
    return k == 1 ? some[0] : k == 5 ? some[1] : TileIds{};
}

const ViewCase kViews[] = {
    {1, res::ID_DEVICE_NUMBER_1, "C1DevViewDlg", 162, 328, 180, 1,
     [](int) { return TileIds{1210, 1211, 1214, 1209, 1212, 1213}; }, 134, 136, "R: 1.50 MB/s", "W: 2.25 MB/s"},
    {4, res::ID_DEVICE_NUMBER_4, "C4DevViewDlg", 133, 328, 180, 2, Ids4, 134, 136, "R: 1.50 MB/s", "W: 2.25 MB/s"},
    {8, res::ID_DEVICE_NUMBER_8, "C8DevViewDlg", 132, 444, 221, 4, Ids8, 137, 142, "R:1.50MB/s", "W:2.25MB/s"},
    {16, res::ID_DEVICE_NUMBER_16, "C16DevViewDlg", 131, 495, 283, 4, Ids16, 139, 143, "R: 1.50 MB/s", "W: 2.25 MB/s"},
    {32, res::ID_DEVICE_NUMBER_32, "C32DevViewDlg", 130, 662, 348, 8, Ids32, 139, 143, "R:1.50MB/s", "W:2.25MB/s"},
};

// The device-number command builds each view; its tiles, ids, icons and rate texts are
// checked on the widgets it shows.
TEST_F(PortViews, EachDeviceNumberBuildsItsViewWithItsTilesIdsIconsAndRates)
{
    PlugChip();
    ASSERT_TRUE(Start());
    for (const ViewCase& c : kViews) {
        SCOPED_TRACE(c.viewClass);
        frame->OnCommand(c.command);
        EXPECT_EQ(ViewClass(), c.viewClass);
        EXPECT_EQ(frame->DevNoView, c.ports);
        EXPECT_TRUE(frame->CommandAction(c.command)->isChecked());
        EXPECT_TRUE(frame->CommandAction(c.command)->isEnabled());
        ASSERT_EQ(View().PortCount(), c.ports);
        EXPECT_EQ(View().findChildren<CIconButton*>().size(), c.ports);
        EXPECT_EQ(View().findChild<QLineEdit*>() != nullptr, c.ports == 16) << "only the 16-port view has the serial entry";

        const res::DialogTemplate* dialog = res::FindDialogTemplate(c.templateId);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->cx, c.cx);
        EXPECT_EQ(dialog->cy, c.cy);

        for (int k = 1; k <= c.ports; ++k) {
            const int port = k - 1;
            if (c.ports != 16 || k == 1 || k == 5) {
                EXPECT_EQ(ShownIds(port), c.ids(k)) << "port " << k;
            }
            EXPECT_EQ(View().PortGroup(port).title(), QStringLiteral("Device%1").arg(k));
            // Row by row from the top left, `columns` tiles a row.
            const QRect tile = View().PortGroup(port).geometry();
            const QRect first = View().PortGroup(0).geometry();
            const int row = port / c.columns, column = port % c.columns;
            if (column > 0)
                EXPECT_GT(tile.left(), View().PortGroup(port - 1).geometry().right()) << "port " << k;
            else
                EXPECT_EQ(tile.left(), first.left()) << "port " << k;
            if (row > 0)
                EXPECT_GT(tile.top(), View().PortGroup(port - c.columns).geometry().bottom()) << "port " << k;
            else
                EXPECT_EQ(tile.top(), first.top()) << "port " << k;
        }

        EXPECT_TRUE(ShowsIcon(0, c.idleChip));
        if (c.ports != 32) { // the server's walk finds no chip
            const CIconTip* tip = View().PortButton(0).ToolTip();
            ASSERT_NE(tip, nullptr) << "port 1 shows its chip's state";
            EXPECT_EQ(tip->Style() & TTS_BALLOON, TTS_BALLOON);
            EXPECT_EQ(tip->GetMaxTipWidth(), 400);
            EXPECT_EQ(tip->Text(), QStringLiteral("Connected!!"));
        }
        const int last = c.ports - 1;
        View().ShowPortSpeed(true, 1.5 * 1048576, 2.25 * 1048576, last);
        EXPECT_EQ(View().RateLabel(last, true).text(), QString::fromLatin1(c.readText));
        EXPECT_EQ(View().RateLabel(last, false).text(), QString::fromLatin1(c.writeText));
        EXPECT_TRUE(View().RateLabel(last, true).isVisibleTo(&View()));
        frame->CisSetting.LunTypeBitMap = 0;
        View().ShowPortSpeed(true, 1.0, 1.0, last);
        EXPECT_FALSE(View().RateLabel(last, true).isVisibleTo(&View())) << "no rates unless the settings ask for them";
        frame->CisSetting.LunTypeBitMap = 1u << 21;
    }
}

TEST_F(PortViews, OnePortViewTakesOneClickUntilTheResultAndThenStartsAgain)
{
    sim::Rz52xChip& chip = PlugChip();
    StartWithDevices(1);
    ASSERT_EQ(ViewClass(), "C1DevViewDlg");
    ASSERT_TRUE(View().PortButton(0).isEnabled());
    View().PortButton(0).click();
    EXPECT_TRUE(View().WorkerBusy(0));
    EXPECT_EQ(frame->CounterPanesDisabled, 1);
    View().PortButton(0).click(); // before the result: ignored, not a stop request
    EXPECT_TRUE(View().Running(0));
    EXPECT_EQ(View().ThreadParam(0).stopRequest.load(), 0);
    EXPECT_FALSE(View().OnClickedPort(0));

    ASSERT_TRUE(WaitForIdle(0));
    EXPECT_EQ(frame->CounterPanesDisabled, 0);
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));
    EXPECT_TRUE(ShowsIcon(0, res::IDI_SUCCESS_1));
    EXPECT_TRUE(HasLine("    NewEnum_Polling_Mode(0)")) << "the chip is polled again after its result";
    EXPECT_TRUE(HasLineStarting("    VendorID:"));
    EXPECT_EQ(chip.Erases(), 1u);

    View().PortButton(0).click();
    EXPECT_TRUE(View().WorkerBusy(0)) << "after the result a click starts the port again";
    ASSERT_TRUE(WaitForIdle(0));
    EXPECT_EQ(chip.Erases(), 2u);
    EXPECT_EQ(frame->CounterPanesDisabled, 0);
}

// The 1-port view's own re-poll after a notification: the chip leaving disables the port;
// in automatic-start mode its arrival starts it.
TEST_F(PortViews, OnePortViewFollowsTheChipOutAndIn)
{
    sim::Rz52xChip& chip = PlugChip();
    StartWithDevices(1);
    ASSERT_TRUE(View().PortButton(0).isEnabled());
    bench.Unplug(chip);
    ASSERT_TRUE(WaitFor([&] { return !View().PortButton(0).isEnabled(); }));
    EXPECT_TRUE(HasLine("Device[0], StatusChange=1, DeviceConnect=0, AttachRunCheck=0"));
    EXPECT_TRUE(ShowsIcon(0, res::IDI_IDLE_CHIP_1));

    frame->FabrunMode |= kFabrunModeAutoRunActive;
    sim::Rz52xChip& again = PlugChip();
    ASSERT_TRUE(WaitFor([&] { return View().PortButton(0).toolTip() == QStringLiteral("Run Success!!"); }))
        << "the chip that arrived is started and passes";
    ASSERT_TRUE(WaitForIdle(0));
    EXPECT_EQ(again.Erases(), 1u);
    EXPECT_EQ(frame->CounterPanesDisabled, 0);
}

struct SmallView {
    int ports;
    UINT success;
};

// A chip run on the views that poll libusb ends with the view's own pass icon and text.
TEST_F(PortViews, ChipRunOnTheSmallViewsEndsWithTheirPassIcon)
{
    PlugChip();
    for (const SmallView& c :
         {SmallView{1, res::IDI_SUCCESS_1}, SmallView{4, res::IDI_SUCCESS_1}, SmallView{8, res::IDI_SUCCESS_8}}) {
        SCOPED_TRACE(c.ports);
        frame.reset();
        StartWithDevices(c.ports);
        ASSERT_TRUE(View().PortButton(0).isEnabled());
        for (int port = 1; port < View().PortCount(); ++port)
            EXPECT_FALSE(View().PortButton(port).isEnabled()) << "the poll reports one chip, on port 1";
        frame->OnAutoRun();
        EXPECT_EQ(frame->AutoRunActive, 1);
        ASSERT_TRUE(WaitForIdle(0));
        EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));
        EXPECT_TRUE(ShowsIcon(0, c.success));
        EXPECT_EQ(frame->CounterPaneText(1), QStringLiteral("Pass :1 "));
        EXPECT_EQ(frame->AutoRunActive, 0);
    }
}

// Four chips behind one of the maker's hubs, as a station has them. The poll shows one
// chip, on port 1, so AutoRun starts port 1 alone; the other ports, started as the
// automatic start would start them, fail without a request to any chip.
TEST_F(PortViews, WithFourChipsAttachedOnlyPort1PassesAndOnlyItsChipIsProgrammed)
{
    const std::vector<sim::Rz52xChip*> chips = bench.AddChipsBehindHub(
        {.vendorId = MakerVendorId, .productId = 0x5421, .bcdDevice = 0x0518, .speedMbps = 480}, sim::StationChip(), 4);
    StartWithDevices(4);
    ASSERT_TRUE(View().PortButton(0).isEnabled());
    for (int port = 1; port < 4; ++port)
        EXPECT_FALSE(View().PortButton(port).isEnabled()) << "port " << port + 1;
    frame->OnAutoRun();
    EXPECT_EQ(frame->CounterPaneText(0), QStringLiteral("Total :1 "));
    ASSERT_TRUE(WaitForIdle(0));
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Success!!"));
    EXPECT_EQ(frame->CounterPaneText(1), QStringLiteral("Pass :1 "));

    for (int port = 1; port < 4; ++port)
        View().ClickPortButton(port);
    ASSERT_TRUE(WaitFor([&] { return !View().AnyWorkerBusy(); }));
    for (int port = 1; port < 4; ++port) {
        EXPECT_EQ(View().PortButton(port).toolTip(), QStringLiteral("Run Fail!!")) << "port " << port + 1;
        EXPECT_TRUE(ShowsIcon(port, res::IDI_FAIL_1)) << "port " << port + 1;
    }
    auto count = [&](auto holds) { return std::count_if(chips.begin(), chips.end(), holds); };
    EXPECT_EQ(count([](sim::Rz52xChip* chip) { return chip->Erases() == 1; }), 1) << "port 1's chip, once";
    EXPECT_EQ(count([](sim::Rz52xChip* chip) { return chip->ControlTransfers() == 0; }), 3) << "no request reaches the others";
}

TEST_F(PortViews, OnePortViewStampsTheDateIntoTheSerialMask)
{
    cisIni += "SNType=4\nSerialNumberY=10\nSNMask=AB##\n";
    StartWithDevices(1);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(frame->SerialLengthText, u"10");
    EXPECT_EQ(frame->CisSetting.SNMask, SerialDateMask(today.year(), today.month(), today.day(), u"10"));
    EXPECT_EQ(frame->CisSetting.SNMask.size(), 10u);
}

TEST(SerialDateMask, DateDigitsThenHashesUpToTheSerialLength)
{
    EXPECT_EQ(SerialDateMask(2026, 12, 9, u"10"), u"261209####");
    EXPECT_EQ(SerialDateMask(2026, 12, 9, u"7"), u"261209#");
    EXPECT_EQ(SerialDateMask(2026, 12, 9, u"6"), u"261209") << "none below 7";
    EXPECT_EQ(SerialDateMask(2031, 1, 2, u""), u"310102") << "no number";
    EXPECT_EQ(SerialDateMask(2026, 12, 9, u"99"), u"261209##########") << "at most 16 characters";
}

TEST(DeviceHandleIndex, OnlyPorts0To31ReachTheTable)
{
    EXPECT_TRUE(DeviceHandleIndex(0) == BYTE{0});
    EXPECT_TRUE(DeviceHandleIndex(31) == BYTE{31});
    EXPECT_FALSE(DeviceHandleIndex(32));
    EXPECT_FALSE(DeviceHandleIndex(255));
    EXPECT_FALSE(DeviceHandleIndex(-1));
}

// The 32-port view on hubs and drives: the root hub's port 1 holds a hub with drives on
// its ports 1 and 3; a drive sits on the root hub's port 2. The walk lists them in that
// order, as ports 1, 2 and 3.
class ThirtyTwoPorts : public PortViews {
protected:
    ThirtyTwoPorts()
    {
        root.Add(bench.testbed());
        hub.Add(bench.testbed());
        for (auto* drive : {&onHub1, &onHub3, &onRoot2})
            (*drive)->Add(bench.testbed());
    }

    // The 32-port view, its walk and polls reaching the bench through the server.
    void StartThirtyTwo()
    {
        StartWithDevices(32);
        ASSERT_EQ(ViewClass(), "C32DevViewDlg");
        frame->OnEnumerate();
    }

    std::shared_ptr<sim::BenchFlashDrive> Drive(std::vector<unsigned> chain, unsigned devnum, unsigned host, char letter,
                                                const char* serial, const char* product = "Flash Disk",
                                                sim::DriveMedia media = {})
    {
        sim::DrivePlacement place{1, std::move(chain), devnum, host, letter};
        sim::DiskIdentity identity;
        identity.product = product;
        auto drive = std::make_shared<sim::BenchFlashDrive>(sim::FlashDriveSpec(place, std::string(serial)), identity,
                                                            std::vector<std::uint64_t>{65536}, place, media);
        benchDevices.push_back(drive);
        return drive;
    }

    void ExpectPresent(std::initializer_list<int> present)
    {
        for (int port = 0; port < View().PortCount(); ++port) {
            const bool expected = std::find(present.begin(), present.end(), port) != present.end();
            EXPECT_EQ(View().PortButton(port).isEnabled(), expected) << "port " << port + 1;
            if (expected) {
                EXPECT_EQ(View().PortButton(port).toolTip(), QStringLiteral("Connected!!")) << "port " << port + 1;
            }
        }
    }

    sim::BenchHub root{sim::RootHubSpec(1, 4)};
    sim::BenchHub hub{sim::HubSpec(1, {1}, 2, 4)};
    std::shared_ptr<sim::BenchFlashDrive> onHub1 = Drive({1, 1}, 11, 7, 'c', "SN0011");
    // The server's poll rechecks a "VirtualDisk" in place and rescans the disks for the others.
    std::shared_ptr<sim::BenchFlashDrive> onHub3 = Drive({1, 3}, 12, 8, 'd', "SN0012", "VirtualDisk");
    std::shared_ptr<sim::BenchFlashDrive> onRoot2 = Drive({2}, 10, 6, 'b', "SN0010");
};

TEST_F(ThirtyTwoPorts, EnumerateWalksTheHubsAndShowsThePresentPorts)
{
    StartWithDevices(32);
    ASSERT_EQ(ViewClass(), "C32DevViewDlg");
    ClearLines();
    frame->OnEnumerate();
    EXPECT_TRUE(HasLine("------EnumerateScanUSBPort()"));
    ExpectPresent({0, 1, 2});
    EXPECT_NE(document.Ports()[1].DevicePath().find("#sn0012&0#"), std::string_view::npos) << document.Ports()[1].DevicePath();

    // A drive that came without a notification is found by the next Enumerate.
    Drive({1, 4}, 13, 9, 'e', "SN0013")->Add(bench.testbed());
    for (int port = 0; port < 3; ++port)
        View().PortButton(port).setEnabled(false);
    ClearLines();
    frame->OnEnumerate();
    EXPECT_TRUE(HasLine("------EnumerateScanUSBPort()"));
    ExpectPresent({0, 1, 2, 3});
    EXPECT_EQ(RecordText(document.Ports()[2].serialNumber), "SN0013");
}

// A drive whose only unit is a CD-ROM (an ISO9660 LUN alone) is walked, shown present in
// its tile and listed with its letter.
TEST_F(ThirtyTwoPorts, ACdromOnlyDriveIsShownInItsTileAndInTheDeviceList)
{
    auto cdrom = Drive({1, 4}, 13, 9, 'e', "CD0013", "Flash Disk", sim::CdromOnly());
    cdrom->Add(bench.testbed());
    StartThirtyTwo();
    ExpectPresent({0, 1, 2, 3});
    const PortRecord& record = document.Ports()[2];
    EXPECT_EQ(record.DevicePath().rfind("\\\\?\\usbstor#cdrom&", 0), 0u) << record.DevicePath();
    EXPECT_EQ(RecordText(record.serialNumber), "CD0013");
    ASSERT_EQ(record.disk.driveLetterCount, 1);

    frame->OnDetailView();
    const CDevListView& list = *frame->DevListView();
    ASSERT_NE(list.item(2, 1), nullptr);
    EXPECT_EQ(list.item(2, 1)->text(), QString("%1:\\ ").arg(QChar(record.disk.driveLetters[0])));
    EXPECT_EQ(list.item(2, 6)->text(), QStringLiteral("TARVO   Flash Disk      "));
    EXPECT_EQ(list.item(2, 7)->text(), QStringLiteral("CD0013"));
}

TEST_F(ThirtyTwoPorts, WorkersGetACopyOfTheirRecordAndTheirDiskIsOpenedUntilTheResult)
{
    StartThirtyTwo();
    ClearLines();
    View().PortButton(1).click();
    const PortThreadParam& param = View().ThreadParam(1);
    EXPECT_NE(param.portRecord, &document.Ports()[1]) << "polls rewrite the document's record; the worker reads its own copy";
    EXPECT_EQ(param.portRecord->DevicePath(), document.Ports()[1].DevicePath());
    EXPECT_EQ(std::vector<BYTE>(param.firmwareVersion, param.firmwareVersion + 4), (std::vector<BYTE>{1, 2, 3, 4}));
    EXPECT_TRUE(HasLineStarting("OpenDiskPathBySymbolicName(Index=1, Handle="));
    ASSERT_TRUE(WaitForIdle(1));
    EXPECT_EQ(View().PortButton(1).toolTip(), QStringLiteral("Run Fail!!")) << "no chip on the bench: the chip worker fails";
    EXPECT_TRUE(ShowsIcon(1, res::IDI_FAIL_16));
    EXPECT_TRUE(HasLineStarting("CloseDiskPath(Index=1, Handle="));
}

// A device notification re-polls each port through the server: an unchanged port is left
// as it is, a changed one is updated (and, in automatic-start mode, started on arrival).
TEST_F(ThirtyTwoPorts, NotificationsTouchOnlyChangedPorts)
{
    // Port 1's drive holds no medium and so has no letter: each poll rescans the disks for it.
    std::ofstream(bench.testbed().RootDir() + "/sys/block/" + onHub1->DiskNode().substr(5) + "/size") << "0\n";
    StartThirtyTwo();
    ExpectPresent({0, 1, 2});
    View().PortButton(0).click(); // a started port: the notification re-polls without a full walk
    ASSERT_TRUE(WaitForIdle(0));
    frame->FabrunMode |= kFabrunModeAutoRunActive;
    View().PortButton(1).setEnabled(false);
    ClearLines();

    onRoot2->Unplug(bench.testbed());
    ASSERT_TRUE(WaitFor([&] { return !View().PortButton(2).isEnabled(); }));
    EXPECT_TRUE(ShowsIcon(2, res::IDI_IDLE_CHIP_16));
    EXPECT_FALSE(HasLine("------EnumerateScanUSBPort()"));
    EXPECT_FALSE(View().PortButton(1).isEnabled()) << "present but unchanged: not enabled again";
    EXPECT_EQ(View().PortButton(0).toolTip(), QStringLiteral("Run Fail!!")) << "present but unchanged: its result stays";
    EXPECT_FALSE(View().WorkerBusy(1)) << "present but unchanged: not started";
    EXPECT_FALSE(HasLineStarting("OpenDiskPathBySymbolicName(Index=1,"));
    EXPECT_FALSE(HasLineStarting("OpenDiskPathBySymbolicName(Index=0,"));

    onRoot2->Plug(bench.testbed());
    ASSERT_TRUE(WaitFor([&] { return HasLineStarting("OpenDiskPathBySymbolicName(Index=2,"); }))
        << "the drive came back: enabled and started automatically";
    EXPECT_TRUE(View().PortButton(2).isEnabled());
    ASSERT_TRUE(WaitForIdle(2));
    EXPECT_FALSE(View().PortButton(1).isEnabled());
    EXPECT_FALSE(HasLineStarting("OpenDiskPathBySymbolicName(Index=1,"));
}

} // namespace
} // namespace consoletest
