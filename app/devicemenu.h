#pragma once

#include "qdevicemachine.h"

#include <QHash>
#include <QObject>
#include <QString>

class QMenu;
class QMenuIPAction;

// The run-time "Devices" menu: one entry "name (ip)" per board the registry knows; choosing
// one names the board by its type and MAC.
class DeviceMenu : public QObject
{
    Q_OBJECT
public:
    DeviceMenu(QMenu *menu, QObject *parent);
    ~DeviceMenu() override;

    void rebuild(const QDeviceMachine::Registry &registry);

signals:
    void chosen(int type, QString id);

private:
    void clear();

    QMenu *devicesMenu;
    QHash<QString, QMenuIPAction *> devActions; // by MAC; the menu's targets have no parent
};
