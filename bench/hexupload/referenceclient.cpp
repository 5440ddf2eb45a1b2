#include "referenceclient.h"

#include "fletcher16.h"

#include <QFile>
#include <QTcpSocket>

namespace {

constexpr int kWaitMs = 60000;
constexpr int kQuietMs = 1000;

// Reads until a ">" and returns everything up to it.
QByteArray readPrompt(QTcpSocket &socket, QByteArray &pending)
{
    int end;
    while ((end = pending.indexOf('>')) < 0) {
        if (!socket.waitForReadyRead(kWaitMs))
            return {};
        pending += socket.readAll();
    }
    const QByteArray reply = pending.left(end + 1);
    pending.remove(0, end + 1);
    return reply;
}

} // namespace

bool ReferenceClient::upload(const QString &host, quint16 port, const QString &hexFile,
                             const QByteArray &image, QString *reason)
{
    QFile file(hexFile);
    QTcpSocket socket;
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(kWaitMs)) {
        *reason = socket.errorString();
        return false;
    }
    QByteArray pending;
    readPrompt(socket, pending);
    socket.write("bl\r\n");
    while (true) {
        const QByteArray reply = readPrompt(socket, pending);
        if (!reply.trimmed().startsWith("BL>")) {
            *reason = QStringLiteral("unexpected reply \"%1\"").arg(QString::fromLatin1(reply));
            return false;
        }
        if (file.atEnd())
            break;
        socket.write(file.readLine().trimmed() + "\r\n");
    }
    socket.write("$" + QByteArray::number(Fletcher16::of(image)) + "\r\n");
    socket.waitForBytesWritten(kWaitMs);
    if (socket.waitForReadyRead(kQuietMs)) {
        *reason = QStringLiteral("the board answered the checksum: ") +
                  QString::fromLatin1(socket.readAll());
        return false;
    }
    return true;
}
