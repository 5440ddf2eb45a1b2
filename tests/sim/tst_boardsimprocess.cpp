#include "simprocess.h"

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

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

QStringList quick(quint16 udpPort)
{
    return {"--listen",         "127.0.0.1:0",
            "--udp-target",     QStringLiteral("127.0.0.1:%1").arg(udpPort),
            "--discovery-port", "0",
            "--telemetry-ms",   "100",
            "--announce-ms",    "60000"};
}

} // namespace

class TestBoardSimProcess : public QObject
{
    Q_OBJECT
private slots:
    void consoleAnswersAndLogs();
    void telemetryCountsUp();
    void discoveryIsAnswered();
    void clientModeAnnouncesAndReconnects();
    void severalBoards();
    void dropAfterClosesTheConnection();
};

void TestBoardSimProcess::consoleAnswersAndLogs()
{
    const QString log = SimProcess::scratchFile(QStringLiteral("sim.log"));
    SimProcess sim;
    QVERIFY(sim.start(quick(freeUdpPort()) + QStringList{"--log", log}));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, sim.ports.first());
    QByteArray received;
    QVERIFY(readUntil(socket, &received, ">"));
    QCOMPARE(received, QByteArray(">"));
    socket.write("debug_level 128\r\n");
    QVERIFY(readUntil(socket, &received, "Debug level 128\r\n>"));
    const QByteArrayList lines = SimProcess::logLines(log);
    QVERIFY(lines.contains("< debug_level 128"));
    QVERIFY(lines.contains("> Debug level 128"));
}

void TestBoardSimProcess::telemetryCountsUp()
{
    QUdpSocket target;
    QVERIFY(target.bind(QHostAddress(QHostAddress::LocalHost), 0));
    SimProcess sim;
    QVERIFY(sim.start(quick(target.localPort())));
    QSignalSpy ready(&target, &QUdpSocket::readyRead);
    QList<int> counters;
    bool announced = false;
    while (counters.size() < 15) {
        QVERIFY(target.hasPendingDatagrams() || ready.wait(3000));
        const QByteArray datagram = target.receiveDatagram().data();
        QVERIFY(datagram.endsWith(":$\r\n"));
        announced = announced || datagram.startsWith("@:2:0:86:79:82:19969:1:0:0:127:");
        const QByteArrayList fields = datagram.split(':');
        counters << fields.at(fields.size() - 2).toInt();
    }
    QVERIFY(announced);
    QCOMPARE(counters.first(), 1);
    for (int i = 1; i < counters.size(); ++i)
        QCOMPARE(counters.at(i), counters.at(i - 1) + 1);
}

void TestBoardSimProcess::discoveryIsAnswered()
{
    QUdpSocket target;
    QVERIFY(target.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const quint16 discoveryPort = freeUdpPort();
    QStringList arguments = quick(target.localPort());
    arguments.replace(arguments.indexOf("--discovery-port") + 1, QString::number(discoveryPort));
    arguments.replace(arguments.indexOf("--telemetry-ms") + 1, "60000");
    SimProcess sim;
    QVERIFY(sim.start(arguments));
    QSignalSpy ready(&target, &QUdpSocket::readyRead);
    // The announce at start, and outputs 11 to 18 and the set temperature with it.
    for (int i = 0; i < 10; ++i) {
        QVERIFY(target.hasPendingDatagrams() || ready.wait(3000));
        target.receiveDatagram();
    }

    QUdpSocket asker;
    asker.writeDatagram("\xA4:0:1\r\n", QHostAddress::LocalHost, discoveryPort);
    QVERIFY(!ready.wait(300)); // a request for main boards only
    asker.writeDatagram("\xA4:0:255\r\n", QHostAddress::LocalHost, discoveryPort);
    QVERIFY(ready.wait(3000));
    QVERIFY(target.receiveDatagram().data().startsWith("@:2:"));
}

void TestBoardSimProcess::clientModeAnnouncesAndReconnects()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QStringList arguments = quick(freeUdpPort());
    arguments << "--connect" << QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    SimProcess sim;
    QVERIFY(sim.start(arguments));
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

void TestBoardSimProcess::severalBoards()
{
    QStringList arguments = quick(freeUdpPort());
    arguments << "--count"
              << "3";
    SimProcess sim;
    QVERIFY(sim.start(arguments));
    QCOMPARE(sim.ports.size(), 3);
    QSet<QByteArray> macs;
    for (quint16 port : qAsConst(sim.ports)) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        QByteArray received;
        socket.write("print_tb_config\r\n");
        QVERIFY(readUntil(socket, &received, "CONFIG_END"));
        const int at = received.indexOf("[MAC:");
        macs.insert(received.mid(at + 5, 12));
    }
    QCOMPARE(macs, (QSet<QByteArray>{"00564f524e01", "00564f524e02", "00564f524e03"}));
}

void TestBoardSimProcess::dropAfterClosesTheConnection()
{
    SimProcess sim;
    QVERIFY(sim.start(quick(freeUdpPort()) + QStringList{"--fault", "drop-after=2"}));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, sim.ports.first());
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.write("ping\r\nping\r\nping\r\n");
    QVERIFY(closed.wait(5000));
    const QByteArray received = socket.readAll();
    QCOMPARE(received.count("pong"), 2);
}

QTEST_GUILESS_MAIN(TestBoardSimProcess)
#include "tst_boardsimprocess.moc"
