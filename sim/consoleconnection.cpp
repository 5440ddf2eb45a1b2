#include "consoleconnection.h"

#include "consolesession.h"
#include "simlogging.h"
#include "transcript.h"

#include <QTcpSocket>

ConsoleConnection::ConsoleConnection(QTcpSocket *socket, ConsoleSession *session,
                                     Transcript *transcript, const QString &board, QObject *parent)
    : QObject(parent)
    , socket(socket)
    , session(session)
    , transcript(transcript)
    , board(board)
{
    socket->setParent(this);
    session->setParent(this);
    dueTimer.setSingleShot(true);
    connect(&dueTimer, &QTimer::timeout, this, &ConsoleConnection::writeDue);
    connect(session, &ConsoleSession::output, this,
            [this](const QByteArray &bytes, std::chrono::milliseconds delay) {
                enqueue(bytes, delay, false);
            });
    connect(session, &ConsoleSession::closeRequested, this, &ConsoleConnection::closeWhenWritten);
    if (transcript) {
        connect(session, &ConsoleSession::received, this,
                [this](const QString &line) { this->transcript->received(this->board, line); });
    }
    connect(socket, &QTcpSocket::readyRead, this, &ConsoleConnection::readIncoming);
    connect(socket, &QTcpSocket::disconnected, this, [this] { emit finished(this); });
}

void ConsoleConnection::closeWhenWritten()
{
    enqueue(QByteArray(), std::chrono::milliseconds(0), true);
}

void ConsoleConnection::enqueue(const QByteArray &bytes, std::chrono::milliseconds delay,
                                bool close)
{
    if (closing)
        return;
    queue.enqueue({bytes, QDeadlineTimer(delay), close});
    writeDue();
}

void ConsoleConnection::writeDue()
{
    while (!queue.isEmpty() && !closing) {
        const qint64 wait = queue.head().due.remainingTime();
        if (wait > 0) {
            dueTimer.start(int(wait));
            return;
        }
        const Pending next = queue.dequeue();
        if (next.close) {
            closing = true;
            qCDebug(lcSim) << board << "closing the console connection";
            socket->disconnectFromHost();
            return;
        }
        socket->write(next.bytes);
        if (transcript)
            transcript->sent(board, next.bytes);
    }
}

void ConsoleConnection::readIncoming()
{
    const QByteArray bytes = socket->readAll();
    if (!closing)
        session->feed(bytes);
}
