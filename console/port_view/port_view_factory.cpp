#include "console/port_view/port_view_factory.h"

#include "console/port_view/dev_view_16.h"

bool PortViewAvailable(int ports)
{
    return ports == 16;
}

CPortView* CreatePortViewFor(int, CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
{
    return new C16DevViewDlg(frame, document, parent);
}
