// The port view for a device number: the 4-, 8-, 16- or 32-port view, and the 1-port view
// for any other value.
#pragma once

class CDevInfoDoc;
class CMainFrame;
class CPortView;
class QWidget;

// True for the device numbers that have a view of their own: 1, 4, 8, 16 and 32.
bool PortViewAvailable(int ports);
CPortView* CreatePortViewFor(int devNoView, CMainFrame& frame, CDevInfoDoc& document, QWidget* parent);
