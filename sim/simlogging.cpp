#include "simlogging.h"

Q_LOGGING_CATEGORY(lcSim, "vorne.sim", QtInfoMsg)
