#include "udppacketdecoder.h"

#include <QtTest>

// The line grammar: every kind, the number forms, greedy texts and the conversions.
class TestUdpPacketDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void telemetryFloatForms();
    void telemetryElementCounts_data();
    void telemetryElementCounts();
};

namespace {

// e1..e31 of a telemetry packet from a tube board: MAC 00:04:a3:12:34:12, 192.168.1.20,
// brewing macro 998 for thermos 3, counter 17.
QStringList tubeNumbers()
{
    return {"4",    "163",  "18",    "13330",  "20", "1",         "168",  "192",
            "4",    "20.5", "90.25", "91.125", "85", "123.4",     "5.26", "250",
            "6.5",  "40",   "1800",  "998",    "1",  "1500",      "1500", "105",
            "1950", "194",  "3",     "7",      "12", "190918.01", "17"};
}

QString telemetry(const QStringList &numbers, const QString &lead = QStringLiteral("T"))
{
    return lead + QStringLiteral(":101:") + numbers.join(QLatin1Char(':')) + QStringLiteral(":$");
}

QString withNumber(int element, const QString &value, int count = 31)
{
    QStringList numbers = tubeNumbers().mid(0, count);
    numbers[element - 1] = value;
    return telemetry(numbers);
}

// One line of text per decoded packet, so that a table row states everything at once.
QString summary(const UdpPacket &p)
{
    switch (p.kind) {
    case UdpPacket::Kind::NoMatch:
        return QStringLiteral("none");
    case UdpPacket::Kind::ShortTelemetry:
        return QStringLiteral("short telemetry");
    case UdpPacket::Kind::Announce:
        return QStringLiteral("announce %1 %2 [%3] type %4 hw %5 sw %6 #%7")
            .arg(p.mac, p.ip, p.name)
            .arg(p.type)
            .arg(p.hw, p.sw)
            .arg(p.counter);
    case UdpPacket::Kind::ObjectValue:
        return QStringLiteral("object %1 id %2 value %3 #%4")
            .arg(p.mac)
            .arg(p.objectId)
            .arg(p.value)
            .arg(p.counter);
    case UdpPacket::Kind::Telemetry:
        return QStringLiteral("telemetry %1 %2 state %3 macro %4 ticks %5 #%6")
            .arg(p.mac, p.log.ipText())
            .arg(p.log.state)
            .arg(p.log.macro)
            .arg(p.log.flowTicksLiter)
            .arg(p.counter);
    case UdpPacket::Kind::BrewStart:
    case UdpPacket::Kind::BrewEnd:
        return QStringLiteral("%1 %2 thermos %3 time %4 [%5] [%6] #%7")
            .arg(p.kind == UdpPacket::Kind::BrewStart ? "start" : "end", p.mac)
            .arg(p.thermosId)
            .arg(p.time)
            .arg(p.recipe, p.name)
            .arg(p.counter);
    case UdpPacket::Kind::MacroLine:
        return QStringLiteral("macro %1 [%2]").arg(p.lineNumber).arg(p.text);
    }
    return QString();
}

const char *const announce = "@:1:0:4:163:18:52:20:1:168:192:1.0:2.3:\"Main board\":07:$";
const char *const object = "X:100:0:4:163:18:52:20:11:1:0:5:$";
const char *const brew = ":0:4:163:18:13330:3:194:\"r1;r2\":\"Morning\":9:$";

} // namespace

