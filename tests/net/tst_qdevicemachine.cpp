#include "qdevicemachine.h"
#include "thermosmachine.h"
#include "udplines.h"

#include <QtTest>

using namespace UdpLines;

namespace {
// Every emission of signal as one entry of events: its name, then its arguments as text.
template<typename... Args>
void record(QDeviceMachine *hub, void (QDeviceMachine::*signal)(Args...), const char *name,
            QStringList *events)
{
    QObject::connect(hub, signal, [events, name](Args... args) {
        QStringList entry{QLatin1String(name)};
        (entry << ... << QVariant::fromValue(args).toString());
        *events << entry.join(' ');
    });
}
} // namespace

// The registry as the main window uses it: signals per line, per-sender counters, macro
// text, and the device table through announces and lookups; and the thermos brew tracking
// that follows it, on a clock the test moves. Lines come by gotUDPPacket; the receiver's
// wiring is seen by the window's telemetry run on the simulated board.
class TestQDeviceMachine : public QObject
{
    Q_OBJECT

    QDeviceMachine *hub = nullptr;
    QStringList events;
    const QDateTime brewTime{QDate(2024, 5, 1), QTime(14, 28), Qt::LocalTime};
    QDateTime current;
    std::unique_ptr<ThermosMachine> machine;

private slots:
    void init()
    {
        QDeviceMachine::setReceivePort(std::nullopt);
        hub = QDeviceMachine::instance();
        events.clear();
        current = brewTime;
        machine = std::make_unique<ThermosMachine>([this] { return current; });
        connect(hub, &QDeviceMachine::udpPacketRecived, this, [this] { events << "udp"; });
        record(hub, &QDeviceMachine::seenDevice, "seenDevice", &events);
        record(hub, &QDeviceMachine::objectChanged, "objectChanged", &events);
        record(hub, &QDeviceMachine::brewPing, "brewPing", &events);
        record(hub, &QDeviceMachine::brewStart, "brewStart", &events);
        record(hub, &QDeviceMachine::brewEnd, "brewEnd", &events);
        connect(hub, &QDeviceMachine::logReceived, this, [this](TBTubeLogData d) {
            events << QStringLiteral("logReceived %1 #%2").arg(d.macText()).arg(d.logId);
        });
    }

    void cleanup()
    {
        delete hub;
        QCOMPARE(QDeviceMachine::existingInstance(), nullptr);
        QDeviceMachine::setReceivePort(7112);
    }

    void signalsForLines_data()
    {
        QTest::addColumn<QString>("main");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        const QString seen = "seenDevice 0004a3123412 192.168.1.20 Tube 2 1.0 2.3";
        const QString log17 = "logReceived 0004a3123412 #17";
        const QString ping = "brewPing 0004a3123412 3 194";
        const QString idle = telemetry(20, "1"); // counter 17, no brew
        const auto row = [](const char *name, const QString &main, const QStringList &lines,
                            const QStringList &expected) {
            QTest::newRow(name) << main << lines << expected;
        };
        row("unmatched line still reported", {}, {"hello"}, {"udp"});
        row("three repeats: handled, dropped, handled", {}, {idle, idle, idle},
            {"udp", log17, "udp", "udp", log17});
        row("first packet with counter 0 dropped", {}, {telemetry(31, "0")}, {"udp"});
        row("counter shared by the kinds of one sender", {}, {announce(2, 17), idle},
            {"udp", seen, "udp"});
        row("brew macro 998 pings before the log", {}, {telemetry()}, {"udp", ping, log17});
        row("brew macro 997 pings too", {}, {telemetry(20, "997")}, {"udp", ping, log17});
        row("brew start and end", {}, {brew('+', 4), brew('-', 5)},
            {"udp", "brewStart 0004a3123412 Morning r 3 194", "udp",
             "brewEnd 0004a3123412 Morning r 3 194"});
        row("object of the main device", mainMac, {object(5)}, {"udp", "objectChanged 11 1"});
        row("object without main device ignored", {}, {object(5)}, {"udp"});
        row("object of another board ignored, its counter untouched", mainMac,
            {object(9, false), announce(2, 9)}, {"udp", "udp", seen});
        row("short telemetry dropped", {}, {telemetry(1, "4", 26)}, {"udp"});
    }

    void signalsForLines()
    {
        QFETCH(QString, main);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        const Device device(1, main, "192.168.1.20", "1", "2", "Main");
        hub->setMainDevice(main.isEmpty() ? nullptr : &device);
        for (const QString &line : qAsConst(lines))
            hub->gotUDPPacket(line);
        QCOMPARE(events, expected);
    }

    void macroText_data()
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

