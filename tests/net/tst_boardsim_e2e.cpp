#include "boardsimprocess.h"
#include "qdevicemachine.h"
#include "udppacketdecoder.h"

#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

// Two simulated boards and the registry on their default UDP ports, by real datagrams:
// announces, telemetry, outputs, brew events and macro lines arrive decoded and counted from
// 1 per board, and only a discovery request for every board (or the board's type) is answered.
class TestBoardSimEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void boardsReachTheRegistry()
    {
        std::unique_ptr<QDeviceMachine> hub(QDeviceMachine::instance());
        QCOMPARE(hub->receivePort(), quint16(7112));
        QSignalSpy added(hub.get(), &QDeviceMachine::newDevice);
        QSignalSpy macros(hub.get(), &QDeviceMachine::macroRecived);
        QList<UdpPacket> packets;
        connect(hub.get(), &QDeviceMachine::udpPacketRecived, this,
                [&packets](QString line) { packets << UdpPacketDecoder::decode(line); });
        const auto seen = [&packets](const QString &mac, UdpPacket::Kind kind) {
            return std::count_if(packets.cbegin(), packets.cend(), [&](const UdpPacket &p) {
                return p.kind == kind && p.mac == mac;
            });
        };
        const QString first = "00564f524e01", second = "00564f524e02";

        BoardSimProcess sim;
        QVERIFY(sim.start({"--listen", "127.0.0.1:4000", "--count", "2", "--telemetry-ms", "100",
                           "--program-seconds", "0.3"}));
        QCOMPARE(sim.ports, (QList<quint16>{4000, 4001}));
        QTRY_VERIFY(hub->deviceFor(2, first) && hub->deviceFor(2, second));
        QCOMPARE(hub->deviceName(2, second), QStringLiteral("SimTube-2"));
        QCOMPARE(added.count(), 2); // announced outside a lookup

        QUdpSocket asker; // main boards only, then every board: answered once by each
        for (const QByteArray request : {"\xA4:0:1\r\n", "\xA4:0:255\r\n"})
            asker.writeDatagram(request, QHostAddress::LocalHost, QDeviceMachine::kDiscoveryPort);
        QTRY_COMPARE(seen(second, UdpPacket::Kind::Announce), 2);
        QTcpSocket console;
        console.connectToHost(QHostAddress::LocalHost, sim.ports.first());
        console.write("tb4 2:100:98:98:60:108:10:45:6:90:3:50:\"Espresso\"\r\nsend_macro 10\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(seen(first, UdpPacket::Kind::BrewEnd) == 1 && macros.count() == 1,
                                 10000);
        QCOMPARE(seen(first, UdpPacket::Kind::BrewStart), 1);
        QCOMPARE(seen(second, UdpPacket::Kind::BrewStart), 0);
        QCOMPARE(seen(QString(), UdpPacket::Kind::NoMatch), 0);
        for (const QString &mac : {first, second}) {
            QCOMPARE(seen(mac, UdpPacket::Kind::Announce), 2);
            QVERIFY(seen(mac, UdpPacket::Kind::Telemetry) > 0);
            QVERIFY(seen(mac, UdpPacket::Kind::ObjectValue) > 0);
            int counter = 0;
            for (const UdpPacket &p : qAsConst(packets)) {
                if (p.mac == mac)
                    QCOMPARE(p.counter, ++counter);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestBoardSimEndToEnd)
#include "tst_boardsim_e2e.moc"
