#pragma once

#include "boardcommands.h"
#include "boardconfig.h"
#include "tubesimulation.h"
#include "udppacketwriter.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>

class ConsoleConnection;
class QTcpSocket;
class Transcript;

// One simulated board: its console server (and in client mode its own connection to the
// program's console server), its tube, its console commands and its UDP packets.
class SimBoard : public QObject
{
    Q_OBJECT
public:
    SimBoard(const BoardConfig &config, Transcript *transcript, QObject *parent = nullptr);

    // Listens, connects out in client mode, and starts announcing and reporting.
    bool start(QString *error);
    // A discovery request reached the process: announce to its sender when selected.
    void answerDiscovery(int selector, const QHostAddress &sender);

    const BoardConfig &config() const { return settings; }
    quint16 consolePort() const { return server.serverPort(); }

private:
    void acceptConnections();
    void adopt(QTcpSocket *socket, bool announce);
    void connectionFinished(ConsoleConnection *connection);
    void connectOut();
    void restart();
    void tick();
    void sendAnnounce();
    void sendTelemetry();
    void send(const QByteArray &packet);

    const BoardConfig settings;
    Transcript *const transcript;
    TubeSimulation tube;
    BoardCommands commands;
    UdpPacketWriter packets;
    QTcpServer server;
    QUdpSocket udp;
    QList<ConsoleConnection *> connections;
    QPointer<ConsoleConnection> outgoing;
    QTimer tickTimer;
    QTimer telemetryTimer;
    QTimer announceTimer;
    QTimer reconnectTimer;
    QElapsedTimer sinceTick;
};
