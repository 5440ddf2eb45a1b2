#include "configdump.h"

#include "applogging.h"
#include "boardannouncement.h"

ConfigDump::Step ConfigDump::take(const QString &line)
{
    const QString trimmed = line.trimmed();
    // The pattern is costly to run on every line of a busy console; most lines lack the word.
    if (trimmed.contains(QLatin1String("CONFIG_START"), Qt::CaseInsensitive) &&
        configStartPattern.indexIn(trimmed) >= 0) {
        configCollecting = true;
        configText = QLatin1String("MAC:") + configStartPattern.cap(1) + QLatin1String("\r\n");
        return Step::Started;
    }
    if (trimmed.startsWith(QLatin1String("CONFIG_END")) && configEndPattern.exactMatch(trimmed)) {
        // Only a dump that was started ends: a stray CONFIG_END must not show an old text.
        const bool finished = configCollecting;
        configCollecting = false;
        return finished ? Step::Finished : Step::Other;
    }
    if (BoardAnnouncement::isAnnouncement(line) || !configCollecting)
        return Step::Other;
    // The line arrived as Latin-1; the board writes its configuration in UTF-8.
    const QString collected = QString::fromUtf8(trimmed.toLatin1()) + QLatin1String("\r\n");
    if (configText.size() + collected.size() > kMaxTextLength) {
        qCWarning(lcConsole) << "Configuration dump longer than" << kMaxTextLength
                             << "characters without CONFIG_END: dropped";
        configCollecting = false;
        configText.clear();
        return Step::Other;
    }
    configText += collected;
    return Step::Collected;
}
