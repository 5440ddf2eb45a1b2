#pragma once

#include "consolelinecutter.h"
#include "pacedqueue.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>

class QTcpServer;
class QTcpSocket;

// The board's text console: at most one TCP connection at a time, either as a client to a
// board or accepted on the console server port. It writes console lines, cuts what the board
// sends into lines, and paces a queued script by the board's replies. The firmware dialogs
// may borrow the connection; reading returns here when they give it back.
class ConsoleChannel : public QObject
{
    Q_OBJECT
public:
    // The connect waits on the GUI thread: the console is usable (or not) when it returns.
    static constexpr auto kConnectWait = std::chrono::milliseconds(3000);
    // Lines handled in one turn of the event loop before the window gets to paint.
    static constexpr int kLinesPerTurn = 5000;

    explicit ConsoleChannel(QObject *parent = nullptr);
    ~ConsoleChannel() override;

    // Listens for boards on any address; false when the port cannot be had (serverError()).
    bool listen(quint16 port);
    QString serverError() const;
    bool portInUse() const;

    // Connects as a client, replacing the current connection (whose teardown is reported by
    // disconnected() first). False when no connection was made within kConnectWait.
    bool connectTo(const QString &host, quint16 port);
    // Drops the connection without reporting it: the caller is tearing down itself.
    void close();
    bool isOpen() const;
    QString errorString() const { return lastError; }

    // Writes one console line (CR and LF removed, CR LF appended, Latin-1) and flushes.
    // Nothing is written without a connection; a failing write reports writeFailed().
    void send(const QString &line);

    // A script run: returns its first line for the caller to send, or a null string when no
    // line may go; the others go out one per board reply. A new run replaces the old one.
    QString startQueue(const QStringList &lines, PacedQueue::FirstLine rule);
    void clearQueue();
    const PacedQueue &queue() const { return sendQueue; }

    // Hands the connection to a borrower, which reads the board's answers itself until
    // takeBack(); the connection stays ours (its end is still reported here).
    QTcpSocket *lend();
    void takeBack();

public slots:
    // Reads what the board sent, emits each complete line, then sends the next queued line.
    void readPending();

signals:
    // The connection has bytes to read (not while it is lent): the owner answers it with
    // readPending() when it is ready for the lines.
    void readyRead();
    void lineReceived(const QString &line);
    void lineSent(const QString &line); // without its CR LF
    // A board connected to the server; any earlier connection was torn down before.
    void accepted();
    // The open connection ended: the peer closed it, it failed, or a new one replaces it.
    void disconnected();
    void writeFailed(const QString &reason);
    // How far the queued run is: lines sent of the lines it will send.
    void queueProgress(int sent, int total);
    void queueFinished();

private:
    void attach(QTcpSocket *socket);
    void replaceConnection();
    void dropSocket();
    void onNewConnection();
    void onSocketDisconnected();
    void sendQueued(const QString &line);

    QTcpServer *serverSocket = nullptr;
    QPointer<QTcpSocket> consoleSocket;
    bool lent = false;
    ConsoleLineCutter rxBuffer;
    PacedQueue sendQueue;
    QString lastError;
};
