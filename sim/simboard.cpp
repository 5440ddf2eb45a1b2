#include "simboard.h"

#include "consoleconnection.h"
#include "consolesession.h"
#include "discoveryresponder.h"
#include "simlogging.h"

#include <QTcpSocket>

namespace {

constexpr auto kTick = std::chrono::milliseconds(100);
constexpr auto kReconnectDelay = std::chrono::seconds(1);

} // namespace

SimBoard::SimBoard(const BoardConfig &config, Transcript *transcript, QObject *parent)
    : QObject(parent)
    , settings(config)
    , transcript(transcript)
    , tube(config.programTime, config.telemetryInterval)
    , commands(config.identity, &tube)
    , packets(config.identity)
{
    connect(&server, &QTcpServer::newConnection, this, &SimBoard::acceptConnections);
    connect(&tube, &TubeSimulation::row, this, [this](const QString &row) {
        for (ConsoleConnection *connection : qAsConst(connections))
            connection->consoleSession()->writeRow(row);
    });
    connect(&tube, &TubeSimulation::objectChanged, this,
            [this](int id, uint32_t value) { send(packets.object(id, value)); });
    connect(&tube, &TubeSimulation::brewStarted, this,
            [this](const BrewEvent &event) { send(packets.brewStart(event)); });
    connect(&tube, &TubeSimulation::brewEnded, this,
            [this](const BrewEvent &event) { send(packets.brewEnd(event)); });
    connect(&commands, &BoardCommands::macroRequested, this, [this](const QStringList &lines) {
        for (const QByteArray &packet : packets.macroLines(lines))
            send(packet);
    });
    // Deferred, so the reply to "restart" is queued before the connections close.
    connect(&commands, &BoardCommands::restartRequested, this, &SimBoard::restart,
            Qt::QueuedConnection);

    tickTimer.setInterval(kTick);
    connect(&tickTimer, &QTimer::timeout, this, &SimBoard::tick);
    telemetryTimer.setInterval(config.telemetryInterval);
    connect(&telemetryTimer, &QTimer::timeout, this, &SimBoard::sendTelemetry);
    announceTimer.setInterval(config.announceInterval);
    connect(&announceTimer, &QTimer::timeout, this, &SimBoard::sendAnnounce);
    reconnectTimer.setSingleShot(true);
    reconnectTimer.setInterval(kReconnectDelay);
    connect(&reconnectTimer, &QTimer::timeout, this, &SimBoard::connectOut);
}

bool SimBoard::start(QString *error)
{
    if (!server.listen(settings.listenAddress, settings.listenPort)) {
        *error = QStringLiteral("%1: cannot listen on %2:%3: %4")
                     .arg(settings.identity.name, settings.listenAddress.toString(),
                          QString::number(settings.listenPort), server.errorString());
        return false;
    }
    sinceTick.start();
    tickTimer.start();
    telemetryTimer.start();
    announceTimer.start();
    sendAnnounce();
    if (!settings.connectHost.isEmpty())
        connectOut();
    return true;
}

void SimBoard::answerDiscovery(int selector, const QHostAddress &sender)
{
    if (selector != DiscoveryResponder::kAllTypes && selector != settings.identity.typeCode())
        return;
    // The program listens on its fixed port, not on the port it sent the request from.
    udp.writeDatagram(packets.announce(), sender, settings.udpTargetPort);
}

void SimBoard::acceptConnections()
{
    while (QTcpSocket *socket = server.nextPendingConnection())
        adopt(socket, false);
}

void SimBoard::adopt(QTcpSocket *socket, bool announce)
{
    auto *session = new ConsoleSession(&commands, settings.session);
    auto *connection = new ConsoleConnection(socket, session, transcript, settings.label, this);
    connections.append(connection);
    connect(connection, &ConsoleConnection::finished, this, &SimBoard::connectionFinished);
    qCDebug(lcSim) << settings.identity.name << "console connection from"
                   << socket->peerAddress().toString() << socket->peerPort();
    session->start(announce ? settings.identity.consoleAnnouncement() : QString());
    if (announce)
        outgoing = connection;
}

void SimBoard::connectionFinished(ConsoleConnection *connection)
{
    connections.removeAll(connection);
    if (connection == outgoing)
        reconnectTimer.start();
    connection->deleteLater();
}

void SimBoard::connectOut()
{
    auto *socket = new QTcpSocket(this);
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        socket->disconnect(this);
        adopt(socket, true);
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        qCDebug(lcSim) << settings.identity.name << "cannot reach" << settings.connectHost
                       << socket->errorString();
        socket->disconnect(this);
        socket->deleteLater();
        reconnectTimer.start();
    });
    socket->connectToHost(settings.connectHost, settings.connectPort);
}

void SimBoard::restart()
{
    tube.stop();
    for (ConsoleConnection *connection : qAsConst(connections))
        connection->closeWhenWritten();
    sendAnnounce();
}

void SimBoard::tick()
{
    const auto step = std::chrono::milliseconds(sinceTick.restart());
    tube.advance(step);
}

void SimBoard::sendAnnounce()
{
    send(packets.announce());
    // The outputs go with every announce, so a program that has just picked this board
    // as its main device shows them without waiting for a change.
    const QMap<int, uint32_t> objects = tube.objects();
    for (auto it = objects.cbegin(); it != objects.cend(); ++it)
        send(packets.object(it.key(), it.value()));
}

void SimBoard::sendTelemetry()
{
    send(packets.telemetry(tube.sample()));
}

void SimBoard::send(const QByteArray &packet)
{
    udp.writeDatagram(packet, settings.udpTarget, settings.udpTargetPort);
}
