#pragma once

#include <QLoggingCategory>

// Trace categories of the main window. Debug traces are off by default; switch them on
// with e.g. QT_LOGGING_RULES="vorne.console.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcConsole)    // "vorne.console": console lines in and out, connects
Q_DECLARE_LOGGING_CATEGORY(lcSessionLog) // "vorne.sessionlog": UDP lines, log files not opened
Q_DECLARE_LOGGING_CATEGORY(lcDevices)    // "vorne.devices": device menu rebuilds and choices
Q_DECLARE_LOGGING_CATEGORY(lcStatus)     // "vorne.status": telemetry the status panel ignores
Q_DECLARE_LOGGING_CATEGORY(lcWorkspace)  // "vorne.workspace": script files not saved or moved
Q_DECLARE_LOGGING_CATEGORY(lcGit)        // "vorne.git": git calls and their outcome
