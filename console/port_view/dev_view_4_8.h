// The 4- and 8-port views: the shared design on 2 x 2 and 2 x 4 tiles, with the libusb
// poll and without the serial-number entry.
#pragma once

#include "console/port_view/port_view.h"

class C4DevViewDlg : public CPortView {
    Q_OBJECT

public:
    C4DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent);
};

class C8DevViewDlg : public CPortView {
    Q_OBJECT

public:
    C8DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent);
};
