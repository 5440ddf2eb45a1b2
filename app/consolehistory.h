#pragma once

#include <QString>
#include <QVector>

class QIODevice;

// The console's recent lines, sent and received, each with the moment it passed: a ring that
// keeps the newest lines up to its capacity, oldest first, and finds text as it is shown.
class ConsoleHistory
{
public:
    static constexpr int kDefaultCapacity = 20000;

    enum class Direction { Sent, Received };

    struct Line
    {
        qint64 msecsSinceEpoch = 0;
        Direction direction = Direction::Received;
        QString text;
    };

    explicit ConsoleHistory(int capacity = kDefaultCapacity);

    int capacity() const { return int(ring.size()); }
    int size() const { return count; }
    const Line &at(int index) const { return ring.at(slot(index)); } // 0 is the oldest

    // A full ring gives up its oldest line for the new one.
    void append(const Line &line);
    void dropOldest(int lines);
    void clear();

    // "hh:mm:ss.zzz " in local time when stamped, "> " before a sent line, then the text.
    static QString shown(const Line &line, bool stamped);

    // The first line from `from` on whose shown text holds needle, going on from the oldest
    // line after the newest; -1 when no line holds it.
    int find(const QString &needle, int from, bool stamped, Qt::CaseSensitivity cs) const;

    // Every line as shown, each ending in LF, in ISO 8859-1 like the wire.
    bool write(QIODevice *device, bool stamped) const;

private:
    int slot(int index) const { return (first + index) % capacity(); }

    QVector<Line> ring;
    int first = 0;
    int count = 0;
};
