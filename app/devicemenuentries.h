#pragma once

#include "qdevicemachine.h"

#include <QList>
#include <QString>

// The entries of the "Devices" menu, read from the device registry.
namespace DeviceMenuEntries {

struct Entry
{
    int type = 0;
    QString mac; // the entry's key: the menu holds one entry per MAC
    QString ip;
    QString name;
};

// "name (ip)": boards of the same name differ by their address.
QString label(const QString &name, const QString &ip);

// One entry per device, ordered by type, name, IP and MAC, so the menu reads the same
// after every lookup (the registry's own order changes from run to run). A MAC known
// under two types is offered once, under the higher type, as the menu keeps one entry
// per MAC.
QList<Entry> fromRegistry(const QDeviceMachine::Registry &registry);

} // namespace DeviceMenuEntries