    void macroText()
    {
        QFETCH(QString, lines);
        QFETCH(QStringList, macros);
        QSignalSpy spy(hub, &QDeviceMachine::macroRecived);
        for (const QString &line : lines.split('|'))
            hub->gotUDPPacket(macroLine(line.section(':', 0, 0).toInt(), line.section(':', 1)));
        QStringList got;
        for (const QList<QVariant> &macro : spy)
            got << macro.at(0).toString();
        QCOMPARE(got, macros);
    }

    void macroTextBounded()
    {
        QSignalSpy spy(hub, &QDeviceMachine::macroRecived);
        hub->gotUDPPacket(macroLine(0, "first"));
        for (int n = 1; n < QDeviceMachine::kLastMacroLine; ++n)
            hub->gotUDPPacket(macroLine(n, QString(2000, 'x')));
        hub->gotUDPPacket(macroLine(255, "last"));
        QCOMPARE(spy.count(), 1);
        const QString macro = spy.at(0).at(0).toString();
        QVERIFY(macro.size() <= QDeviceMachine::kMaxMacroText);
        QVERIFY(macro.startsWith(QLatin1String("first\r\n")));
    }

    void announceDuringAndAfterLookup()
    {
        QSignalSpy added(hub, &QDeviceMachine::newDevice);
        QSignalSpy done(hub, &QDeviceMachine::lookupDone);
        QElapsedTimer clock;
        clock.start();
        hub->lookup(255);
        hub->gotUDPPacket(announce(2, 10));
        QVERIFY(hub->deviceFor(2, tubeMac));
        QCOMPARE(added.count(), 0);
        QVERIFY(done.wait(3000));
        QVERIFY(clock.elapsed() >= 950);
        QCOMPARE(done.count(), 1);
        hub->gotUDPPacket(announce(2, 11, "Renamed"));
        QCOMPARE(added.count(), 1);
        QCOMPARE(added.at(0).at(0).value<Device *>(), hub->deviceFor(2, tubeMac));
        QCOMPARE(hub->deviceFor(2, tubeMac)->name, QStringLiteral("Renamed"));
        hub->lookup(255); // empties the registry at once
        QVERIFY(hub->registry().isEmpty());
        QVERIFY(done.wait(3000));
    }

    void registryKeepsOneRecordPerTypeAndMac()
    {
        hub->gotUDPPacket(announce(2, 10, "First"));
        hub->gotUDPPacket("@:2:0:4:163:18:13330:21:1:168:192:1.1:2.4:\"Second\":11:$");
        hub->gotUDPPacket(announce(3, 12, "Spider"));
        QCOMPARE(hub->devicesOfType(2)->size(), 1);
        const Device *d = hub->deviceFor(2, tubeMac);
        QCOMPARE(QStringList({d->name, d->ip, d->hw, d->sw, QString::number(d->state), d->extra}),
                 QStringList({"Second", "192.168.1.21", "1.1", "2.4", "255", ""}));
        QCOMPARE(hub->deviceName(3, tubeMac), QStringLiteral("Spider"));
        hub->clearType(2);
        QCOMPARE(hub->deviceFor(2, tubeMac), nullptr);
        QVERIFY(hub->deviceFor(3, tubeMac));
        QCOMPARE(hub->deviceName(2, tubeMac), tubeMac); // unknown devices go by their MAC
        QCOMPARE(hub->devicesOfType(7), nullptr);
    }

