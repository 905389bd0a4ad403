#include "console/port_view/port_view_factory.h"

#include "console/port_view/dev_view_1.h"
#include "console/port_view/dev_view_16.h"
#include "console/port_view/dev_view_32.h"
#include "console/port_view/dev_view_4_8.h"

bool PortViewAvailable(int ports)
{
    return ports == 1 || ports == 4 || ports == 8 || ports == 16 || ports == 32;
}

CPortView* CreatePortViewFor(int devNoView, CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
{
    switch (devNoView) {
    case 4:
        return new C4DevViewDlg(frame, document, parent);
    case 8:
        return new C8DevViewDlg(frame, document, parent);
    case 16:
        return new C16DevViewDlg(frame, document, parent);
    case 32:
        return new C32DevViewDlg(frame, document, parent);
    default:
        return new C1DevViewDlg(frame, document, parent);
    }
}
