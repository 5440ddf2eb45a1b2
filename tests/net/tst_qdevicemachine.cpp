#include "qdevicemachine.h"

#include <QUdpSocket>
#include <QtTest>

#include <memory>

// The registry as the main window uses it: signals per line, per-sender counters, macro
// text, the device table through lookups, and lines arriving by real UDP.
class TestQDeviceMachine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void signalsForLines_data();
    void signalsForLines();
    void macroText_data();
    void macroText();
    void macroTextBounded();
    void announceDuringAndAfterLookup();
    void laterAnnounceReplacesDevice();
    void sameMacUnderTwoTypes();
    void mainDeviceIsACopy();
    void objectFromOtherSenderLeavesCounter();
    void udpRoundTrip();

private:
    QDeviceMachine *hub = nullptr;
    QStringList events;
};

namespace {

const QString tubeMac = QStringLiteral("0004a3123412");
const QString mainMac = QStringLiteral("0004a3123414");

QString announceLine(int type, int counter, const QString &name = QStringLiteral("Tube"))
{
    const QString twoDigits = QStringLiteral("%1").arg(counter, 2, 10, QLatin1Char('0'));
    return QStringLiteral("@:%1:0:4:163:18:13330:20:1:168:192:1.0:2.3:\"%2\":%3:$")
        .arg(QString::number(type), name, twoDigits);
}

QString telemetryLine(int macro, int counter)
{
    return QStringLiteral("T:101:4:163:18:13330:20:1:168:192:4:20.5:90:91:85:123.4:5.26:250:6.5:"
                          "40:1800:%1:1:1500:1500:105:1950:194:3:7:12:19:%2:$")
        .arg(QString::number(macro), QString::number(counter));
}

QString brewLine(char lead, int counter)
{
    return QStringLiteral("%1:0:4:163:18:13330:3:194:\"r\":\"Morning\":%2:$")
        .arg(QString(QLatin1Char(lead)), QString::number(counter));
}

QString objectLine(int counter)
{
    return QStringLiteral("X:100:0:4:163:18:52:20:11:1:0:%1:$").arg(counter);
}

QString macroLine(int number, const QString &text)
{
    return QStringLiteral("!:%1:%2:0:$").arg(number).arg(text);
}

} // namespace

void TestQDeviceMachine::init()
{
    QDeviceMachine::setReceivePort(std::nullopt);
    hub = QDeviceMachine::instance();
    events.clear();
    connect(hub, &QDeviceMachine::udpPacketRecived, this, [this] { events << "udp"; });
    connect(hub, &QDeviceMachine::seenDevice, this,
            [this](QString mac, QString, QString, int type) {
                events << QStringLiteral("seenDevice %1 %2").arg(mac).arg(type);
            });
    connect(hub, &QDeviceMachine::objectChanged, this, [this](ulong id, ulong value) {
        events << QStringLiteral("objectChanged %1 %2").arg(id).arg(value);
    });
    connect(hub, &QDeviceMachine::logReceived, this, [this](TBTubeLogData d) {
        events << QStringLiteral("logReceived %1 #%2").arg(d.macText()).arg(d.logId);
    });
    connect(hub, &QDeviceMachine::brewPing, this, [this](QString guid, int thermos, int eta) {
        events << QStringLiteral("brewPing %1 %2 %3").arg(guid).arg(thermos).arg(eta);
    });
    connect(hub, &QDeviceMachine::brewStart, this,
            [this](QString guid, QString name, QString recipe, int thermos, int left) {
                events << QStringLiteral("brewStart %1 %2 %3 %4 %5")
                              .arg(guid, name, recipe)
                              .arg(thermos)
                              .arg(left);
            });
    connect(hub, &QDeviceMachine::brewEnd, this,
            [this](QString guid, QString name, QString recipe, int thermos, int timer) {
                events << QStringLiteral("brewEnd %1 %2 %3 %4 %5")
                              .arg(guid, name, recipe)
                              .arg(thermos)
                              .arg(timer);
            });
    connect(hub, &QDeviceMachine::macroRecived, this,
            [this](QString macro) { events << QStringLiteral("macro ") + macro; });
}

void TestQDeviceMachine::cleanup()
{
    delete hub;
    QCOMPARE(QDeviceMachine::existingInstance(), nullptr);
    QDeviceMachine::setReceivePort(7112);
}

