#include "panelslogging.h"

Q_LOGGING_CATEGORY(lcPanels, "vorne.panels", QtInfoMsg)
