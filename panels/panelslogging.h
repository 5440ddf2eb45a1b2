#pragma once

#include <QLoggingCategory>

// Trace category of the machine panels; switch it on with
// QT_LOGGING_RULES="vorne.panels.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPanels) // "vorne.panels": recipe commands, macro editor rows
