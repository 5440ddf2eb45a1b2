#include "boardsimprocess.h"

#include <QtNetwork>
#include <QtTest>

namespace {

// Reads from socket until its received text contains what, or five seconds pass.
bool readUntil(QTcpSocket &socket, QByteArray *received, const QByteArray &what)
{
    QSignalSpy ready(&socket, &QTcpSocket::readyRead);
    while (!received->contains(what)) {
        if (socket.bytesAvailable() == 0 && !ready.wait(5000))
            return false;
        *received += socket.readAll();
    }
    return true;
}

} // namespace

// The vorne-boardsim executable: its options reach the boards, its sockets are wired to the
// sessions. The protocol itself is tested without sockets in the other sim tests.
class TestBoardSimProcess : public QObject
{
    Q_OBJECT
private slots:
    void consoleAnswersLogsAndDrops();
    void udpCountsUpAndAnswersDiscovery();
    void clientModeAnnouncesAndReconnects();
    void severalBoardsDiffer();
};

void TestBoardSimProcess::consoleAnswersLogsAndDrops()
{
    BoardSimProcess sim;
    QVERIFY(sim.start(BoardSimProcess::quietArguments() +
                      QStringList{"--log", "sim.log", "--fault", "drop-after=2"}));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, sim.ports.first());
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.write("debug_level 128\r\nping\r\nping\r\n");
    QVERIFY(closed.wait(5000));
    QCOMPARE(socket.readAll(), QByteArray(">\r\nDebug level 128\r\n>\r\npong\r\n>"));
    const QByteArrayList lines = BoardSimProcess::logLines("sim.log");
    QVERIFY(lines.contains("< debug_level 128"));
    QVERIFY(lines.contains("> Debug level 128"));
}

void TestBoardSimProcess::udpCountsUpAndAnswersDiscovery()
{
    // The board's default ports; the test's own network namespace has them free.
    QUdpSocket target;
    QVERIFY(target.bind(QHostAddress(QHostAddress::LocalHost), 7112));
    const quint16 discoveryPort = 7113;
    BoardSimProcess sim;
    QVERIFY(sim.start(BoardSimProcess::quietArguments() +
                      QStringList{"--telemetry-ms", "100", "--discovery-port", "7113"}));
    QSignalSpy ready(&target, &QUdpSocket::readyRead);
    QList<int> counters;
    int announces = 0;
    int afterAnswer = 0;
    // Past the announce at start and some telemetry, a request for main boards only (not
    // answered) and one for every board; a second answer would come before three more packets.
    while (afterAnswer < 3) {
        QVERIFY(counters.size() < 100);
        QVERIFY(target.hasPendingDatagrams() || ready.wait(3000));
        const QByteArray datagram = target.receiveDatagram().data();
        QVERIFY(datagram.endsWith(":$\r\n"));
        const QByteArrayList fields = datagram.split(':');
        counters << fields.at(fields.size() - 2).toInt();
        if (datagram.startsWith("@:2:0:86:79:82:19969:1:0:0:127:"))
            QVERIFY(++announces <= 2);
        else if (announces == 2)
            ++afterAnswer;
        if (counters.size() == 15) {
            QUdpSocket asker;
            asker.writeDatagram("\xA4:0:1\r\n", QHostAddress::LocalHost, discoveryPort);
            asker.writeDatagram("\xA4:0:255\r\n", QHostAddress::LocalHost, discoveryPort);
        }
    }
    for (int i = 0; i < counters.size(); ++i)
        QCOMPARE(counters.at(i), i + 1);
}

void TestBoardSimProcess::clientModeAnnouncesAndReconnects()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 7123)); // the program's console server port
    BoardSimProcess sim;
    QVERIFY(sim.start(BoardSimProcess::quietArguments() + QStringList{"--connect", "127.0.0.1"}));
    for (int round = 0; round < 2; ++round) {
        QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(5000));
        std::unique_ptr<QTcpSocket> board(server.nextPendingConnection());
        QByteArray received;
        QVERIFY(readUntil(*board, &received, ">"));
        QCOMPARE(received, QByteArray("VORNE|TUBE|HW:71405:|SW:190918:|NAME:SimTube:"
                                      "|MAC:00564f524e01:|IP:127.0.0.1:\r\n>"));
        board->write("ping\r\n");
        QVERIFY(readUntil(*board, &received, "pong"));
        board->close(); // the board connects again by itself
    }
}

void TestBoardSimProcess::severalBoardsDiffer()
{
    BoardSimProcess sim;
    QVERIFY(sim.start(BoardSimProcess::quietArguments() +
                      QStringList{"--count", "3", "--mac", "0056000000ff", "--listen",
                                  "127.0.0.1:4000", "--log", "boards.log"}));
    QCOMPARE(sim.ports, (QList<quint16>{4000, 4001, 4002}));
    QStringList seen;
    for (quint16 port : qAsConst(sim.ports)) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        QByteArray received;
        socket.write("print_tb_config\r\n");
        QVERIFY(readUntil(socket, &received, "CONFIG_END"));
        const QRegularExpression mac(QStringLiteral("\\[MAC:(\\w+)\\]\r\nNAME:([^\r]+)"));
        seen << mac.match(QString::fromLatin1(received)).capturedTexts().mid(1).join(' ');
    }
    QCOMPARE(seen, (QStringList{"0056000000ff SimTube-1", "005600000100 SimTube-2",
                                "005600000101 SimTube-3"}));
    QVERIFY(BoardSimProcess::logLines("boards.log").contains("[SimTube-3] < print_tb_config"));
}

QTEST_GUILESS_MAIN(TestBoardSimProcess)
#include "tst_boardsimprocess.moc"
