#include "console/port_view/dev_view_4_8.h"

#include "resources/resource_ids.h"

namespace {

const PortViewLayout kLayout4{
    res::IDD_4_DEV_VIEW,
    res::PortView4Tiles(),
    {res::IDI_IDLE_CHIP_1, res::IDI_IDLE_FLASH_1, res::IDI_SUCCESS_1, res::IDI_REDO_1, res::IDI_FAIL_1},
    "R: %.2f MB/s",
    "W: %.2f MB/s",
};

const PortViewLayout kLayout8{
    res::IDD_8_DEV_VIEW,
    res::PortView8Tiles(),
    {res::IDI_IDLE_CHIP_8, res::IDI_IDLE_FLASH_8, res::IDI_SUCCESS_8, res::IDI_REDO_8, res::IDI_FAIL_8},
    "R:%.2fMB/s",
    "W:%.2fMB/s",
};

} // namespace

C4DevViewDlg::C4DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
    : CPortView(frame, document, kLayout4, parent)
{
}

C8DevViewDlg::C8DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
    : CPortView(frame, document, kLayout8, parent)
{
}
