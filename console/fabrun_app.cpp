#include "console/fabrun_app.h"

#include "console/about_dlg.h"
#include "console/main_frame.h"
#include "console/termination_request.h"
#include "engine/ports/dev_info_doc.h"
#include "platform/base/lasterror.h"
#include "platform/com/com.h"
#include "platform/debug/debug.h"
#include "platform/instance/instance.h"
#include "platform/msgbox/msgbox.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "platform/version/file_version_text.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"

#include <sys/stat.h>

CFabrunApp::CFabrunApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromUtf16(res::LoadStringResource(res::IDS_APP_TITLE).data()));
}

CFabrunApp::~CFabrunApp()
{
    // The frame's destruction is the station's shut-down; it needs the application still.
    frame_.reset();
    document_.reset();
    if (oleInitialized_)
        CoUninitialize();
}

BOOL CFabrunApp::InitInstance()
{
    InstanceMutex = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    if (InstanceMutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxW(nullptr, u"The application is already running.", u"Error Message", MB_ICONERROR);
        return FALSE;
    }
    oleInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    if (!oleInitialized_) {
        std::u16string text(res::LoadStringResource(res::IDP_OLE_INIT_FAILED));
        MessageBoxW(nullptr, text.c_str(), u"Fabrun", MB_OK);
        return FALSE;
    }
    document_ = std::make_unique<CDevInfoDoc>();
    document_->OnNewDocument();
    frame_ = MakeMainFrame(*document_);
    if (!frame_->OnCreate())
        return FALSE;
    frame_->show();
    CloseOnTerminationRequest(*frame_);
    BuildVersionBanner();
    frame_->setWindowTitle(QString::fromStdU16String(TitleBanner));
    return TRUE;
}

std::unique_ptr<CMainFrame> CFabrunApp::MakeMainFrame(CDevInfoDoc& document)
{
    return std::make_unique<CMainFrame>(document, platform::ProgramFolder());
}

void CFabrunApp::BuildVersionBanner()
{
    char16_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::u16string program(path, length);
    struct stat info {};
    if (stat(platform::WideToAnsi(program).c_str(), &info) != 0)
        platform::DebugPrintf("User Change EXE File Name");
    // A program without a version resource shows an empty version.
    std::u16string version = platform::ReadFileVersionText(program).value_or(u"");
    TitleBanner = platform::FormatWide("RZ52x Fabrun   V%s - 20190813", platform::WideToAnsi(version).c_str());
    platform::DebugPrintf("============ Fabrun Version ===========");
    platform::DebugPrintf("%s", platform::WideToUtf8(TitleBanner).c_str());
    platform::DebugPrintf("=======================================");
}

void CFabrunApp::OnAppAbout(CMainFrame& frame)
{
    CAboutDlg about(frame, &frame);
    about.DoModal();
}
