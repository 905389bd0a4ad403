// The 1-port view: one large tile for the one chip that the libusb poll can report. It
// takes one click until the port's result (through the frame's CounterPanesDisabled),
// re-polls the chip after every result and stamps the date into the serial-number mask.
#pragma once

#include "console/port_view/port_view.h"

class C1DevViewDlg : public CPortView {
    Q_OBJECT

public:
    C1DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent);

    void OnInitialUpdate() override;
    bool OnClickedPort(int port) override;
    void PollingDeiveStatus() override;
    // SNType 4 and 5: SNMask := today's date and "#" up to the serial-number length.
    void InitSerialDateStamp();

protected:
    void FillFirmwareVersion(PortThreadParam& param, const BYTE* inquiry) override;
    void ResultShown(int port) override;
    void EnumerateAllPorts() override;

private:
    void NewEnum_Polling_Mode(BYTE mode);
};
