#include "udpreciver.h"

#include "netlogging.h"

#include <QTimer>
#include <QUdpSocket>

UDPReciver::UDPReciver(QObject *parent, quint16 port)
    : QObject(parent)
    , socket(new QUdpSocket(this))
    , status(QStringLiteral("--"))
    , pollTimer(new QTimer(this))
{
    connect(pollTimer, &QTimer::timeout, this, &UDPReciver::processPendingDatagramsTimer);
    pollTimer->setInterval(kPollInterval);
    pollTimer->start();
    connect(socket, &QUdpSocket::readyRead, this, &UDPReciver::processPendingDatagrams);
    // Shared, so that other programs on this machine can listen to the boards as well.
    if (!socket->bind(QHostAddress::Any, port,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        bindProblem = socket->error() == QAbstractSocket::AddressInUseError
                          ? QStringLiteral("UDP port %1 is in use: no telemetry").arg(port)
                          : QStringLiteral("UDP port %1 cannot be opened (%2): no telemetry")
                                .arg(port)
                                .arg(socket->errorString());
        qCWarning(lcNetUdp).noquote() << bindProblem; // once: the polls leave an unbound socket be
    }
}

bool UDPReciver::bound() const
{
    return socket->state() == QAbstractSocket::BoundState;
}

quint16 UDPReciver::localPort() const
{
    return bound() ? socket->localPort() : 0;
}

void UDPReciver::processPendingDatagrams()
{
    while (bound() && socket->hasPendingDatagrams()) {
        QByteArray datagram(int(qMax<qint64>(socket->pendingDatagramSize(), 0)), Qt::Uninitialized);
        // A failed or short read must not hand on bytes that were never received.
        datagram.resize(
            int(qMax<qint64>(socket->readDatagram(datagram.data(), datagram.size()), 0)));
        qCDebug(lcNetUdp).noquote() << "H:" << QString::fromLatin1(datagram);
        const int nul = datagram.indexOf('\0');
        takeDatagramText(nul < 0 ? datagram : datagram.left(nul));
    }
    socket->flush();
}

void UDPReciver::processPendingDatagrams_all()
{
    processPendingDatagrams();
}

void UDPReciver::processPendingDatagramsTimer()
{
    while (bound() && socket->hasPendingDatagrams())
        processPendingDatagrams();
}

void UDPReciver::takeDatagramText(const QByteArray &text)
{
    status = QString::fromLatin1(text);
    lineBuffer.append(text);
    emit statusChanged();
    emitCompleteLines();
    if (lineBuffer.size() > kMaxLineBuffer) {
        qCWarning(lcNetUdp) << "dropping a UDP line longer than" << kMaxLineBuffer << "bytes";
        lineBuffer.clear();
        droppingLongLine = true;
    }
}

void UDPReciver::emitCompleteLines()
{
    int start = 0;
    for (int lf = lineBuffer.indexOf('\n'); lf >= 0; lf = lineBuffer.indexOf('\n', start)) {
        const QByteArray raw = lineBuffer.mid(start, lf - start);
        start = lf + 1;
        if (droppingLongLine) {
            droppingLongLine = false;
            continue;
        }
        QString line = QString::fromLatin1(raw);
        line.remove(QLatin1Char('\r'));
        qCDebug(lcNetUdp).noquote() << "line:" << line;
        emit gotData(line);
    }
    lineBuffer.remove(0, start);
}
