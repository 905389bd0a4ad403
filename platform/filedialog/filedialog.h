// File and folder choosers, in the shape the class library gives them: an open or save
// dialog built with a default extension, flags and a "|"-separated filter, run with
// DoModal; and a folder browser. They run on the GUI thread. Every chooser writes a debug
// line. Where nobody can see one (no application object, or Qt's offscreen platform) it
// ends as cancelled. Tests script the choices with platform::SetFileDialogScript.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/msgbox/msgbox.h" // IDOK, IDCANCEL
#include "platform/window/window.h"

#include <functional>
#include <optional>
#include <string>

constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr UINT BIF_RETURNONLYFSDIRS = 0x1;

class CFileDialog {
public:
    // `filter`: pairs of description and patterns, each followed by '|', the list ended
    // by a second '|' ("BIN File(*.bin)|*.bin| All File (*.*)|*.*||").
    CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                HWND parent = nullptr);

    // Where the dialog starts; empty: where the last one ended.
    std::u16string initialFolder;

    // IDOK with a chosen path, else IDCANCEL.
    INT_PTR DoModal();
    std::u16string GetPathName() const { return path_; }
    // The chosen file's name and extension.
    std::u16string GetFileName() const;

private:
    bool open_;
    std::u16string defaultExtension_;
    std::u16string fileName_;
    DWORD flags_;
    std::u16string filter_;
    HWND parent_;
    std::u16string path_;
};

// A folder browser owned by `owner`; TRUE with the chosen folder in `folder`.
BOOL BrowseForFolderW(HWND owner, LPCWSTR title, UINT flags, std::u16string& folder);

namespace platform {

struct FileDialogRequest {
    enum class Kind { Open, Save, Folder };
    Kind kind;
    std::u16string defaultExtension; // without the dot
    std::u16string fileName;
    DWORD flags;                     // OFN_ flags, or BIF_ flags for a folder
    std::u16string filter;           // as given to the dialog
    std::u16string initialFolder;
    std::u16string title;            // folder browser only
    bool hasOwner;
};

// Answers choosers instead of showing them: the chosen path, or nullopt for a cancel.
// An empty script restores the real choosers; returns the previous.
using FileDialogScript = std::function<std::optional<std::u16string>(const FileDialogRequest& request)>;
FileDialogScript SetFileDialogScript(FileDialogScript script);

} // namespace platform
