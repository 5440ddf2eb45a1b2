#pragma once

#include "bootloaderreplycutter.h"
#include "hexfile.h"
#include "hexfilecheck.h"
#include "intelhexreader.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

// Uploads an Intel HEX file through a board's bootloader over its text console: starts the
// bootloader, sends one checked record per "BL>" prompt, then the image checksum. Works on a
// connection of its own or on a borrowed console socket; lives for one upload.
class Fwupdater : public QTcpSocket
{
    Q_OBJECT

public:
    // Erasing the flash after the start command can keep the bootloader silent for tens of
    // seconds; a step that waits this long for the board's prompt fails, whatever else the
    // board says meanwhile.
    static constexpr auto kBootloaderSilence = std::chrono::seconds(60);
    static constexpr auto kConnectTimeout = std::chrono::seconds(30);
    // The board flashes after the checksum; an answer within this time means it refused it.
    static constexpr auto kFinishDelay = std::chrono::seconds(1);

    Fwupdater(const QString &host, int port, int deviceIndex, QObject *parent = nullptr);
    Fwupdater(QTcpSocket *socket, int deviceIndex, QObject *parent = nullptr);
    ~Fwupdater() override;

    // Own connection: returns 0 when connected, -2 when the file cannot be opened, -1 when the
    // connection fails (blocks up to kConnectTimeout). Every failure also ends in done(0).
    int uploadFile(const QString &fileName);
    // Borrowed socket: sends the start command at once.
    void uploadFileOnSocket(const QString &fileName);
    // Cancel: tells the bootloader to quit and deletes the uploader later; no done().
    void abort();

    // Why the upload failed (file line number and what was wrong); empty on success.
    QString failureReason() const { return failure; }

    // Where the standard-output texts go (standard output unless a caller wants them).
    void setOutput(std::ostream &out);
    // How long one step may wait for the board to ask for the next (kBootloaderSilence).
    void setSilenceTimeout(std::chrono::milliseconds timeout);

signals:
    void setSize(int aSize);
    void done(int status);
    void progress(int aSize);

public slots:
    void readyReadData();
    void socketReadyReadData();
    void doneOK();
    void doneNotOK();

private:
    enum class State {
        WaitingToStart = 0,
        FirstLinePending = 2,
        SendingLines = 3,
        ChecksumPending = 4,
        ChecksumSent = 5,
    };

    void initTimers();
    QTcpSocket *channel();
    bool openFile(const QString &fileName);
    void startExchange();
    void stopExchange();
    void readChannel(QTcpSocket *from);
    void handleReply(QString reply);
    void sendStartCommand();
    bool sendHexLine(bool firstLine);
    void finish();
    void send(const QByteArray &bytes);
    void say(const std::string &text);
    QString position() const;
    void fail(const QString &reason, bool quitBootloader);
    void onChannelError();
    void onConnectionLost();
    void onSilence();
    void report(int status);
    void release();

    QString host;
    int port = 0;
    int deviceIndex = 0;
    QTcpSocket *socket = nullptr;
    State state = State::WaitingToStart;
    BootloaderReplyCutter replies;
    HexFile file;
    qint64 fileSize = 0;
    int sent = 0;
    QByteArray line;
    IntelHexReader reader;
    HexFileCheck lineCheck{reader};
    std::ostream *output;
    QTimer finishTimer;
    QTimer silenceTimer;
    std::chrono::milliseconds silenceLimit = kBootloaderSilence;
    QElapsedTimer lastStep; // since the last thing sent to the board
    bool heard = false;     // the board said something since then
    std::vector<QMetaObject::Connection> channelConnections;
    bool running = false;  // the exchange is under way: replies are read and acted on
    bool ended = false;    // the exchange has stopped for good (failed, finished or aborted)
    bool reported = false; // done() has been emitted (or abort() made sure it never will be)
    QString failure;
};
