// The 16-port view: 4 rows of 4 port tiles, and the serial-number entry for stations
// whose operators type each device's serial number.
#pragma once

#include "console/port_view/port_view.h"

#include <QString>

class QLineEdit;

class C16DevViewDlg : public CPortView {
    Q_OBJECT

public:
    C16DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent);

    void OnInitialUpdate() override;
    QLineEdit& SerialEdit() const;
    const QString& SerialText() const { return serialText_; }

protected:
    void FillSerialNumber(PortThreadParam& param) override;
    void FocusSerialEntry() override;

private:
    void OnChangeSerialEdit();
    bool SerialInputMode() const;

    QString serialText_;
};
