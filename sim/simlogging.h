#pragma once

#include <QLoggingCategory>

// Traces of the simulated board ("vorne.sim"); switch on with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcSim)
