// The device list in the real window: DetailView opens it with a row per port of the run
// view, and the port views' refreshes reach its rows.
#include "station_fixture.h"

#include <QSplitter>
#include <QTableWidgetItem>

namespace consoletest {
namespace {

using DeviceListPane = StationTest;

QString Cell(const CDevListView& list, int row, int column)
{
    const QTableWidgetItem* item = list.item(row, column);
    return item != nullptr ? item->text() : QString();
}

TEST_F(DeviceListPane, DetailViewShowsARowPerPortOfTheRunView)
{
    PlugChip();
    ASSERT_TRUE(Start());
    ASSERT_NE(frame->DevListView(), nullptr);
    EXPECT_EQ(frame->DevListView()->height(), 0);
    EXPECT_EQ(frame->DevListView()->rowCount(), 16) << "filled at start-up, though closed";

    frame->OnDetailView();
    CDevListView& list = *frame->DevListView();
    EXPECT_GT(list.height(), 0);
    auto* splitter = qobject_cast<QSplitter*>(list.parentWidget());
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(splitter->indexOf(&list), 0) << "the list stays above the port view";
    EXPECT_EQ(splitter->count(), 2);
    ASSERT_EQ(list.rowCount(), 16);
    EXPECT_EQ(list.columnCount(), 9) << "chip mode";
    for (int port = 0; port < 16; ++port)
        EXPECT_EQ(Cell(list, port, 0), QString::asprintf("[Device %02d]:", port + 1)) << port;
    EXPECT_EQ(Cell(list, 0, 1), "N/A") << "the chip on port 1 has no drive letters";
    EXPECT_FALSE(Cell(list, 0, 8).isEmpty());
    EXPECT_EQ(Cell(list, 1, 1), "") << "no device on port 2";

    // A port view's refresh of a port that lost its device reaches the list.
    document.Ports()[0].present = 0;
    frame->RefreshDeviceListRow(0);
    EXPECT_EQ(Cell(list, 0, 1), "");

    frame->OnDetailView();
    EXPECT_EQ(frame->DevListView()->height(), 0);
    EXPECT_EQ(frame->DevListView()->rowCount(), 16) << "the new list is built again";
}

} // namespace
} // namespace consoletest
