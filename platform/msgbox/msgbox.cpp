#include "platform/msgbox/msgbox.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <mutex>

namespace {

struct ScriptState {
    std::mutex lock;
    platform::MessageBoxScript script;
};

ScriptState& Scripts()
{
    static ScriptState* state = new ScriptState;
    return *state;
}

platform::MessageBoxScript CurrentScript()
{
    auto& state = Scripts();
    std::lock_guard guard(state.lock);
    return state.script;
}

int FirstButton(UINT type)
{
    switch (type & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

QMessageBox::StandardButtons ButtonsOf(UINT type)
{
    switch (type & 0xF) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case MB_RETRYCANCEL:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int AnswerOf(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Retry:
        return IDRETRY;
    default:
        return IDOK;
    }
}

bool NobodyCanSee()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr ||
           QGuiApplication::platformName() == QLatin1String("offscreen");
}

// Runs on the GUI thread when there is an application.
int Present(const platform::MessageBoxRequest& request, QWidget* owner)
{
    if (auto script = CurrentScript())
        return script(request);
    if (NobodyCanSee())
        return FirstButton(request.type);
    QMessageBox box(IconOf(request.type), QString::fromStdU16String(request.caption),
                    QString::fromStdU16String(request.text), ButtonsOf(request.type), owner);
    return AnswerOf(box.exec());
}

} // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    platform::MessageBoxRequest request{text != nullptr ? text : u"", caption != nullptr ? caption : u"Error", type,
                                        IsWindow(owner) != FALSE};
    platform::DebugPrintf("MessageBox [%s]: %s", platform::WideToUtf8(request.caption).c_str(),
                          platform::WideToUtf8(request.text).c_str());
    QPointer<QWidget> parent = request.hasOwner ? dynamic_cast<QWidget*>(owner) : nullptr;
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread())
        return Present(request, parent);
    int answer = FirstButton(type);
    QMetaObject::invokeMethod(
        application, [&] { return Present(request, parent); }, Qt::BlockingQueuedConnection, &answer);
    return answer;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    std::u16string wideText = platform::AnsiToWide(text != nullptr ? text : "");
    std::u16string wideCaption = platform::AnsiToWide(caption != nullptr ? caption : "Error");
    return MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), type);
}

namespace platform {

MessageBoxScript SetMessageBoxScript(MessageBoxScript script)
{
    auto& state = Scripts();
    std::lock_guard guard(state.lock);
    MessageBoxScript previous = std::move(state.script);
    state.script = std::move(script);
    return previous;
}

} // namespace platform
