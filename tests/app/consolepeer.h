#pragma once

// What the tests of the console share: its fixed port and greeting, reading what the
// program wrote to a peer, and the bytes of a file it wrote.

#include <QFile>
#include <QTcpSocket>
#include <QTest>

constexpr quint16 kServerPort = 7123;
const QByteArray kDebugLevel("debug_level 128\r\n");

// Reads exactly count bytes, or what came within the time; the program runs meanwhile.
inline QByteArray readBytes(QTcpSocket *socket, int count, int timeoutMs = 3000)
{
    (void)QTest::qWaitFor([&] { return socket->bytesAvailable() >= count; }, timeoutMs);
    return socket->read(count);
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
