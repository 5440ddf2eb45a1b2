#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

class QTimer;
class QUdpSocket;

// Receives the boards' UDP text datagrams from any sender and cuts them into lines.
class UDPReciver : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString status READ statusText NOTIFY statusChanged)

public:
    static constexpr quint16 kDefaultPort = 7112;
    // A partial line longer than this is dropped up to its line feed: no board line comes
    // near it, and a sender that never ends a line must not grow the buffer without bound.
    static constexpr int kMaxLineBuffer = 64 * 1024;
    // Safety net for datagrams whose readyRead notification was missed.
    static constexpr std::chrono::milliseconds kPollInterval{300};

    explicit UDPReciver(QObject *parent = nullptr, quint16 port = kDefaultPort);

    QString statusText() const { return status; }
    // The bound port, or 0 when binding failed (the receiver then never gets anything).
    quint16 localPort() const;
    // Why nothing can arrive, in words for a status line ("UDP port 7112 is in use: no
    // telemetry"); empty when the port is bound.
    QString bindError() const { return bindProblem; }

signals:
    void gotData(QString dataString);
    void statusChanged();

public slots:
    void processPendingDatagrams();
    // Kept under its old name for callers of the original interface.
    void processPendingDatagrams_all();
    void processPendingDatagramsTimer();

private:
    bool bound() const;
    void takeDatagramText(const QByteArray &text);
    void emitCompleteLines();

    QByteArray lineBuffer; // one received byte per character, shared by all senders
    QUdpSocket *socket = nullptr;
    QString status;
    QTimer *pollTimer = nullptr;
    bool droppingLongLine = false; // rest of an overlong line is skipped up to its LF
    QString bindProblem;
};