void TestUdpPacketDecoder::decode_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QString &line, const QString &expected) {
        QTest::newRow(name) << line << expected;
    };
    const QString full = QStringLiteral("telemetry 0004a3123412 192.168.1.20 state 4 macro 998 "
                                        "ticks 1950 #17");
    // Announce
    row("announce decoded", announce,
        "announce 0004a3120034 192.168.1.20 [Main board] type 1 hw 1.0 sw 2.3 #7");
    row("announce one-digit counter refused",
        "@:1:0:4:163:18:52:20:1:168:192:1.0:2.3:\"Main board\":7:$", "none");
    row("announce counter with fraction counts 0",
        "@:1:0:4:163:18:52:20:1:168:192:1:2:\"M\":1.2345:$",
        "announce 0004a3120034 192.168.1.20 [M] type 1 hw 1 sw 2 #0");
    row("announce name greedy over quotes and colons",
        "@:3:0:4:163:18:52:20:1:168:192:1:2:\"Tube \"A\":1\":12:$",
        "announce 0004a3120034 192.168.1.20 [Tube \"A\":1] type 3 hw 1 sw 2 #12");
    row("announce empty name refused", "@:1:0:4:163:18:52:20:1:168:192:1:2:\"\":12:$", "none");
    row("announce four decimals refused", "@:1:0:4:163:18:52:20:1:168:192:1.2345:2:\"M\":12:$",
        "none");
    row("announce eleven numbers refused", "@:1:0:4:163:18:52:20:1:168:192:1:\"M\":12:$", "none");
    row("announce without closing refused", "@:1:0:4:163:18:52:20:1:168:192:1:2:\"M\":12:", "none");
    row("announce with trailing blank refused", "@:1:0:4:163:18:52:20:1:168:192:1:2:\"M\":12:$ ",
        "none");
    row("announce signed and dotted numbers", "@:+2:0:4:163:18:52:20:1:168:192:1.:-2:\"M\":+1.5:$",
        "announce 0004a3120034 192.168.1.20 [M] type 2 hw 1. sw -2 #0");
    // Object value
    row("object decoded", object, "object 0004a3123414 id 11 value 1 #5");
    row("object led by any character", "@:100:0:4:163:18:52:20:11:1:0:5:$",
        "object 0004a3123414 id 11 value 1 #5");
    row("object nine numbers refused", "X:100:0:4:163:18:52:20:11:1:5:$", "none");
    row("object eleven numbers refused", "X:100:0:4:163:18:52:20:11:1:0:0:5:$", "none");
    row("object with two lead characters refused", "XY:100:0:4:163:18:52:20:11:1:0:5:$", "none");
    row("object largest unsigned value kept", "X:100:0:4:163:18:52:20:11:4294967295:0:5:$",
        "object 0004a3123414 id 11 value 4294967295 #5");
    row("object overflowing value counts 0", "X:100:0:4:163:18:52:20:11:4294967296:0:5:$",
        "object 0004a3123414 id 11 value 0 #5");
    row("object negative value counts 0", "X:100:0:4:163:18:52:20:11:-1:0:5:$",
        "object 0004a3123414 id 11 value 0 #5");
    // Telemetry
    row("telemetry 32 elements", telemetry(tubeNumbers()), full);
    row("telemetry led by any character", telemetry(tubeNumbers(), "\u00a4"), full);
    row("telemetry 27 numbers decoded", telemetry(tubeNumbers().mid(0, 27)),
        "telemetry 0004a3123412 192.168.1.20 state 4 macro 998 ticks 1950 #3");
    row("telemetry 26 numbers dropped", telemetry(tubeNumbers().mid(0, 26)), "short telemetry");
    row("short telemetry not taken for a macro line", "!:101:1:2:$", "short telemetry");
    row("telemetry four decimals refused", withNumber(10, "20.5555"), "none");
    row("telemetry empty field refused", withNumber(10, ""), "none");
    row("telemetry without numbers refused", "T:101:$", "none");
    row("telemetry integer with fraction counts 0", withNumber(20, "998.5"),
        "telemetry 0004a3123412 192.168.1.20 state 4 macro 0 ticks 1950 #17");
    row("telemetry overflowing integer counts 0", withNumber(25, "99999999999"),
        "telemetry 0004a3123412 192.168.1.20 state 4 macro 998 ticks 0 #17");
    row("telemetry state beyond 8 bits counts 0", withNumber(9, "260"),
        "telemetry 0004a3123412 192.168.1.20 state 0 macro 998 ticks 1950 #17");
    row("telemetry MAC byte beyond 255 wraps", withNumber(1, "70000"),
        "telemetry 1170a3123412 192.168.1.20 state 4 macro 998 ticks 1950 #17");
    // Brew start and end
    row("brew start decoded", QStringLiteral("+") + brew,
        "start 0004a3123412 thermos 3 time 194 [r1;r2] [Morning] #9");
    row("brew end decoded", QStringLiteral("-") + brew,
        "end 0004a3123412 thermos 3 time 194 [r1;r2] [Morning] #9");
    row("brew recipe greedy up to last separator", "+:0:4:163:18:13330:3:194:\"a\":\"b\":\"c\":9:$",
        "start 0004a3123412 thermos 3 time 194 [a\":\"b] [c] #9");
    row("brew with one text refused", "+:0:4:163:18:13330:3:194:\"a\":9:$", "none");
    row("brew with six numbers refused", "+:0:4:163:18:13330:3:\"a\":\"b\":9:$", "none");
    row("brew with empty name refused", "+:0:4:163:18:13330:3:194:\"a\":\"\":9:$", "none");
    row("brew led by other character refused", QStringLiteral("*") + brew, "none");
    // Macro lines
    row("macro line", "!:0:LOOP 5:0:$", "macro 0 [LOOP 5]");
    row("macro line inside the line", "xyz!:3:text:12:$", "macro 3 [text]");
    row("macro text keeps colons", "!:1:a:b:c:12:$", "macro 1 [a:b:c]");
    row("macro text may be empty", "!:1::0:$", "macro 1 []");
    row("macro number with fraction counts 0", "!:1.5:t:0:$", "macro 0 [t]");
    row("macro leftmost usable mark wins", "!x!:4:t:0:$", "macro 4 [t]");
    row("macro later mark stays text", "!:2:say !:3:x:0:$", "macro 2 [say !:3:x]");
    row("macro last number with four decimals refused", "!:1:t:0.1234:$", "none");
    row("macro without text separator refused", "!:5:$", "none");
    // Nothing
    row("empty line", "", "none");
    row("closing alone", ":$", "none");
    row("console chatter", "hello board", "none");
}

