#pragma once

#include <QHash>
#include <QMap>
#include <QPair>
#include <QString>

// The registry's boards in the order they last announced themselves, so that a full registry
// can drop the one not seen for the longest time.
class DeviceSeenOrder
{
public:
    using Key = QPair<int, QString>; // device type, MAC text

    void seen(const Key &key); // now the most recently seen
    void forget(const Key &key);
    bool contains(const Key &key) const { return lastSeen.contains(key); }
    int size() const { return lastSeen.size(); }
    Key longestUnseen() const { return byAge.first(); } // only when size() > 0

private:
    quint64 clock = 0;
    QHash<Key, quint64> lastSeen;
    QMap<quint64, Key> byAge;
};
