#include "qdevicemachine.h"
#include "thermosmachine.h"

#include <QtTest>

// Thermos brew tracking on a clock the test moves, so no test waits for a deadline.
class TestThermosMachine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void textsAfterOneEvent_data();
    void textsAfterOneEvent();
    void freshThermosHasNoData();
    void brewEndKeepsStartTexts();
    void brewEndWithoutStart();
    void dueThermosBrewsAgain();
    void spareAndNegativeIds();
    void instanceFollowsRegistry();

private:
    QDateTime current;
    std::unique_ptr<ThermosMachine> machine;
};

namespace {
const QString guid = QStringLiteral("0004a3123412");
const QDateTime brewTime(QDate(2024, 5, 1), QTime(14, 28), Qt::LocalTime);
} // namespace

void TestThermosMachine::init()
{
    current = brewTime;
    machine = std::make_unique<ThermosMachine>([this] { return current; });
}

void TestThermosMachine::textsAfterOneEvent_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("value");
    QTest::addColumn<qint64>("laterMs");
    QTest::addColumn<QString>("shown"); // state|time text|color|start text
    const auto row = [](const char *name, const char *event, int value, qint64 laterMs,
                        const char *shown) {
        QTest::newRow(name) << event << value << laterMs << shown;
    };
    row("brew start at once", "start", 194, 0,
        "1|Brewtime left:03m 14s|color:blue;|Brewstart: 14:28");
    row("brew start seconds round down", "start", 194, 1,
        "1|Brewtime left:03m 13s|color:blue;|Brewstart: 14:28");
    row("brewing past the deadline stays brewing", "start", 194, 200000,
        "1|Brewtime left:00m 00s|color:blue;|Brewstart: 14:28");
    row("brewing minutes not folded into hours", "start", 75 * 60, 0,
        "1|Brewtime left:75m 00s|color:blue;|Brewstart: 14:28");
    row("brew end minutes round down", "end", 25, 1,
        "2|Rebrew in:00h 24m|color:green;|Brewtime: 14:28");
    row("brew end in hours and minutes", "end", 150, 1,
        "2|Rebrew in:02h 29m|color:green;|Brewtime: 14:28");
    row("rebrew due once the timer ran out", "end", 25, 25 * 60000,
        "3|Rebrew in:00m 00s|color:red;|Brewtime: 14:28");
    row("ping without start shows brewing", "ping", 60, 0,
        "1|Brewtime left:01m 00s|color:blue;|Brewstart: ");
}

void TestThermosMachine::textsAfterOneEvent()
{
    QFETCH(QString, event);
    QFETCH(int, value);
    QFETCH(qint64, laterMs);
    QFETCH(QString, shown);
    if (event == QLatin1String("start"))
        machine->brewStart(guid, "Morning", "r", 3, value);
    else if (event == QLatin1String("end"))
        machine->brewEnd(guid, "Morning", "r", 3, value);
    else
        machine->brewPing(guid, 3, value);
    current = brewTime.addMSecs(laterMs);
    ThermosRecord *t = machine->thermos(3);
    const QString time = t->timeText(); // reading the time moves a due thermos on
    QCOMPARE(QStringLiteral("%1|%2|%3|%4").arg(t->state).arg(time, t->colorStyle(), t->startText()),
             shown);
    QVERIFY(t->hasData());
}

void TestThermosMachine::freshThermosHasNoData()
{
    ThermosRecord *t = machine->thermos(5);
    QCOMPARE(QStringList({t->idText(), t->timeText(), t->startText(), t->nameText(), t->guidText(),
                          t->colorStyle()}),
             QStringList({"5", "No data", "No data", "No data", "No data", "color:gray;"}));
    QVERIFY(!t->hasData());
}

