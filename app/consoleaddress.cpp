#include "consoleaddress.h"

#include "consoleline.h"
#include "hostport.h"

ConsoleAddress ConsoleAddress::fromText(const QString &text)
{
    const HostPort parts = HostPort::split(text);
    if (!parts.hasPort)
        return {parts.host, ConsoleLine::kBoardConsolePort};
    return {parts.host, portFromText(parts.portText)};
}

quint16 ConsoleAddress::portFromText(const QString &text)
{
    bool ok = false;
    const quint16 port = text.toUShort(&ok, 10);
    return ok ? port : 0;
}
