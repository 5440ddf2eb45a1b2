#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

// The board's end of a console connection, played by a test. It records every byte the
// program sends; in automatic mode it also greets a new connection and answers each
// "\r\n", put_binary command and framed packet with ">", as a board in good order does.
class ScriptedBoard
{
public:
    explicit ScriptedBoard(bool automatic = false)
        : automatic(automatic)
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            ++connections;
            attach(server.nextPendingConnection());
            if (this->automatic)
                send(">");
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

    void send(const QByteArray &bytes)
    {
        peer->write(bytes);
        peer->flush();
    }

    QTcpSocket *peer = nullptr;
    QByteArray received;     // everything the program sent
    QByteArrayList commands; // put_binary lines (automatic mode)
    QByteArrayList packets;  // framed packets (automatic mode)
    int connections = 0;
    bool automatic;

private:
    void attach(QTcpSocket *socket)
    {
        peer = socket;
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
            const QByteArray bytes = socket->readAll();
            received += bytes;
            pending += bytes;
            if (automatic)
                answer();
        });
    }

    void answer()
    {
        while (!pending.isEmpty()) {
            int used = 0;
            if (pending.startsWith("\r\n")) {
                used = 2;
            } else if (pending.startsWith("put_binary")) {
                used = pending.indexOf('\n') + 1;
                if (used == 0)
                    return;
                commands << pending.left(used);
            } else {
                used = static_cast<quint8>(pending.at(0));
                if (used == 0 || pending.size() < used)
                    return;
                packets << pending.left(used);
            }
            pending.remove(0, used);
            send(">");
        }
    }

    QTcpServer server;
    QByteArray pending;
};
