#include "hostport.h"

int HostPort::port() const
{
    bool ok = false;
    const int value = portText.toInt(&ok, 10);
    return ok ? value : 0;
}

HostPort HostPort::split(const QString &text)
{
    HostPort result;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        const int close = trimmed.indexOf(QLatin1Char(']'));
        if (close < 0) {
            result.wellFormed = false;
            return result;
        }
        result.host = trimmed.mid(1, close - 1);
        const QString rest = trimmed.mid(close + 1);
        result.wellFormed = rest.isEmpty() || rest.startsWith(QLatin1Char(':'));
        result.hasPort = !rest.isEmpty();
        result.portText = rest.mid(1);
    } else if (trimmed.count(QLatin1Char(':')) == 1) {
        const int colon = trimmed.indexOf(QLatin1Char(':'));
        result.host = trimmed.left(colon);
        result.portText = trimmed.mid(colon + 1);
        result.hasPort = true;
    } else {
        result.host = trimmed; // a name, an IPv4 address or a bare IPv6 address
    }
    return result;
}
