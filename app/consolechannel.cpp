#include "consolechannel.h"

#include "applogging.h"
#include "consoleline.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

ConsoleChannel::ConsoleChannel(QObject *parent)
    : QObject(parent)
{}

ConsoleChannel::~ConsoleChannel()
{
    // A socket closing with us must not report to an owner that is going away too.
    if (consoleSocket)
        consoleSocket->disconnect(this);
}

bool ConsoleChannel::listen(quint16 port)
{
    if (!serverSocket) {
        serverSocket = new QTcpServer(this);
        connect(serverSocket, &QTcpServer::newConnection, this, &ConsoleChannel::onNewConnection);
    }
    return serverSocket->listen(QHostAddress::Any, port);
}

QString ConsoleChannel::serverError() const
{
    return serverSocket ? serverSocket->errorString() : QString();
}

bool ConsoleChannel::portInUse() const
{
    return serverSocket && serverSocket->serverError() == QAbstractSocket::AddressInUseError;
}

bool ConsoleChannel::connectTo(const QString &host, quint16 port)
{
    replaceConnection();
    auto *socket = new QTcpSocket(this);
    attach(socket);
    qCDebug(lcConsole) << "Connecting to" << host << port;
    socket->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    if (!socket->waitForConnected(int(kConnectWait.count()))) {
        lastError = socket->errorString();
        qCDebug(lcConsole) << "Connect failed:" << lastError;
        close();
        return false;
    }
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    return true;
}

void ConsoleChannel::close()
{
    clearQueue();
    dropSocket();
}

bool ConsoleChannel::isOpen() const
{
    return consoleSocket && consoleSocket->state() == QAbstractSocket::ConnectedState;
}

void ConsoleChannel::send(const QString &line)
{
    const QString stripped = ConsoleLine::stripLineEnds(line);
    qCDebug(lcConsole).noquote() << "Send:" << stripped;
    if (!consoleSocket)
        return;
    if (consoleSocket->write(ConsoleLine::encode(stripped)) < 0) {
        lastError = consoleSocket->errorString();
        qCWarning(lcConsole) << "Console write failed:" << lastError;
        emit writeFailed(lastError);
        return;
    }
    consoleSocket->flush();
    emit lineSent(stripped);
}

QString ConsoleChannel::startQueue(const QStringList &lines, PacedQueue::FirstLine rule)
{
    const QString first = sendQueue.start(lines, rule);
    if (!first.isNull()) {
        emit queueProgress(sendQueue.sentCount(), sendQueue.total());
        if (!sendQueue.isPaced())
            emit queueFinished();
    }
    return first;
}

void ConsoleChannel::clearQueue()
{
    const bool running = sendQueue.isPaced();
    sendQueue.clear();
    if (running)
        emit queueFinished();
}

QTcpSocket *ConsoleChannel::lend()
{
    lent = consoleSocket != nullptr;
    return consoleSocket;
}

void ConsoleChannel::takeBack()
{
    if (!lent)
        return;
    lent = false;
    // What the board said after the borrower stopped reading would otherwise wait for its
    // next bytes. Without them nothing is read: every read sends the next queued line.
    if (consoleSocket && (consoleSocket->bytesAvailable() > 0 || rxBuffer.hasLine()))
        readPending();
}

void ConsoleChannel::readPending()
{
    if (!consoleSocket || lent)
        return;
    rxBuffer.append(consoleSocket->readAll());
    QString line;
    for (int taken = 0; consoleSocket && rxBuffer.next(&line); ++taken) {
        qCDebug(lcConsole).noquote() << "Received:" << line;
        emit lineReceived(line); // may end the connection
        if (taken + 1 == kLinesPerTurn) {
            // A flood of lines must not hold the window: the rest follows on the next turn
            // of the event loop, and the next queued line only once all are handled.
            rxBuffer.compact();
            QTimer::singleShot(0, this, &ConsoleChannel::readPending);
            return;
        }
    }
    if (!consoleSocket)
        return;
    rxBuffer.compact();
    const bool running = sendQueue.isPaced();
    const QString next = sendQueue.next();
    if (!next.isNull())
        sendQueued(next);
    else if (running)
        emit queueFinished();
}

void ConsoleChannel::attach(QTcpSocket *socket)
{
    consoleSocket = socket;
    lent = false;
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, [this] {
        if (!lent)
            emit readyRead();
    });
    connect(socket, &QTcpSocket::disconnected, this, &ConsoleChannel::onSocketDisconnected);
    rxBuffer.clear();
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
}

void ConsoleChannel::replaceConnection()
{
    clearQueue();
    const bool wasOpen = isOpen();
    dropSocket();
    if (wasOpen)
        emit disconnected(); // the owner tears the old connection down before the new one
}

void ConsoleChannel::dropSocket()
{
    QTcpSocket *socket = consoleSocket;
    if (!socket)
        return;
    consoleSocket = nullptr;
    lent = false;
    socket->disconnect(this);
    socket->close();
    socket->deleteLater();
}

void ConsoleChannel::onNewConnection()
{
    QTcpSocket *socket = serverSocket->nextPendingConnection();
    if (!socket)
        return;
    replaceConnection();
    attach(socket);
    qCDebug(lcConsole) << "Accepted console from" << socket->peerAddress().toString();
    emit accepted();
}

void ConsoleChannel::onSocketDisconnected()
{
    qCDebug(lcConsole) << "Console connection ended";
    close();
    emit disconnected();
}

void ConsoleChannel::sendQueued(const QString &line)
{
    send(line);
    emit queueProgress(sendQueue.sentCount(), sendQueue.total());
    if (!sendQueue.isPaced())
        emit queueFinished();
}
