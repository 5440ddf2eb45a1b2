#include "romreplycutter.h"

#include <QString>

QStringList RomReplyCutter::cut(const QByteArray &read)
{
    const int nul = read.indexOf('\0');
    QString text = QString::fromUtf8(nul < 0 ? read : read.left(nul));
    text.remove(QLatin1Char('\n'));
    return text.split(QLatin1Char('\r'), Qt::SkipEmptyParts);
}
