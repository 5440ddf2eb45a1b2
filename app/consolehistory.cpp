#include "consolehistory.h"

#include <QDateTime>
#include <QIODevice>

ConsoleHistory::ConsoleHistory(int capacity)
    : ring(qMax(1, capacity))
{}

void ConsoleHistory::append(const Line &line)
{
    if (count == capacity())
        dropOldest(1);
    ring[slot(count)] = line;
    ++count;
}

void ConsoleHistory::dropOldest(int lines)
{
    const int dropped = qBound(0, lines, count);
    for (int i = 0; i < dropped; ++i)
        ring[slot(i)].text.clear(); // the line's memory goes now, not when it is overwritten
    first = slot(dropped);
    count -= dropped;
}

void ConsoleHistory::clear()
{
    ring = QVector<Line>(capacity());
    first = 0;
    count = 0;
}

QString ConsoleHistory::shown(const Line &line, bool stamped)
{
    QString text;
    if (stamped) {
        text = QDateTime::fromMSecsSinceEpoch(line.msecsSinceEpoch)
                   .toString(QStringLiteral("hh:mm:ss.zzz "));
    }
    if (line.direction == Direction::Sent)
        text += QLatin1String("> ");
    return text + line.text;
}

int ConsoleHistory::find(const QString &needle, int from, bool stamped,
                         Qt::CaseSensitivity cs) const
{
    if (count == 0)
        return -1;
    const int start = from > 0 ? from % count : 0;
    for (int n = 0; n < count; ++n) {
        const int index = (start + n) % count;
        if (shown(at(index), stamped).contains(needle, cs))
            return index;
    }
    return -1;
}

bool ConsoleHistory::write(QIODevice *device, bool stamped) const
{
    for (int i = 0; i < count; ++i) {
        if (device->write(shown(at(i), stamped).toLatin1() + '\n') < 0)
            return false;
    }
    return true;
}
