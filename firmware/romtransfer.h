#pragma once

#include "inputfile.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>
#include <chrono>
#include <cstdint>

class QTcpSocket;

Q_DECLARE_LOGGING_CATEGORY(lcRom)

// Writes one file into a board's ROM over its console: "put_binary address:size:checksum",
// answered by the board's ">" prompt, then framed packets, each answered by ">" too. Works on
// a connection of its own (opened and closed per transfer) or on the borrowed console socket,
// and ends every started transfer with done(1) or done(0), the reason of a failure in
// failureReason().
class RomTransfer : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Connecting, WaitingForPrompt, CommandSent, Sending };

    static constexpr auto kConnectTimeout = std::chrono::milliseconds(30000);
    // Generous: a board may erase a large flash sector before it prompts again. A step that
    // waits this long for the board's prompt fails, whatever else the board says meanwhile.
    static constexpr auto kBoardSilence = std::chrono::seconds(60);
    // Far above any board ROM; keeps size and progress within their 32-bit fields.
    static constexpr qint64 kMaxFileSize = qint64(1) << 30;
    // A pipe or a device is read into memory first, up to this size: still eight times the
    // largest board flash, and /dev/zero must not take gigabytes before it is refused.
    static constexpr qint64 kMaxPipedSize = qint64(64) << 20;
    // Bytes taken from the socket per read.
    static constexpr qint64 kReadChunk = 1024;

    // Own connection to host:port for every transfer.
    RomTransfer(const QString &host, int port, QObject *parent = nullptr);
    // The console socket of the main window, neither closed nor deleted here.
    explicit RomTransfer(QTcpSocket *borrowedSocket, QObject *parent = nullptr);
    ~RomTransfer() override;

    // Starts writing fileName at address. Returns false, doing nothing, while a transfer
    // runs. Otherwise the transfer ends in done(); a failure found at once (file, port)
    // emits done(0) before this returns, so receivers must not delete this object directly.
    bool transferFile(uint32_t address, const QString &fileName);
    // Stops a running transfer without done(); a borrowed socket stays open.
    void abort();

    bool isBusy() const { return st != State::Idle; }
    State state() const { return st; }
    bool borrowsSocket() const { return borrowed; }
    QString failureReason() const { return reason; }
    void setSilenceTimeout(std::chrono::milliseconds timeout);

signals:
    void setSize(int aSize);
    void done(int status);
    void progress(int aSize);

private:
    RomTransfer(bool borrowed, QObject *parent);
    bool openFile(const QString &fileName);
    void startOnBorrowedSocket();
    void startOwnConnection();
    void watchSocket();
    void readyReadData();
    bool handleReply(const QString &reply);
    void sendCommand();
    bool takeNextStep();
    bool sendNextPacket();
    void stepTaken();
    void socketLost();
    void finish(int status, const QString &why = QString());
    void release();

    const bool borrowed;
    QString host;
    int port = 0;
    QPointer<QTcpSocket> socket; // the borrowed socket, or the own one while it exists
    QVector<QMetaObject::Connection> socketConnections;
    InputFile file;
    uint32_t fileSize = 0;
    uint32_t address = 0;
    uint32_t checksum = 0;
    uint32_t sequence = 0;
    int sentBytes = 0;
    State st = State::Idle;
    QString reason;
    bool heard = false; // the board said something since the last step
    QTimer connectTimer;
    QTimer silenceTimer;
};
