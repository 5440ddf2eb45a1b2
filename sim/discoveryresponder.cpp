#include "discoveryresponder.h"

#include "simlogging.h"

#include <QNetworkDatagram>

DiscoveryResponder::DiscoveryResponder(QObject *parent)
    : QObject(parent)
{
    connect(&socket, &QUdpSocket::readyRead, this, &DiscoveryResponder::readPending);
}

bool DiscoveryResponder::bind(const QHostAddress &address, quint16 port, QString *error)
{
    if (socket.bind(address, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return true;
    *error = QStringLiteral("cannot listen for discovery on %1:%2: %3")
                 .arg(address.toString())
                 .arg(port)
                 .arg(socket.errorString());
    return false;
}

bool DiscoveryResponder::parseRequest(const QByteArray &datagram, int *selector)
{
    QByteArray text = datagram.trimmed();
    // The request is 0xA4 then ":0:"; a sender that kept the UTF-8 lead byte is accepted.
    if (text.startsWith("\xC2\xA4"))
        text.remove(0, 1);
    if (!text.startsWith("\xA4:0:"))
        return false;
    bool ok = false;
    *selector = text.mid(4).toInt(&ok);
    return ok;
}

void DiscoveryResponder::readPending()
{
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket.receiveDatagram();
        int selector = 0;
        if (!parseRequest(datagram.data(), &selector))
            continue;
        qCDebug(lcSim) << "discovery request" << selector << "from"
                       << datagram.senderAddress().toString();
        emit requested(selector, datagram.senderAddress());
    }
}
