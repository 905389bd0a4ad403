#include "console/port_view/dev_view_16.h"

#include "console/main_frame.h"
#include "engine/serial/serial_field.h"
#include "resources/resource_ids.h"

#include <QLabel>
#include <QLineEdit>

namespace {

constexpr qsizetype kSerialDigits = 16;

const PortViewLayout kLayout16{
    res::IDD_16_DEV_VIEW,
    res::PortView16Tiles(),
    {res::IDI_IDLE_CHIP_16, res::IDI_IDLE_FLASH_16, res::IDI_SUCCESS_16, res::IDI_REDO_16, res::IDI_FAIL_16},
    "R: %.2f MB/s",
    "W: %.2f MB/s",
};

} // namespace

C16DevViewDlg::C16DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent)
    : CPortView(frame, document, kLayout16, parent)
{
    connect(&SerialEdit(), &QLineEdit::textChanged, this, &C16DevViewDlg::OnChangeSerialEdit);
}

QLineEdit& C16DevViewDlg::SerialEdit() const
{
    return *controls_.ItemAs<QLineEdit>(res::IDC_SERIAL_EDIT);
}

bool C16DevViewDlg::SerialInputMode() const
{
    return (frame_.FabrunMode & kFabrunModeTypedSerial) != 0;
}

void C16DevViewDlg::OnInitialUpdate()
{
    CPortView::OnInitialUpdate();
    if (SerialInputMode()) {
        SerialEdit().setFocus();
    } else {
        SerialEdit().hide();
        controls_.Item(res::IDC_SERIAL_LABEL)->hide();
    }
}

void C16DevViewDlg::OnChangeSerialEdit()
{
    serialText_ = SerialEdit().text().left(kSerialDigits);
}

void C16DevViewDlg::FillSerialNumber(PortThreadParam& param)
{
    if (!SerialInputMode())
        return;
    param.serialNumber = TypedSerialNumber(serialText_.toStdU16String(), frame_.CisSetting.DecCheck != 0);
}

void C16DevViewDlg::FocusSerialEntry()
{
    if (!SerialInputMode())
        return;
    SerialEdit().selectAll();
    SerialEdit().setFocus();
}
