#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

// The board's end of a console connection, played by a test on loopback: it says only what
// the test sends, and keeps every byte the program sends until the test takes it.
class ScriptedBoard
{
public:
    ScriptedBoard()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            ++connections;
            attach(server.nextPendingConnection());
        });
    }

    quint16 port() const { return server.serverPort(); }
    QString connection() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    // The board dials in, as to a program listening for its console: returns the program's
    // end of that connection (what the main window holds as its console socket).
    std::unique_ptr<QTcpSocket> dialIn()
    {
        QTcpServer console;
        console.listen(QHostAddress::LocalHost, 0);
        auto *board = new QTcpSocket(&server);
        board->connectToHost(QHostAddress::LocalHost, console.serverPort());
        if (!console.waitForNewConnection(5000) || !board->waitForConnected(5000))
            return nullptr;
        std::unique_ptr<QTcpSocket> programEnd(console.nextPendingConnection());
        programEnd->setParent(nullptr);
        attach(board);
        return programEnd;
    }

    // Waits for the program's connection first when it is still on its way.
    void send(const QByteArray &bytes)
    {
        if (!QTest::qWaitFor([this] { return peer != nullptr; }, 5000))
            return;
        peer->write(bytes);
        peer->flush();
    }

    // The next size bytes the program sent, waiting for them up to 5 s.
    QByteArray take(int size)
    {
        if (!QTest::qWaitFor([&] { return unread.size() >= size; }, 5000))
            return "<nothing>: " + unread;
        const QByteArray taken = unread.left(size);
        unread.remove(0, size);
        return taken;
    }

    // The next line the program sent.
    QByteArray line()
    {
        const bool ended = QTest::qWaitFor([this] { return unread.contains('\n'); }, 5000);
        return ended ? take(unread.indexOf('\n') + 1) : "<nothing>: " + unread;
    }

    QTcpSocket *peer = nullptr;
    QByteArray unread; // what the program sent and the test has not taken yet
    int connections = 0;

private:
    void attach(QTcpSocket *socket)
    {
        peer = socket;
        QObject::connect(socket, &QTcpSocket::readyRead,
                         [this, socket] { unread += socket->readAll(); });
    }

    QTcpServer server;
};
