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
    qDeleteAll(devActions);
}

void DeviceMenu::rebuild(const QDeviceMachine::Registry &registry)
{
    clear();
    for (const DeviceMenuEntries::Entry &entry : DeviceMenuEntries::fromRegistry(registry)) {
        qCDebug(lcDevices) << entry.type << entry.ip;
        auto *target = new QMenuIPAction(entry.ip, entry.mac, entry.type);
        connect(target, &QMenuIPAction::triggered, this, &DeviceMenu::chosen);
        devActions.insert(entry.mac, target);
        QAction *item = devicesMenu->addAction(entry.label);
        connect(item, &QAction::triggered, target, &QAction::trigger);
    }
}

void DeviceMenu::clear()
{
    for (auto it = devActions.begin(); it != devActions.end(); it = devActions.erase(it)) {
        qCDebug(lcDevices) << "drop" << it.value()->deviceType() << it.value()->deviceId();
        it.value()->deleteLater();
    }
    devicesMenu->clear();
}
