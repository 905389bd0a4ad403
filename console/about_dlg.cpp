#include "console/about_dlg.h"

#include "console/main_frame.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "platform/version/file_version_text.h"
#include "resources/icons.h"
#include "resources/resource_ids.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <sys/stat.h>

namespace {

// The program's file in its folder: the station's own name for it on this platform.
constexpr const char16_t* kProgramFile = u"Fabrun";

bool IsFile(const std::u16string& path)
{
    struct stat info {};
    return ::stat(platform::WideToAnsi(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::u16string ReplaceAll(std::u16string text, char16_t from, std::u16string_view to)
{
    for (std::size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
        text.replace(at, 1, to);
    return text;
}

} // namespace

CAboutDlg::CAboutDlg(const CMainFrame& frame, QWidget* parent) : QDialog(parent), frame_(frame)
{
    setWindowTitle(QStringLiteral("About RZ520 Fabrun"));
    auto* icon = new QLabel(this);
    icon->setPixmap(res::LoadIconResource(res::IDR_MAINFRAME));
    versionLine_ = new QLabel(QStringLiteral("Fabrun, Version 0.0.0.0"), this);
    driverLine_ = new QLabel(QStringLiteral("Portwarden.ax, Version 0.0.0.0"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    okButton_ = ok;
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* lines = new QVBoxLayout;
    lines->addWidget(versionLine_);
    lines->addWidget(driverLine_);
    auto* row = new QHBoxLayout(this);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addLayout(lines, 1);
    row->addSpacing(12);
    row->addWidget(ok, 0, Qt::AlignTop);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

BOOL CAboutDlg::OnInitDialog()
{
    std::u16string program = frame_.ProgramDrive + frame_.ProgramFolder + kProgramFile;
    if (!IsFile(program)) {
        char16_t own[MAX_PATH];
        program.assign(own, GetModuleFileNameW(nullptr, own, MAX_PATH));
        platform::DebugPrintf("User Change EXE File Name");
    }
    // A program without a version resource shows an empty version.
    const std::string version = platform::WideToAnsi(platform::ReadFileVersionText(program).value_or(u""));
    const std::u16string line = (frame_.FabrunMode & kFabrunModeFlashDrive) != 0
                                    ? platform::FormatWide("RZ870Fabrun Version: %s", version.c_str())
                                    : platform::FormatWide("Fabrun Version: %s ", version.c_str());
    versionLine_->setText(QString::fromStdU16String(ReplaceAll(line, u'.', u". ")));
    driverLine_->setText(QString::fromStdU16String(ReplaceAll(u"Libusb-win32, Version 1.2.6.0", u',', u".")));
    return TRUE;
}

int CAboutDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

QWidget* CAboutDlg::Item(UINT id) const
{
    switch (id) {
    case res::IDC_ABOUT_VERSION:
        return versionLine_;
    case res::IDC_ABOUT_DRIVER:
        return driverLine_;
    case IDOK:
        return okButton_;
    default:
        return nullptr;
    }
}
