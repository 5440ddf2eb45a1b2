#pragma once

// What the tests of the console share: its fixed port and greeting, reading what the
// program wrote to a peer, and the files a test lays out or the program wrote.

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Makes the file, and the folders it lies in, with the content.
inline void writeFile(const QString &path, const QByteArray &content = QByteArray())
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
