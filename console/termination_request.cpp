#include "console/termination_request.h"

#include "platform/debug/debug.h"

#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int requestPipe[2] = {-1, -1};

// Only async-signal-safe work here: the GUI thread reads the pipe.
void NoteRequest(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(requestPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void CloseOnTerminationRequest(QWidget& window)
{
    if (requestPipe[0] < 0 && pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        platform::DebugPrintf("Termination requests: no pipe (errno %d); Ctrl+C ends the station without its shut-down", errno);
        return;
    }
    auto* notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char bytes[16];
        while (read(requestPipe[0], bytes, sizeof bytes) > 0) {
        }
        platform::DebugPrintf("Termination requested: closing the station");
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = NoteRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM})
        if (sigaction(signal, &action, nullptr) != 0)
            platform::DebugPrintf("Termination requests: signal %d not handled (errno %d)", signal, errno);
}
