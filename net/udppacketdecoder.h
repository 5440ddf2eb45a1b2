#pragma once

#include "udppacket.h"

class QString;

// The grammar of the boards' UDP text lines: tells which of the six kinds a line is and takes
// its fields apart. Stateless; the per-sender counters and the macro text live in the registry.
class UdpPacketDecoder
{
public:
    static constexpr int kMinTelemetryElements = 28;  // fewer: the line is dropped
    static constexpr int kFullTelemetryElements = 31; // from here on eta to swId are carried

    static UdpPacket decode(const QString &line);
};
