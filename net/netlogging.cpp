#include "netlogging.h"

Q_LOGGING_CATEGORY(lcNetUdp, "vorne.udp")
Q_LOGGING_CATEGORY(lcNetRegistry, "vorne.registry")
Q_LOGGING_CATEGORY(lcNetThermos, "vorne.thermos")
Q_LOGGING_CATEGORY(lcNetRows, "vorne.rows")
