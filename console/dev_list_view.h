// The device list in the upper pane of the frame: one row per port of the run view with
// the device's drive letters, USB ids and strings, capacity, SCSI inquiry text, serial
// number and firmware version, and in flash-drive mode four columns about the flash. It
// reads the document's port records and the frame's settings and block map.
#pragma once

#include "resources/icons.h"

#include <QIcon>
#include <QTableWidget>

#include <array>
#include <string>
#include <string_view>

class CDevInfoDoc;
class CMainFrame;

class CDevListView : public QTableWidget {
    Q_OBJECT

public:
    CDevListView(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent = nullptr);
    ~CDevListView() override;

    // Reads the language, builds the columns and one row per port of the run view, then
    // fills the rows of the present ports.
    virtual void OnInitialUpdate();
    // Rewrites the row of every port that the last walk found with a device on it.
    void RefreshAllDeviceRows();
    // Rewrites the row of port `index` (0..31) after the port's state changed.
    void RefreshDeviceRow(int index);

private:
    int PortRows() const;
    std::u16string Caption(std::u16string_view key, std::u16string_view english) const;
    void InsertColumns();
    // Replaces the row of `port` by one with only its first column; returns the new row.
    int ReplacePortRow(int port, int image);
    // Replaces the row of a present port by its full row.
    void RewritePresentRow(int port);
    void SetCell(int row, int column, const std::u16string& text);

    CMainFrame& frame_;
    CDevInfoDoc& document_;
    std::u16string languageSection_;
    std::u16string rowFormat_;
    std::array<QIcon, res::kListImageCount> images_;
};
