// The application object of Fabrun: it lets only one station run, builds the main frame
// (whose creation is the station's start-up) and gives the window its version banner.
#pragma once

#include "platform/base/wintypes.h"

#include <QApplication>

#include <memory>
#include <string>

class CDevInfoDoc;
class CMainFrame;

class CFabrunApp : public QApplication {
    Q_OBJECT

public:
    CFabrunApp(int& argc, char** argv);
    ~CFabrunApp() override;

    // The start-up; false ends the program at once.
    BOOL InitInstance();
    // "RZ52x Fabrun   V<FileVersion> - 20190813" from the program's own file.
    void BuildVersionBanner();
    // Help / About of `frame`: the About box, modal.
    void OnAppAbout(CMainFrame& frame);

    HANDLE InstanceMutex = nullptr; // held for the life of the process
    std::u16string TitleBanner;

    CMainFrame* MainFrame() const { return frame_.get(); }

protected:
    // The main frame that InitInstance creates; a flash-drive station makes its own.
    virtual std::unique_ptr<CMainFrame> MakeMainFrame(CDevInfoDoc& document);

private:
    bool oleInitialized_ = false;
    std::unique_ptr<CDevInfoDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
};
