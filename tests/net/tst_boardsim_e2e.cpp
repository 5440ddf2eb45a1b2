#include "qdevicemachine.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

// The simulated board's announce and telemetry, by real UDP, reaching the registry.
class TestBoardSimEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void announceAndTelemetryArrive();
};

void TestBoardSimEndToEnd::announceAndTelemetryArrive()
{
    const QString simulator = QStringLiteral(VORNE_BIN_DIR "/vorne-boardsim");
    if (!QFileInfo::exists(simulator))
        QSKIP("vorne-boardsim is not built");

    QDeviceMachine::setReceivePort(0); // any free port; the board is told which
    std::unique_ptr<QDeviceMachine> hub(QDeviceMachine::instance());
    const quint16 port = hub->receivePort();
    QVERIFY(port != 0);
    QSignalSpy seen(hub.get(), &QDeviceMachine::seenDevice);
    QSignalSpy added(hub.get(), &QDeviceMachine::newDevice);
    QSignalSpy logs(hub.get(), &QDeviceMachine::logReceived);

    QProcess board;
    board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    board.start(simulator, {"--listen", "127.0.0.1:0", "--discovery-port", "0", "--udp-target",
                            QStringLiteral("127.0.0.1:%1").arg(port)});
    QVERIFY(board.waitForStarted());
    while (seen.isEmpty() || logs.isEmpty())
        QVERIFY2((seen.isEmpty() ? seen : logs).wait(15000), "no announce or no telemetry");
    board.kill();
    board.waitForFinished();

    const QString mac = seen.at(0).at(0).toString();
    const int type = seen.at(0).at(3).toInt();
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{12}$")).match(mac).hasMatch());
    const Device *device = hub->deviceFor(type, mac);
    QVERIFY(device);
    QVERIFY(!device->name.isEmpty());
    QCOMPARE(device->ip, seen.at(0).at(1).toString());
    QVERIFY(!added.isEmpty()); // announced outside a lookup

    const auto sample = logs.at(0).at(0).value<TBTubeLogData>();
    QCOMPARE(sample.macText(), mac);
    QVERIFY(sample.logId != 0);
}

QTEST_GUILESS_MAIN(TestBoardSimEndToEnd)
#include "tst_boardsim_e2e.moc"
