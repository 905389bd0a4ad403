// The 32-port view: 4 rows of 8 tiles whose ports the server finds (its USB walk) and
// re-polls one by one. Each worker's disk is opened into the program's handle table at
// its start and closed after its result.
#pragma once

#include "console/port_view/port_view.h"

#include <array>

class C32DevViewDlg : public CPortView {
    Q_OBJECT

public:
    C32DevViewDlg(CMainFrame& frame, CDevInfoDoc& document, QWidget* parent);

    void PollingDeiveStatus() override;

protected:
    void WorkerStarting(int port, const PortThreadParam& param) override;
    void ResultHandled(int port) override;
    void EnumerateAllPorts() override;

private:
    // Ports whose disk this view opened and has not closed yet.
    std::array<bool, kPortCount> diskOpen_{};
};
