#pragma once

#include <QLoggingCategory>

// Trace channels of the network layer; switch them on with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcNetUdp)      // "vorne.udp": datagrams, lines, decoded packets
Q_DECLARE_LOGGING_CATEGORY(lcNetRegistry) // "vorne.registry": discovery and announces
Q_DECLARE_LOGGING_CATEGORY(lcNetThermos)  // "vorne.thermos": brew events
Q_DECLARE_LOGGING_CATEGORY(lcNetRows)     // "vorne.rows": control-center console rows