void TestThermosMachine::brewEndKeepsStartTexts()
{
    machine->brewStart(guid, "Morning", "recipe 1", 2, 194);
    current = brewTime.addSecs(3 * 60);
    machine->brewEnd("00112233aabb", "Other", "recipe 2", 2, 25);
    ThermosRecord *t = machine->thermos(2);
    QCOMPARE(t->startText(), QStringLiteral("Brewtime: 14:31"));
    QCOMPARE(t->nameText(), QStringLiteral("Morning"));
    QCOMPARE(t->guidText(), guid);
    QCOMPARE(t->recipe, QStringLiteral("recipe 2"));
    QCOMPARE(t->started, current.toMSecsSinceEpoch());
    QCOMPARE(t->deadline, current.addSecs(25 * 60).toMSecsSinceEpoch());
}

void TestThermosMachine::brewEndWithoutStart()
{
    machine->brewEnd(guid, "Morning", "r", 4, 25);
    ThermosRecord *t = machine->thermos(4);
    QCOMPARE(t->state, int(ThermosRecord::Brewed));
    QCOMPARE(t->nameText(), QString());
    QCOMPARE(t->guidText(), QString());
}

void TestThermosMachine::dueThermosBrewsAgain()
{
    machine->brewEnd(guid, "Morning", "r", 1, 1);
    current = brewTime.addSecs(61);
    ThermosRecord *t = machine->thermos(1);
    QCOMPARE(t->timeText(), QStringLiteral("Rebrew in:00m 00s"));
    QCOMPARE(t->state, int(ThermosRecord::RebrewDue));
    machine->brewPing(guid, 1, 30);
    QCOMPARE(t->state, int(ThermosRecord::Brewing));
    QCOMPARE(t->timeText(), QStringLiteral("Brewtime left:00m 30s"));
}

void TestThermosMachine::spareAndNegativeIds()
{
    QVERIFY(!machine->hasChanges());
    machine->brewStart(guid, "Nine", "r", 9, 60);
    QCOMPARE(machine->thermos(0)->nameText(), QStringLiteral("Nine"));
    QCOMPARE(machine->thermos(0)->idText(), QStringLiteral("1"));
    QCOMPARE(machine->thermos(12), machine->thermos(0));
    QVERIFY(!machine->thermos(1)->hasData());
    machine->brewStart(guid, "Zero", "r", 0, 60);
    QCOMPARE(machine->thermos(9)->nameText(), QStringLiteral("Zero"));

    QCOMPARE(machine->thermos(-1), nullptr);
    QVERIFY(machine->hasChanges());
    machine->brewStart(guid, "Negative", "r", -1, 60);
    machine->brewPing(guid, -2, 60);
    machine->brewEnd(guid, "Negative", "r", -3, 60);
    QVERIFY(!machine->hasChanges());
}

void TestThermosMachine::instanceFollowsRegistry()
{
    QDeviceMachine::setReceivePort(std::nullopt);
    QDeviceMachine *hub = QDeviceMachine::instance();
    ThermosMachine *thermos = ThermosMachine::instance();
    QCOMPARE(ThermosMachine::existingInstance(), thermos);
    hub->gotUDPPacket("+:0:4:163:18:13330:3:194:\"r\":\"Morning\":9:$");
    QCOMPARE(thermos->thermos(3)->nameText(), QStringLiteral("Morning"));
    QCOMPARE(thermos->thermos(3)->guidText(), guid);
    hub->gotUDPPacket("T:101:4:163:18:13330:20:1:168:192:4:20.5:90:91:85:123.4:5.26:250:6.5:"
                      "40:1800:998:1:1500:1500:105:1950:30:3:7:12:19:10:$");
    QCOMPARE(thermos->thermos(3)->state, int(ThermosRecord::Brewing));
    QVERIFY(thermos->thermos(3)->timeText().startsWith(QLatin1String("Brewtime left:00m ")));
    hub->gotUDPPacket("-:0:4:163:18:13330:3:25:\"r2\":\"Morning\":11:$");
    QCOMPARE(thermos->thermos(3)->state, int(ThermosRecord::Brewed));
    QCOMPARE(thermos->thermos(3)->recipe, QStringLiteral("r2"));
    delete thermos;
    delete hub;
}

QTEST_GUILESS_MAIN(TestThermosMachine)
#include "tst_thermosmachine.moc"
