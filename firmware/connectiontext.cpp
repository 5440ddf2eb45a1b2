#include "connectiontext.h"

ConnectionText ConnectionText::parse(const QString &text)
{
    ConnectionText result;
    const QString trimmed = text.trimmed();
    const int colon = trimmed.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        result.host = trimmed;
        return result;
    }
    result.host = trimmed.left(colon);
    if (result.host.startsWith(QLatin1Char('[')) && result.host.endsWith(QLatin1Char(']')))
        result.host = result.host.mid(1, result.host.size() - 2);
    bool ok = false;
    const int port = trimmed.mid(colon + 1).toInt(&ok, 10);
    result.port = ok ? port : 0;
    return result;
}
