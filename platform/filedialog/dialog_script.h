// What the file and folder choosers share: the test script, whether anyone can see a
// chooser, and the owner widget of a window handle.
#pragma once

#include "platform/filedialog/filedialog.h"

class QWidget;

namespace platform::filedialog {

// The script's answer when one is set; otherwise, where nobody can see a chooser, a
// cancel; otherwise nothing, and the caller shows the real one.
std::optional<std::optional<std::u16string>> ScriptedAnswer(const FileDialogRequest& request);
QWidget* OwnerWidget(HWND owner);

} // namespace platform::filedialog
