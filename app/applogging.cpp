#include "applogging.h"

Q_LOGGING_CATEGORY(lcConsole, "vorne.console", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSessionLog, "vorne.sessionlog", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDevices, "vorne.devices", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStatus, "vorne.status", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWorkspace, "vorne.workspace", QtInfoMsg)
Q_LOGGING_CATEGORY(lcGit, "vorne.git", QtInfoMsg)