    // A plant network with more boards than the registry keeps: the board not seen for the
    // longest time makes room, whatever its turn of first announcing.
    void registryBoundedDroppingTheLongestUnseen()
    {
        const auto board = [this](int n, int counter = 10) {
            hub->gotUDPPacket(QStringLiteral("@:2:0:4:163:18:%1:20:1:168:192:1:2:\"B\":%2:$")
                                  .arg(n)
                                  .arg(counter));
            return hub->deviceFor(2, QStringLiteral("0004a312%1").arg(n, 4, 16, QLatin1Char('0')));
        };
        for (int n = 0; n < QDeviceMachine::kMaxDevices; ++n)
            board(n);
        board(0, 11); // seen again
        QSignalSpy dropped(hub, &QDeviceMachine::deviceDropped);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("dropping .*0004a3120001"));
        QVERIFY(board(QDeviceMachine::kMaxDevices));
        QCOMPARE(dropped.size(), 1); // the menu lets its entry go too
        QCOMPARE(dropped.at(0), (QList<QVariant>{2, "0004a3120001"}));
        QCOMPARE(hub->devicesOfType(2)->size(), QDeviceMachine::kMaxDevices);
        QVERIFY(hub->deviceFor(2, "0004a3120000"));
        QCOMPARE(hub->deviceFor(2, "0004a3120001"), nullptr);
    }

    void mainDeviceIsACopy()
    {
        hub->gotUDPPacket(announce(1, 10, "Main"));
        hub->setMainDevice(hub->deviceFor(1, tubeMac));
        hub->gotUDPPacket(announce(1, 11, "Main again")); // destroys the registry's record
        QCOMPARE(hub->mainDevice()->name, QStringLiteral("Main"));
        hub->setMainDevice(nullptr);
        QCOMPARE(hub->mainDevice(), nullptr);
        QCOMPARE(hub->mainDeviceMac(), tubeMac);
    }

    // One row per rule. Brew starts come from the tube board as "Morning", brew ends from
    // another board as "Other", which the texts of a started brew keep.
    void textsAfterEvents_data()
    {
        QTest::addColumn<QString>("events"); // "start S|end MINUTES|ping S|wait MS|time|..."
        QTest::addColumn<QString>("shown");  // state|time text|color|start text|name|guid
        const auto row = [](const char *name, const char *events, const char *shown) {
            QTest::newRow(name) << events << shown;
        };
        row("nothing yet", "", "0|No data|color:gray;|No data|No data|No data");
        row("brewing, seconds round down", "start 194|wait 1",
            "1|Brewtime left:03m 13s|color:blue;|Brewstart: 14:28|Morning|0004a3123412");
        row("brewing past the deadline stays brewing", "start 194|wait 200000",
            "1|Brewtime left:00m 00s|color:blue;|Brewstart: 14:28|Morning|0004a3123412");
        row("brewing minutes not folded into hours", "start 4500",
            "1|Brewtime left:75m 00s|color:blue;|Brewstart: 14:28|Morning|0004a3123412");
        row("brewed, in hours and minutes rounded down, no name without a start", "end 150|wait 1",
            "2|Rebrew in:02h 29m|color:green;|Brewtime: 14:28||");
        row("brewed keeps the start's texts", "start 194|wait 180000|end 25",
            "2|Rebrew in:00h 25m|color:green;|Brewtime: 14:31|Morning|0004a3123412");
        row("rebrew due once the timer ran out", "end 25|wait 1500000",
            "3|Rebrew in:00m 00s|color:red;|Brewtime: 14:28||");
        row("ping without start shows brewing", "ping 60",
            "1|Brewtime left:01m 00s|color:blue;|Brewstart: ||");
        row("due thermos brews again on a ping", "end 1|wait 61000|time|ping 30",
            "1|Brewtime left:00m 30s|color:blue;|Brewstart: 14:28||");
    }

    void textsAfterEvents()
    {
        QFETCH(QString, events);
        QFETCH(QString, shown);
        ThermosRecord *t = machine->thermos(3);
        for (const QString &event : events.split('|', Qt::SkipEmptyParts)) {
            const QString verb = event.section(' ', 0, 0);
            const int value = event.section(' ', 1).toInt();
            if (verb == "start")
                machine->brewStart(tubeMac, "Morning", "r", 3, value);
            else if (verb == "end")
                machine->brewEnd("00112233aabb", "Other", "r", 3, value);
            else if (verb == "ping")
                machine->brewPing(tubeMac, 3, value);
            else if (verb == "wait")
                current = current.addMSecs(value);
            else
                t->timeText(); // reading the time moves a due thermos on
        }
        const QString time = t->timeText();
        QCOMPARE(QStringList({QString::number(t->state), time, t->colorStyle(), t->startText(),
                              t->nameText(), t->guidText()})
                     .join('|'),
                 shown);
    }

    void spareAndNegativeIds()
    {
        QVERIFY(!machine->hasChanges());
        machine->brewStart(tubeMac, "Nine", "r", 9, 60);
        QCOMPARE(machine->thermos(0)->nameText(), QStringLiteral("Nine"));
        QCOMPARE(machine->thermos(0)->idText(), QStringLiteral("1"));
        QCOMPARE(machine->thermos(12), machine->thermos(0));
        QVERIFY(!machine->thermos(1)->hasData());
        QCOMPARE(machine->thermos(-1), nullptr);
        QVERIFY(machine->hasChanges());
        machine->brewStart(tubeMac, "Negative", "r", -1, 60);
        machine->brewPing(tubeMac, -2, 60);
        machine->brewEnd(tubeMac, "Negative", "r", -3, 60);
        QVERIFY(!machine->hasChanges());
    }

    void instanceFollowsRegistry()
    {
        std::unique_ptr<ThermosMachine> thermos(ThermosMachine::instance());
        QCOMPARE(ThermosMachine::existingInstance(), thermos.get());
        ThermosRecord *t = thermos->thermos(3);
        hub->gotUDPPacket(brew('+', 9));
        QCOMPARE(t->nameText(), QStringLiteral("Morning"));
        hub->gotUDPPacket(brew('-', 10));
        QCOMPARE(t->state, int(ThermosRecord::Brewed));
        hub->gotUDPPacket(telemetry(31, "11")); // the brew ping
        QCOMPARE(t->state, int(ThermosRecord::Brewing));
    }
};

QTEST_GUILESS_MAIN(TestQDeviceMachine)
#include "tst_qdevicemachine.moc"
