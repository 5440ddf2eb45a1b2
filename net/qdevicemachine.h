#pragma once

#include "device.h"
#include "deviceseenorder.h"
#include "tbtubelogdata.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class QTimer;
class QUdpSocket;
class UDPReciver;
struct UdpPacket;

// The program's single hub for everything that arrives by UDP: the registry of discovered
// boards, the discovery request, the main device and the packet decoder.
class QDeviceMachine : public QObject
{
    Q_OBJECT
public:
    using DeviceTable = QHash<QString, Device *>; // mac -> device
    using Registry = QHash<int, DeviceTable *>;   // type -> table

    static constexpr quint16 kDiscoveryPort = 7113;
    static constexpr std::chrono::milliseconds kLookupDuration{1000};
    static constexpr int kLastMacroLine = 255;       // delivers the macro text
    static constexpr int kMaxMacroText = 256 * 1024; // longer macro text is not collected
    static constexpr int kMaxTrackedSenders = 4096;  // bounds the per-sender counter table
    static constexpr int kMaxDevices = 4096; // beyond it the longest unseen board is dropped

    // Port the instance's receiver binds when it is created (7112 unless set before the
    // first instance() call); std::nullopt creates no receiver, lines then come only
    // through gotUDPPacket (replaying a log).
    static void setReceivePort(std::optional<quint16> port);

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

    // The port the receiver is bound to; 0 without receiver or when binding failed.
    quint16 receivePort() const;
    // Why no UDP line can arrive, for a status line; empty when the port is bound.
    QString receiveError() const;

signals:
    void objectChanged(ulong objjId, ulong value);
    void brewStart(QString guid, QString name, QString recipestring, int thermosId,
                   int est_time_left);
    void brewEnd(QString guid, QString name, QString recipestring, int thermosId, int thermosTimer);
    void brewPing(QString guid, int thermosId, int est_time_left);
    void seenDevice(QString mac, QString ip, QString name, int type, QString hw, QString sw);
    void lookupDone();
    void newDevice(Device *d);
    void logReceived(TBTubeLogData logdata);
    void macroRecived(QString macro);
    void udpPacketRecived(QString packet);
    // A full registry dropped this board, the one not seen for the longest time.
    void deviceDropped(int type, QString mac);

public slots:
    void gotUDPPacket(QString aLine);
    void local_seenDevice(QString mac, QString ip, QString name, int type, QString hw, QString sw);
    void lookupFinished();

private:
    explicit QDeviceMachine(QObject *parent = nullptr);

    void handlePacket(const UdpPacket &packet);
    bool counterPasses(const QString &mac, int counter);
    void takeMacroLine(int number, const QString &text);
    void dropLongestUnseen();

    Registry devices;
    UDPReciver *receiver = nullptr;
    QString macroBuffer;
    QTimer *lookupTimer = nullptr;
    Device *mainDev = nullptr;
    int expectedLine = 0;
    QHash<QString, int> lastCounter; // last packet counter per sender's MAC text
    QUdpSocket *sendSocket = nullptr;
    bool lookupRunning = false;
    QString mainMac;
    DeviceSeenOrder seenOrder; // every board of the registry
};
