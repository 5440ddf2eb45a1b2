#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QQueue>
#include <QTimer>
#include <chrono>

class ConsoleSession;
class QTcpSocket;
class Transcript;

// The socket side of one console connection: feeds the session what arrives and writes
// what it answers, in order (a late answer holds back everything after it), and closes
// the socket when the session or the board asks.
class ConsoleConnection : public QObject
{
    Q_OBJECT
public:
    // Takes over socket and session as children.
    ConsoleConnection(QTcpSocket *socket, ConsoleSession *session, Transcript *transcript,
                      const QString &board, QObject *parent = nullptr);

    ConsoleSession *consoleSession() const { return session; }
    // Closes once everything queued so far is written.
    void closeWhenWritten();

signals:
    void finished(ConsoleConnection *connection);

private:
    struct Pending
    {
        QByteArray bytes;
        QDeadlineTimer due;
        bool close = false;
    };

    void enqueue(const QByteArray &bytes, std::chrono::milliseconds delay, bool close);
    void writeDue();
    void readIncoming();

    QTcpSocket *const socket;
    ConsoleSession *const session;
    Transcript *const transcript;
    const QString board;
    QQueue<Pending> queue;
    QTimer dueTimer;
    bool closing = false;
};
