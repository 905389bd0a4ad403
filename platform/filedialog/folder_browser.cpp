#include "platform/filedialog/dialog_script.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <QFileDialog>

BOOL BrowseForFolderW(HWND owner, LPCWSTR title, UINT flags, std::u16string& folder)
{
    using platform::FileDialogRequest;
    QWidget* parent = platform::filedialog::OwnerWidget(owner);
    const std::u16string caption = title != nullptr ? std::u16string(title) : std::u16string();
    const FileDialogRequest request{FileDialogRequest::Kind::Folder, u"", u"", flags, u"", u"", caption, parent != nullptr};
    std::optional<std::u16string> chosen;
    if (auto scripted = platform::filedialog::ScriptedAnswer(request)) {
        chosen = *scripted;
    } else {
        const QString picked = QFileDialog::getExistingDirectory(parent, QString::fromStdU16String(caption));
        if (!picked.isEmpty())
            chosen = picked.toStdU16String();
    }
    if (!chosen) {
        platform::DebugPrintf("Folder chooser: cancelled");
        return FALSE;
    }
    folder = *chosen;
    platform::DebugPrintf("Folder chooser: %s", platform::WideToUtf8(folder).c_str());
    return TRUE;
}
