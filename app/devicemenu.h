#pragma once

#include "qdevicemachine.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <map>
#include <tuple>

class QAction;
class QMenu;
class QMenuIPAction;

// The run-time "Devices" menu: one entry "name (ip)" per board the registry knows, ordered by
// type, name, IP and MAC; choosing one names the board by its type and MAC. A lookup rebuilds
// it; a board announcing itself changes its own entry only, so a plant network of thousands
// of boards costs one entry per announcement, not a whole menu.
class DeviceMenu : public QObject
{
    Q_OBJECT
public:
    DeviceMenu(QMenu *menu, QObject *parent);
    ~DeviceMenu() override;

    void rebuild(const QDeviceMachine::Registry &registry);
    void update(const Device &device);
    void remove(int type, const QString &mac);

signals:
    void chosen(int type, QString id);

private:
    using SortKey = std::tuple<int, QString, QString, QString>; // type, name, IP, MAC

    struct Entry
    {
        QMenuIPAction *target; // what the entry names; no parent
        QAction *item;         // the menu's entry
        SortKey key;
    };

    void insert(int type, const QString &mac, const QString &ip, const QString &name);
    void drop(const QString &mac);
    void clear();

    QMenu *devicesMenu;
    QHash<QString, Entry> devActions; // by MAC: one entry per board
    std::map<SortKey, QAction *> order;
};
