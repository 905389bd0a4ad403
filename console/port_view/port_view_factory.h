// The port view for a device number. The 16-port view is built; until the views for 1, 4,
// 8 and 32 ports join it, it also stands in for them.
#pragma once

class CDevInfoDoc;
class CMainFrame;
class CPortView;
class QWidget;

// True for the device numbers that have a view of their own.
bool PortViewAvailable(int ports);
CPortView* CreatePortViewFor(int devNoView, CMainFrame& frame, CDevInfoDoc& document, QWidget* parent);
