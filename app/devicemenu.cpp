#include "devicemenu.h"

#include "applogging.h"
#include "devicemenuentries.h"
#include "qmenuipaction.h"

#include <QMenu>

DeviceMenu::DeviceMenu(QMenu *menu, QObject *parent)
    : QObject(parent)
    , devicesMenu(menu)
{}

DeviceMenu::~DeviceMenu()
{
    for (const Entry &entry : qAsConst(devActions))
        delete entry.target;
}

void DeviceMenu::rebuild(const QDeviceMachine::Registry &registry)
{
    clear();
    for (const DeviceMenuEntries::Entry &entry : DeviceMenuEntries::fromRegistry(registry))
        insert(entry.type, entry.mac, entry.ip, entry.name);
}

void DeviceMenu::update(const Device &device)
{
    // Of one MAC known under several types the menu offers the highest type.
    const auto known = devActions.constFind(device.mac);
    if (known != devActions.cend() && std::get<0>(known->key) > device.type)
        return;
    drop(device.mac);
    insert(device.type, device.mac, device.ip, device.name);
}

void DeviceMenu::remove(int type, const QString &mac)
{
    const auto known = devActions.constFind(mac);
    if (known != devActions.cend() && std::get<0>(known->key) == type)
        drop(mac);
}

void DeviceMenu::insert(int type, const QString &mac, const QString &ip, const QString &name)
{
    qCDebug(lcDevices) << type << ip;
    auto *target = new QMenuIPAction(ip, mac, type);
    connect(target, &QMenuIPAction::triggered, this, &DeviceMenu::chosen);
    auto *item = new QAction(DeviceMenuEntries::label(name, ip), devicesMenu);
    connect(item, &QAction::triggered, target, &QAction::trigger);
    const SortKey key{type, name, ip, mac};
    const auto after = order.upper_bound(key);
    devicesMenu->insertAction(after == order.end() ? nullptr : after->second, item);
    order.emplace(key, item);
    devActions.insert(mac, {target, item, key});
}

void DeviceMenu::drop(const QString &mac)
{
    const auto known = devActions.find(mac);
    if (known == devActions.end())
        return;
    qCDebug(lcDevices) << "drop" << std::get<0>(known->key) << mac;
    order.erase(known->key);
    // Freed at once: a burst of announcements must not pile up entries until it ends.
    delete known->item;
    delete known->target;
    devActions.erase(known);
}

void DeviceMenu::clear()
{
    while (!devActions.isEmpty())
        drop(devActions.begin().key());
    devicesMenu->clear();
}
