#include "consolechannel.h"
#include "consolepeer.h"

#include <QTcpServer>
#include <QtTest>

namespace {

// A channel connected as client to a peer of the test, reading as the window does.
struct ClientChannel
{
    ClientChannel()
    {
        QObject::connect(&channel, &ConsoleChannel::readyRead, &channel,
                         &ConsoleChannel::readPending);
        if (server.listen(QHostAddress::LocalHost) &&
            channel.connectTo(QStringLiteral("127.0.0.1"), server.serverPort()) &&
            server.waitForNewConnection(3000))
            peer = server.nextPendingConnection();
    }
    // Starts a paced run of lines and sends its first line.
    void run(const QStringList &lines)
    {
        channel.send(channel.startQueue(lines, PacedQueue::FirstLine::Command));
    }

    ConsoleChannel channel;
    QSignalSpy lines{&channel, &ConsoleChannel::lineReceived};
    QSignalSpy progress{&channel, &ConsoleChannel::queueProgress};
    QSignalSpy finished{&channel, &ConsoleChannel::queueFinished};
    QTcpServer server;
    QTcpSocket *peer = nullptr;
};

QStringList texts(const QSignalSpy &spy)
{
    QStringList all;
    for (const QList<QVariant> &arguments : spy) {
        QStringList one;
        for (const QVariant &argument : arguments)
            one << argument.toString();
        all << one.join(QLatin1Char('/'));
    }
    return all;
}

} // namespace

// The console connection against loopback peers: what goes on the wire, what comes back as
// lines, the pace of a script, replacing, losing and lending the connection.
class TestConsoleChannel : public QObject
{
    Q_OBJECT
private slots:
    void linesBothWays()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        QSignalSpy sent(&c.channel, &ConsoleChannel::lineSent);
        c.channel.send(QStringLiteral("led\r\n 1"));
        QCOMPARE(readBytes(c.peer, 7), QByteArray("led 1\r\n"));
        QCOMPARE(texts(sent), QStringList{"led 1"});
        c.peer->write("one\r\ntw");
        QTRY_COMPARE(c.lines.size(), 1);
        c.peer->write("o\n");
        QTRY_COMPARE(texts(c.lines), (QStringList{"one", "two"}));
    }

    void pacedRunAdvancesOneLinePerReply()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        c.run({"a", "#note", "", "b", "c"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
        QCOMPARE(readBytes(c.peer, 1, 200), QByteArray()); // nothing before the board answers
        // Any arrival, even half a line, lets the next line go once no complete line is left.
        c.peer->write("ok\r\nha");
        QCOMPARE(readBytes(c.peer, 3), QByteArray("b\r\n"));
        c.peer->write("lf\n");
        QCOMPARE(readBytes(c.peer, 3), QByteArray("c\r\n"));
        QCOMPARE(texts(c.progress), (QStringList{"1/3", "2/3", "3/3"}));
        QCOMPARE(c.finished.size(), 1);
        c.peer->write("done\n");
        QCOMPARE(readBytes(c.peer, 1, 200), QByteArray());
    }

    void floodOfRepliesSendsTheNextLineOnceAllAreHandled()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        c.run({"a", "b", "c"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
        // More lines than one turn of the event loop handles.
        const int count = 3 * ConsoleChannel::kLinesPerTurn + 7;
        c.peer->write(QByteArray("r\n").repeated(count));
        QTRY_COMPARE(c.lines.size(), count);
        QCOMPARE(readBytes(c.peer, 100, 300), QByteArray("b\r\n"));
    }

    void acceptedBoardReplacesTheClient()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        QVERIFY(c.channel.listen(kServerPort));
        c.run({"a", "b"});
        QSignalSpy ended(&c.channel, &ConsoleChannel::disconnected);
        QSignalSpy accepted(&c.channel, &ConsoleChannel::accepted);
        connect(&c.channel, &ConsoleChannel::accepted, this, [&] { QCOMPARE(ended.size(), 1); });
        QTcpSocket board;
        board.connectToHost(QHostAddress::LocalHost, kServerPort);
        QVERIFY(accepted.wait(3000));
        QCOMPARE(ended.size(), 1); // the client's end was reported before the board came
        QTRY_COMPARE(c.peer->state(), QAbstractSocket::UnconnectedState);
        board.write("hello\n");
        QTRY_COMPARE(texts(c.lines), QStringList{"hello"});
        QCOMPARE(readBytes(&board, 100, 300), QByteArray()); // the old run does not go on here
        board.close();
        QVERIFY(ended.wait(3000));
        QVERIFY(!c.channel.isOpen());
    }

    void lentConnectionIsReadByTheBorrowerUntilGivenBack()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        c.run({"a", "b"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
        QTcpSocket *borrowed = c.channel.lend();
        QVERIFY(borrowed);
        c.peer->write("BL>");
        QCOMPARE(readBytes(borrowed, 3), QByteArray("BL>"));
        c.peer->write("back\n");
        QTRY_COMPARE(borrowed->bytesAvailable(), qint64(5));
        QVERIFY(c.lines.isEmpty());
        // Given back: what waits is read at once and the run goes on.
        c.channel.takeBack();
        QCOMPARE(texts(c.lines), QStringList{"back"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("b\r\n"));
    }

    void failedConnectLeavesNoConnection()
    {
        ConsoleChannel channel;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QSignalSpy ended(&channel, &ConsoleChannel::disconnected);
        QSignalSpy sent(&channel, &ConsoleChannel::lineSent);
        QVERIFY(!channel.connectTo(QStringLiteral("127.0.0.1"), port));
        QVERIFY(!channel.errorString().isEmpty());
        channel.send(QStringLiteral("stop"));
        QCOMPARE(ended.size() + sent.size(), 0); // nothing was open, so nothing ended or went
        QVERIFY(!channel.lend());
    }
};

QTEST_GUILESS_MAIN(TestConsoleChannel)
#include "tst_consolechannel.moc"
