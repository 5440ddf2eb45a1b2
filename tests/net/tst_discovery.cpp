#include "qdevicemachine.h"

#include <QProcess>
#include <QUdpSocket>
#include <QtTest>

// The discovery request on a private "LAN": a veth pair inside this test's own network
// namespace, never a real interface; the pair goes with the namespace when the test ends.
class TestDiscovery : public QObject
{
    Q_OBJECT

    static bool ip(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("ip"), arguments);
        const bool done = process.waitForFinished(10000) &&
                          process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!done)
            qWarning() << "ip" << arguments << process.readAllStandardError();
        return done;
    }

private slots:
    void initTestCase()
    {
        // Only inside the namespace the test runner made: outside it these would be real links.
        if (qgetenv("VORNE_IN_NETNS") != "1")
            QSKIP("not inside a private network namespace");
        QVERIFY(ip({"link", "add", "vt0", "type", "veth", "peer", "name", "vt1"}));
        QVERIFY(ip({"addr", "add", "10.213.7.1/24", "broadcast", "10.213.7.255", "dev", "vt0"}));
        QVERIFY(ip({"addr", "add", "10.213.7.2/24", "dev", "vt1"}));
        QVERIFY(ip({"link", "set", "vt0", "up"}));
        QVERIFY(ip({"link", "set", "vt1", "up"}));
    }

    void requestReachesBroadcastAddress()
    {
        QUdpSocket board;
        QVERIFY(board.bind(QHostAddress::AnyIPv4, QDeviceMachine::kDiscoveryPort));
        QDeviceMachine::setReceivePort(std::nullopt);
        std::unique_ptr<QDeviceMachine> hub(QDeviceMachine::instance());
        QSignalSpy done(hub.get(), &QDeviceMachine::lookupDone);
        hub->lookup(255);
        QVERIFY(done.wait(3000));
        QCOMPARE(done.count(), 1);
        // One request per address of the pair, nine bytes each; loopback is never asked.
        QVERIFY(board.hasPendingDatagrams());
        while (board.hasPendingDatagrams()) {
            QHostAddress sender;
            QByteArray payload(int(board.pendingDatagramSize()), '\0');
            board.readDatagram(payload.data(), payload.size(), &sender);
            QCOMPARE(payload, QByteArray("\xA4:0:255\r\n"));
            QVERIFY2(sender.isInSubnet(QHostAddress("10.213.7.0"), 24),
                     qPrintable(sender.toString()));
        }
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
