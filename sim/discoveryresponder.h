#pragma once

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

// Listens for the program's discovery request (the byte 0xA4, ":0:", a decimal selector,
// CR LF) for all simulated boards of the process, so several boards share one port.
class DiscoveryResponder : public QObject
{
    Q_OBJECT
public:
    static constexpr int kAllTypes = 255;

    explicit DiscoveryResponder(QObject *parent = nullptr);

    bool bind(const QHostAddress &address, quint16 port, QString *error);
    // The selector of a request datagram; false when the datagram is no request.
    static bool parseRequest(const QByteArray &datagram, int *selector);

signals:
    void requested(int selector, const QHostAddress &sender);

private:
    void readPending();

    QUdpSocket socket;
};
