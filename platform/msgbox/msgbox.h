// Message boxes. Any thread may ask: the box is shown modally on the GUI thread of the
// Qt application while the asking thread waits for the answer. Every box also writes a
// debug line. Where nobody can see a box (no application object, or Qt's offscreen
// platform) the debug line is all, and the answer is the box's first button, except that
// a Retry/Cancel box is cancelled: retrying unseen would never end. Tests script the
// answers with platform::SetMessageBoxScript.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/window/window.h"

#include <functional>
#include <string>

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// `owner`: a live window that is also a widget parents the box; otherwise it has none.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace platform {

struct MessageBoxRequest {
    std::u16string text;
    std::u16string caption;
    UINT type;
    bool hasOwner;
};

// Answers boxes instead of showing them (on the GUI thread when there is an application,
// else on the asking thread). An empty script restores the real boxes; returns the previous.
using MessageBoxScript = std::function<int(const MessageBoxRequest& request)>;
MessageBoxScript SetMessageBoxScript(MessageBoxScript script);

} // namespace platform
