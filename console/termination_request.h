// Ctrl+C and SIGTERM (a session ending, a service manager stopping the station) close the
// main window as the operator's close would, so that the shut-down saves the settings
// and switches the filter driver off instead of the process dying in the middle.
#pragma once

class QWidget;

// Installs the handlers for the life of the process; `window` is closed on each request.
// Where they cannot be installed it says so in a debug line.
void CloseOnTerminationRequest(QWidget& window);