void TestUdpPacketDecoder::decode()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(summary(UdpPacketDecoder::decode(line)), expected);
}

// Every field's place in the record is checked by the monitor's exact JSON of a telemetry
// line; here the number forms a float field takes.
void TestUdpPacketDecoder::telemetryFloatForms()
{
    QStringList numbers = tubeNumbers();
    numbers[9] = QStringLiteral("-0.5");
    numbers[10] = QStringLiteral("+7.");
    numbers[11] = QLatin1String("1") + QString(40, QLatin1Char('0')); // beyond float
    numbers[12] = QStringLiteral("1234567890123456789.125");
    const TBTubeLogData odd = UdpPacketDecoder::decode(telemetry(numbers)).log;
    QCOMPARE(odd.tempIn, -0.5f);
    QCOMPARE(odd.tempH1, 7.0f);
    QCOMPARE(odd.tempH2, 0.0f);
    QCOMPARE(odd.tempHat, 1234567890123456789.125f);
}

void TestUdpPacketDecoder::telemetryElementCounts_data()
{
    QTest::addColumn<int>("numbers");
    QTest::addColumn<int>("eta");
    QTest::addColumn<QString>("swId");
    QTest::addColumn<int>("logId");

    QTest::newRow("28 elements: counter only") << 27 << 0 << QString() << 3;
    QTest::newRow("30 elements: aux and ids not carried") << 29 << 0 << QString() << 12;
    QTest::newRow("31 elements: swId is the counter") << 30 << 194 << "190918.01" << 0;
    QTest::newRow("32 elements: own counter") << 31 << 194 << "190918.01" << 17;
}

void TestUdpPacketDecoder::telemetryElementCounts()
{
    QFETCH(int, numbers);
    QFETCH(int, eta);
    QFETCH(QString, swId);
    QFETCH(int, logId);
    const UdpPacket p = UdpPacketDecoder::decode(telemetry(tubeNumbers().mid(0, numbers)));
    QCOMPARE(p.kind, UdpPacket::Kind::Telemetry);
    QCOMPARE(p.log.eta, eta);
    QCOMPARE(p.log.thermosId, eta ? 3 : 0);
    QCOMPARE(p.log.aux, eta ? 7 : 0);
    QCOMPARE(p.log.hwId, eta ? QStringLiteral("12") : QString());
    QCOMPARE(p.log.swId, swId);
    QCOMPARE(p.log.logId, logId);
    QCOMPARE(p.counter, logId);
}

QTEST_APPLESS_MAIN(TestUdpPacketDecoder)
#include "tst_udppacketdecoder.moc"
