// The About box (Help / About): the program's icon, its version line and the line naming
// the USB driver library, with an OK button.
#pragma once

#include "platform/base/wintypes.h"

#include <QDialog>

class CMainFrame;
class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(const CMainFrame& frame, QWidget* parent = nullptr);

    // Fills the two lines from the program file beside the station INI (or, when it was
    // renamed, the running program) and the frame's mode bits.
    BOOL OnInitDialog();
    // OnInitDialog, then the box runs modally; the result of the box.
    int DoModal();

    // The control of a template id (the two static lines, IDOK), or nullptr.
    QWidget* Item(UINT id) const;

private:
    const CMainFrame& frame_;
    QLabel* versionLine_;
    QLabel* driverLine_;
    QWidget* okButton_;
};
