#include "devicemenuentries.h"

#include <QSet>
#include <algorithm>
#include <tuple>

namespace DeviceMenuEntries {

QString label(const QString &name, const QString &ip)
{
    return QStringLiteral("%1 (%2)").arg(name, ip);
}

QList<Entry> fromRegistry(const QDeviceMachine::Registry &registry)
{
    QList<const Device *> devices;
    for (const QDeviceMachine::DeviceTable *table : registry) {
        if (!table)
            continue;
        for (const Device *device : *table)
            devices << device;
    }
    std::sort(devices.begin(), devices.end(), [](const Device *a, const Device *b) {
        return std::tie(a->type, a->name, a->ip, a->mac) <
               std::tie(b->type, b->name, b->ip, b->mac);
    });

    // From the end, so that of one MAC under several types the highest type stays.
    QList<Entry> entries;
    QSet<QString> macs;
    for (auto it = devices.crbegin(); it != devices.crend(); ++it) {
        const Device *device = *it;
        if (macs.contains(device->mac))
            continue;
        macs.insert(device->mac);
        entries.prepend({device->type, device->mac, device->ip, device->name});
    }
    return entries;
}

} // namespace DeviceMenuEntries