void TestQDeviceMachine::signalsForLines_data()
{
    QTest::addColumn<QString>("main");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");

    const QString seen = QStringLiteral("seenDevice 0004a3123412 2");
    const QString log17 = QStringLiteral("logReceived 0004a3123412 #17");
    const QString start = QStringLiteral("brewStart 0004a3123412 Morning r 3 194");

    const auto row = [](const char *name, const QString &main, const QStringList &lines,
                        const QStringList &expected) {
        QTest::newRow(name) << main << lines << expected;
    };
    row("unmatched line still reported", {}, {"hello"}, {"udp"});
    row("announce seen", {}, {announceLine(2, 5)}, {"udp", seen});
    row("repeat handled once", {}, {brewLine('+', 9), brewLine('+', 9)}, {"udp", start, "udp"});
    row("three repeats: handled, dropped, handled", {},
        {telemetryLine(1, 17), telemetryLine(1, 17), telemetryLine(1, 17)},
        {"udp", log17, "udp", "udp", log17});
    row("first packet with counter 0 dropped", {}, {telemetryLine(1, 0)}, {"udp"});
    row("counter shared by the kinds of one sender", {}, {announceLine(2, 9), brewLine('-', 9)},
        {"udp", seen, "udp"});
    row("new counter passes", {}, {telemetryLine(1, 17), telemetryLine(1, 18)},
        {"udp", log17, "udp", "logReceived 0004a3123412 #18"});
    row("brew macro pings before the log", {}, {telemetryLine(998, 17)},
        {"udp", "brewPing 0004a3123412 3 194", log17});
    row("macro 997 pings too", {}, {telemetryLine(997, 17)},
        {"udp", "brewPing 0004a3123412 3 194", log17});
    row("macro 996 only logs", {}, {telemetryLine(996, 17)}, {"udp", log17});
    row("brew end", {}, {brewLine('-', 4)}, {"udp", "brewEnd 0004a3123412 Morning r 3 194"});
    row("object of the main device", mainMac, {objectLine(5)}, {"udp", "objectChanged 11 1"});
    row("object of another board ignored", tubeMac, {objectLine(5)}, {"udp"});
    row("object without main device ignored", {}, {objectLine(5)}, {"udp"});
    row("short telemetry dropped", {}, {"T:101:1:2:3:$"}, {"udp"});
}

void TestQDeviceMachine::signalsForLines()
{
    QFETCH(QString, main);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);
    if (!main.isEmpty()) {
        const Device device(1, main, "192.168.1.20", "1", "2", "Main");
        hub->setMainDevice(&device);
    }
    for (const QString &line : qAsConst(lines))
        hub->gotUDPPacket(line);
    QCOMPARE(events, expected);
}

void TestQDeviceMachine::macroText_data()
{
    QTest::addColumn<QString>("lines"); // "number:text|..."
    QTest::addColumn<QStringList>("macros");
    QTest::newRow("lost line: every later line is ERROR")
        << "0:a|1:b|3:c|4:d|255:end" << QStringList{"a\r\nb\r\nERROR\r\nERROR\r\nend\r\n"};
    QTest::newRow("line 0 starts again")
        << "0:a|1:b|0:c|1:d|255:e" << QStringList{"c\r\nd\r\ne\r\n"};
    QTest::newRow("text kept after delivery")
        << "0:a|255:z|255:y" << QStringList{"a\r\nz\r\n", "a\r\nz\r\ny\r\n"};
    QTest::newRow("repeated lines have no counter check")
        << "0:a|0:a|255:z" << QStringList{"a\r\nz\r\n"};
    QTest::newRow("end without start") << "255:z" << QStringList{"z\r\n"};
}

void TestQDeviceMachine::macroText()
{
    QFETCH(QString, lines);
    QFETCH(QStringList, macros);
    QSignalSpy spy(hub, &QDeviceMachine::macroRecived);
    for (const QString &line : lines.split(QLatin1Char('|')))
        hub->gotUDPPacket(macroLine(line.section(':', 0, 0).toInt(), line.section(':', 1)));
    QStringList got;
    for (const QList<QVariant> &macro : spy)
        got << macro.at(0).toString();
    QCOMPARE(got, macros);
}

void TestQDeviceMachine::macroTextBounded()
{
    QSignalSpy spy(hub, &QDeviceMachine::macroRecived);
    const QString longText(1000, QLatin1Char('x'));
    hub->gotUDPPacket(macroLine(0, "first"));
    for (int n = 1; n < QDeviceMachine::kLastMacroLine; ++n)
        hub->gotUDPPacket(macroLine(n, longText + longText));
    hub->gotUDPPacket(macroLine(255, "last"));
    QCOMPARE(spy.count(), 1);
    const QString macro = spy.at(0).at(0).toString();
    QVERIFY(macro.size() <= QDeviceMachine::kMaxMacroText);
    QVERIFY(macro.startsWith(QLatin1String("first\r\n")));
}

