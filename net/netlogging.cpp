#include "netlogging.h"

Q_LOGGING_CATEGORY(lcNetUdp, "vorne.udp", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNetRegistry, "vorne.registry", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNetThermos, "vorne.thermos", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNetRows, "vorne.rows", QtInfoMsg)
