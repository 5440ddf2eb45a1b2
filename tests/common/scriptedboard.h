#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

// The board's end of a console connection, played by a test on loopback. It keeps every byte
// the program sends. Left to itself it says only what the test sends; in an automatic mode it
// greets a new connection with ">" and answers "\r\n", the put_binary command and each framed
// packet with ">", as a board in good order does.
class ScriptedBoard
{
public:
    enum class Answers { None, Rom };

    explicit ScriptedBoard(Answers answers = Answers::None)
        : answers(answers)
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            ++connections;
            attach(server.nextPendingConnection());
            if (this->answers != Answers::None)
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

    Answers answers;
    QTcpSocket *peer = nullptr;
    QByteArray received;     // everything the program sent
    QByteArray unread;       // what line() has not taken yet
    QByteArrayList commands; // put_binary lines (Rom mode)
    QByteArray data;         // the file bytes the packets carried (Rom mode)
    int connections = 0;

private:
    void attach(QTcpSocket *socket)
    {
        peer = socket;
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
            const QByteArray bytes = socket->readAll();
            received += bytes;
            unread += bytes;
            if (answers == Answers::Rom) {
                pending += bytes; // what the test answered itself is not answered again
                answerRom();
            }
        });
    }

    void answerRom()
    {
        while (!pending.isEmpty()) {
            int used = pending.startsWith("\r\n") ? 2 : 0;
            if (pending.startsWith("put_binary")) {
                used = pending.indexOf('\n') + 1;
                if (used > 0)
                    commands << pending.left(used);
            } else if (!used) {
                used = static_cast<quint8>(pending.at(0));
                if (used > 0 && pending.size() >= used)
                    data += pending.mid(5, used - 7);
            }
            if (used == 0 || pending.size() < used)
                return;
            pending.remove(0, used);
            send(">");
        }
    }

    QByteArray pending;
    QTcpServer server;
};
