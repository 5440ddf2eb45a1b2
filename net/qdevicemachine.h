#pragma once

#include "device.h"
#include "tbtubelogdata.h"

#include <QHash>
#include <QObject>
#include <QString>

class QTimer;
class QUdpSocket;
class UDPReciver;

// The program's single hub for everything that arrives by UDP: the registry of discovered
// boards, the discovery request, the main device and the packet decoder.
class QDeviceMachine : public QObject
{
    Q_OBJECT
public:
    using DeviceTable = QHash<QString, Device *>; // mac -> device
    using Registry = QHash<int, DeviceTable *>;   // type -> table

    // Creates the single instance on the first call (the main window's constructor).
    static QDeviceMachine *instance();
    // The instance, or null before instance() was first called; every other user takes this.
    static QDeviceMachine *existingInstance();

    ~QDeviceMachine() override;

    void lookup(int selector);
    void setMainDevice(const Device *d);
    Device *mainDevice() const { return mainDev; }
    QString mainDeviceMac() const { return mainMac; }

    DeviceTable *devicesOfType(int type) const;
    Device *deviceFor(int type, const QString &mac) const;
    QString deviceName(int type, const QString &mac) const;
    Registry registry() const { return devices; }
    void clearType(int type);
    void clearAll();

signals:
    void objectChanged(ulong objjId, ulong value);
    void brewStart(QString guid, QString name, QString recipestring, int thermosId,
                   int est_time_left);
    void brewEnd(QString guid, QString name, QString recipestring, int thermosId,
                 int thermosTimer);
    void brewPing(QString guid, int thermosId, int est_time_left);
    void seenDevice(QString mac, QString ip, QString name, int type, QString hw, QString sw);
    void lookupDone();
    void newDevice(Device *d);
    void logReceived(TBTubeLogData logdata);
    void macroRecived(QString macro);
    void udpPacketRecived(QString packet);

public slots:
    void gotUDPPacket(QString aLine);
    void local_seenDevice(QString mac, QString ip, QString name, int type, QString hw,
                          QString sw);
    void lookupFinished();

private:
    explicit QDeviceMachine(QObject *parent = nullptr);

    Registry devices;
    Device *mainDev = nullptr;
    QString mainMac;
};
