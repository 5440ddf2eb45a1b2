#include "applogging.h"

Q_LOGGING_CATEGORY(lcConsole, "vorne.console", QtInfoMsg)