void TestQDeviceMachine::announceDuringAndAfterLookup()
{
    QSignalSpy added(hub, &QDeviceMachine::newDevice);
    QSignalSpy done(hub, &QDeviceMachine::lookupDone);
    QElapsedTimer clock;
    clock.start();
    hub->lookup(255);
    hub->gotUDPPacket(announceLine(2, 10));
    QVERIFY(hub->deviceFor(2, tubeMac));
    QCOMPARE(added.count(), 0);
    QVERIFY(done.wait(3000));
    QVERIFY(clock.elapsed() >= 950);
    QCOMPARE(done.count(), 1);

    hub->gotUDPPacket(announceLine(2, 11, "Renamed"));
    QCOMPARE(added.count(), 1);
    const auto *device = added.at(0).at(0).value<Device *>();
    QCOMPARE(device, hub->deviceFor(2, tubeMac));
    QCOMPARE(device->name, QStringLiteral("Renamed"));

    // A second lookup empties the registry at once.
    hub->lookup(255);
    QCOMPARE(hub->deviceFor(2, tubeMac), nullptr);
    QVERIFY(hub->registry().isEmpty());
    QVERIFY(done.wait(3000));
}

void TestQDeviceMachine::laterAnnounceReplacesDevice()
{
    hub->gotUDPPacket(announceLine(2, 10, "First"));
    hub->gotUDPPacket(QStringLiteral("@:2:0:4:163:18:13330:21:1:168:192:1.1:2.4:\"Second\":11:$"));
    const QDeviceMachine::DeviceTable *table = hub->devicesOfType(2);
    QVERIFY(table);
    QCOMPARE(table->size(), 1);
    const Device *d = hub->deviceFor(2, tubeMac);
    QCOMPARE(QStringList({d->name, d->ip, d->hw, d->sw}),
             QStringList({"Second", "192.168.1.21", "1.1", "2.4"}));
    QCOMPARE(d->state, 255);
    QVERIFY(d->extra.isEmpty());
}

void TestQDeviceMachine::sameMacUnderTwoTypes()
{
    hub->gotUDPPacket(announceLine(2, 10, "Tube"));
    hub->gotUDPPacket(announceLine(3, 11, "Spider"));
    QCOMPARE(hub->deviceName(2, tubeMac), QStringLiteral("Tube"));
    QCOMPARE(hub->deviceName(3, tubeMac), QStringLiteral("Spider"));
    QCOMPARE(hub->registry().size(), 2);
    hub->clearType(2);
    QCOMPARE(hub->deviceFor(2, tubeMac), nullptr);
    QVERIFY(hub->deviceFor(3, tubeMac));
    // Unknown devices are named by their MAC; unknown types have no table.
    QCOMPARE(hub->deviceName(2, tubeMac), tubeMac);
    QCOMPARE(hub->devicesOfType(7), nullptr);
}

void TestQDeviceMachine::mainDeviceIsACopy()
{
    hub->gotUDPPacket(announceLine(1, 10, "Main"));
    hub->setMainDevice(hub->deviceFor(1, tubeMac));
    hub->gotUDPPacket(announceLine(1, 11, "Main again")); // destroys the registry's record
    QVERIFY(hub->mainDevice());
    QCOMPARE(hub->mainDevice()->name, QStringLiteral("Main"));
    QCOMPARE(hub->mainDeviceMac(), tubeMac);
    hub->setMainDevice(nullptr);
    QCOMPARE(hub->mainDevice(), nullptr);
    QCOMPARE(hub->mainDeviceMac(), tubeMac);
}

void TestQDeviceMachine::objectFromOtherSenderLeavesCounter()
{
    QSignalSpy changed(hub, &QDeviceMachine::objectChanged);
    hub->gotUDPPacket(objectLine(5)); // no main device yet: ignored, counter not stored
    const Device device(1, mainMac, "192.168.1.20", "1", "2", "Main");
    hub->setMainDevice(&device);
    hub->gotUDPPacket(objectLine(5));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<ulong>(), 11ul);
}

void TestQDeviceMachine::udpRoundTrip()
{
    delete hub;
    QDeviceMachine::setReceivePort(7112);
    hub = QDeviceMachine::instance();
    QCOMPARE(hub->receivePort(), quint16(7112));

    QSignalSpy logs(hub, &QDeviceMachine::logReceived);
    QSignalSpy lines(hub, &QDeviceMachine::udpPacketRecived);
    QUdpSocket board;
    const QByteArray both = (announceLine(2, 10) + "\r\n" + telemetryLine(1, 17)).toLatin1();
    board.writeDatagram(both.left(30), QHostAddress::LocalHost, 7112);
    board.writeDatagram(both.mid(30) + "\r\n", QHostAddress::LocalHost, 7112);
    QVERIFY(logs.wait(3000));
    QCOMPARE(lines.count(), 2);
    QCOMPARE(lines.at(0).at(0).toString(), announceLine(2, 10));
    QVERIFY(hub->deviceFor(2, tubeMac));
    QCOMPARE(logs.at(0).at(0).value<TBTubeLogData>().logId, 17);
}

QTEST_GUILESS_MAIN(TestQDeviceMachine)
#include "tst_qdevicemachine.moc"
