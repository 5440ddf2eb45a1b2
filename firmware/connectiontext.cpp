#include "connectiontext.h"

#include "hostport.h"

ConnectionText ConnectionText::parse(const QString &text)
{
    const HostPort parts = HostPort::split(text);
    // No port, or a malformed text, stays port 0: invalid rather than a guess.
    return {parts.host, parts.wellFormed && parts.hasPort ? parts.port() : 0};
}
