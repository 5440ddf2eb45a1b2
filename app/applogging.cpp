#include "applogging.h"

Q_LOGGING_CATEGORY(lcConsole, "vorne.console", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "vorne.app", QtInfoMsg)
