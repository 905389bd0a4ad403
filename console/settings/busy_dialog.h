// A long job behind a modal window: the job runs on a thread of its own while a dialog
// with a running bar keeps the operator from the rest of the program and the window
// stays drawn. Message boxes the job asks for are shown meanwhile.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Returns when the job has ended.
void RunBehindBusyDialog(QWidget* owner, const QString& text, const std::function<void()>& job);
