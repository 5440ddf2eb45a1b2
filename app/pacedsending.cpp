#include "pacedsending.h"

#include "consoleline.h"

namespace PacedSending {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

bool mayGoFirst(const QString &line, FirstLine rule)
{
    return isSendable(line) || (rule == FirstLine::CommandOrHotkeyDefinition &&
                                line.trimmed().startsWith(QLatin1String("#hotkey")));
}

} // namespace

bool isSendable(const QString &line)
{
    const QString trimmed = line.trimmed();
    return !trimmed.isEmpty() && !trimmed.startsWith(QLatin1Char('#'));
}

QString start(const QStringList &lines, FirstLine rule, QStringList &queue, int &index, bool &paced)
{
    queue = lines;
    index = 0;
    paced = false;
    while (index < queue.size()) {
        const QString candidate = queue.at(index++);
        if (mayGoFirst(candidate, rule)) {
            paced = index < queue.size();
            return ConsoleLine::stripLineEnds(candidate) + kLineEnd;
        }
    }
    return QString();
}

QString next(const QStringList &queue, int &index, bool &paced)
{
    while (paced && index < queue.size()) {
        const QString line = queue.at(index++);
        if (isSendable(line)) {
            paced = index < queue.size();
            return line.trimmed() + kLineEnd;
        }
    }
    paced = false;
    return QString();
}

} // namespace PacedSending
