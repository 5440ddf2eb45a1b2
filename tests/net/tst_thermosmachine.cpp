#include "qdevicemachine.h"
#include "thermosmachine.h"
#include "udplines.h"

#include <QtTest>

// Thermos brew tracking on a clock the test moves, so no test waits for a deadline.
class TestThermosMachine : public QObject
{
    Q_OBJECT

    const QDateTime brewTime{QDate(2024, 5, 1), QTime(14, 28), Qt::LocalTime};
    QDateTime current;
    std::unique_ptr<ThermosMachine> machine;

private slots:
    void init()
    {
        current = brewTime;
        machine = std::make_unique<ThermosMachine>([this] { return current; });
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
                machine->brewStart(UdpLines::tubeMac, "Morning", "r", 3, value);
            else if (verb == "end")
                machine->brewEnd("00112233aabb", "Other", "r", 3, value);
            else if (verb == "ping")
                machine->brewPing(UdpLines::tubeMac, 3, value);
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
        machine->brewStart(UdpLines::tubeMac, "Nine", "r", 9, 60);
        QCOMPARE(machine->thermos(0)->nameText(), QStringLiteral("Nine"));
        QCOMPARE(machine->thermos(0)->idText(), QStringLiteral("1"));
        QCOMPARE(machine->thermos(12), machine->thermos(0));
        QVERIFY(!machine->thermos(1)->hasData());
        QCOMPARE(machine->thermos(-1), nullptr);
        QVERIFY(machine->hasChanges());
        machine->brewStart(UdpLines::tubeMac, "Negative", "r", -1, 60);
        machine->brewPing(UdpLines::tubeMac, -2, 60);
        machine->brewEnd(UdpLines::tubeMac, "Negative", "r", -3, 60);
        QVERIFY(!machine->hasChanges());
    }

    void instanceFollowsRegistry()
    {
        QDeviceMachine::setReceivePort(std::nullopt);
        std::unique_ptr<QDeviceMachine> hub(QDeviceMachine::instance());
        std::unique_ptr<ThermosMachine> thermos(ThermosMachine::instance());
        QCOMPARE(ThermosMachine::existingInstance(), thermos.get());
        ThermosRecord *t = thermos->thermos(3);
        hub->gotUDPPacket(UdpLines::brew('+', 9));
        QCOMPARE(t->nameText(), QStringLiteral("Morning"));
        hub->gotUDPPacket(UdpLines::brew('-', 10));
        QCOMPARE(t->state, int(ThermosRecord::Brewed));
        hub->gotUDPPacket(UdpLines::telemetry(31, "11")); // the brew ping
        QCOMPARE(t->state, int(ThermosRecord::Brewing));
    }
};

QTEST_GUILESS_MAIN(TestThermosMachine)
#include "tst_thermosmachine.moc"
