#include "platform/filedialog/dialog_script.h"
#include "platform/filedialog/filter_text.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

std::u16string Text(LPCWSTR text)
{
    return text != nullptr ? std::u16string(text) : std::u16string();
}

std::u16string WithoutDot(std::u16string extension)
{
    if (!extension.empty() && extension.front() == u'.')
        extension.erase(0, 1);
    return extension;
}

} // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         HWND parent)
    : open_(openFileDialog != FALSE), defaultExtension_(WithoutDot(Text(defaultExtension))), fileName_(Text(fileName)),
      flags_(flags), filter_(Text(filter)), parent_(parent)
{
}

INT_PTR CFileDialog::DoModal()
{
    using platform::FileDialogRequest;
    const FileDialogRequest request{open_ ? FileDialogRequest::Kind::Open : FileDialogRequest::Kind::Save,
                                    defaultExtension_, fileName_, flags_, filter_, initialFolder, u"",
                                    platform::filedialog::OwnerWidget(parent_) != nullptr};
    std::optional<std::u16string> chosen;
    if (auto scripted = platform::filedialog::ScriptedAnswer(request)) {
        chosen = *scripted;
    } else {
        QFileDialog dialog(platform::filedialog::OwnerWidget(parent_));
        dialog.setAcceptMode(open_ ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(open_ ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setNameFilters(platform::filedialog::QtNameFilters(filter_).split(QStringLiteral(";;")));
        dialog.setDefaultSuffix(QString::fromStdU16String(defaultExtension_));
        if ((flags_ & OFN_OVERWRITEPROMPT) == 0)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!initialFolder.empty())
            dialog.setDirectory(QString::fromStdU16String(initialFolder));
        if (!fileName_.empty())
            dialog.selectFile(QString::fromStdU16String(fileName_));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().front().toStdU16String();
    }
    if (!chosen) {
        platform::DebugPrintf("File chooser: cancelled");
        return IDCANCEL;
    }
    path_ = *chosen;
    platform::DebugPrintf("File chooser: %s", platform::WideToUtf8(path_).c_str());
    return IDOK;
}

std::u16string CFileDialog::GetFileName() const
{
    const std::size_t slash = path_.find_last_of(u"/\\");
    return slash == std::u16string::npos ? path_ : path_.substr(slash + 1);
}
