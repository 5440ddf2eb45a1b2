#include "configdump.h"

#include "boardannouncement.h"

namespace ConfigDump {

QRegExp startPattern()
{
    return QRegExp(QStringLiteral("^.+CONFIG_START \\[MAC:(.+)\\]"), Qt::CaseInsensitive);
}

QRegExp endPattern()
{
    return QRegExp(QStringLiteral("^CONFIG_END$"), Qt::CaseSensitive);
}

Step take(const QString &line, const QRegExp &start, const QRegExp &end, bool &collecting,
          QString &text)
{
    const QString trimmed = line.trimmed();
    if (start.indexIn(trimmed) >= 0) {
        collecting = true;
        text = QLatin1String("MAC:") + start.cap(1) + QLatin1String("\r\n");
        return Step::Started;
    }
    if (end.exactMatch(trimmed)) {
        // Only a dump that was started ends: a stray CONFIG_END must not show an old text.
        const bool finished = collecting;
        collecting = false;
        return finished ? Step::Finished : Step::Other;
    }
    if (BoardAnnouncement::isAnnouncement(line) || !collecting)
        return Step::Other;
    // The line arrived as Latin-1; the board writes its configuration in UTF-8.
    text += QString::fromUtf8(trimmed.toLatin1()) + QLatin1String("\r\n");
    return Step::Collected;
}

} // namespace ConfigDump
