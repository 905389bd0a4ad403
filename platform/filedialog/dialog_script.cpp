#include "platform/filedialog/dialog_script.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#include <mutex>

namespace {

struct ScriptState {
    std::mutex lock;
    platform::FileDialogScript script;
};

ScriptState& Scripts()
{
    static ScriptState* state = new ScriptState;
    return *state;
}

const char* KindName(platform::FileDialogRequest::Kind kind)
{
    switch (kind) {
    case platform::FileDialogRequest::Kind::Open:
        return "open";
    case platform::FileDialogRequest::Kind::Save:
        return "save";
    case platform::FileDialogRequest::Kind::Folder:
        return "folder";
    }
    return "?";
}

} // namespace

namespace platform {

FileDialogScript SetFileDialogScript(FileDialogScript script)
{
    auto& state = Scripts();
    std::lock_guard guard(state.lock);
    FileDialogScript previous = std::move(state.script);
    state.script = std::move(script);
    return previous;
}

namespace filedialog {

std::optional<std::optional<std::u16string>> ScriptedAnswer(const FileDialogRequest& request)
{
    DebugPrintf("File chooser (%s): %s", KindName(request.kind), WideToUtf8(request.filter).c_str());
    FileDialogScript script;
    {
        auto& state = Scripts();
        std::lock_guard guard(state.lock);
        script = state.script;
    }
    if (script)
        return script(request);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr ||
        QGuiApplication::platformName() == QLatin1String("offscreen"))
        return std::optional<std::u16string>{};
    return std::nullopt;
}

QWidget* OwnerWidget(HWND owner)
{
    return IsWindow(owner) != FALSE ? dynamic_cast<QWidget*>(owner) : nullptr;
}

} // namespace filedialog
} // namespace platform
