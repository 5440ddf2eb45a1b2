#include "consoleline.h"

namespace ConsoleLine {

QString stripLineEnds(const QString &text)
{
    QString stripped = text;
    stripped.remove(QLatin1Char('\r'));
    stripped.remove(QLatin1Char('\n'));
    return stripped;
}

QByteArray encode(const QString &command)
{
    return (stripLineEnds(command) + QLatin1String("\r\n")).toLatin1();
}

} // namespace ConsoleLine
