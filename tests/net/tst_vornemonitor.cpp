#include "devicemonitor.h"
#include "qdevicemachine.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

// The monitor's output: exact JSON per packet kind, CSV, and the program on stdin and UDP.
class TestVorneMonitor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void json_data();
    void json();
    void csvIsTelemetryOnly();
    void programReplaysStandardInput();
    void programListensOnPort();
    void programReportsTakenPort();

private:
    QString output(DeviceMonitor::Format format, bool raw, const QStringList &lines);

    QDeviceMachine *hub = nullptr;
};

namespace {

const QString monitorPath = QStringLiteral(VORNE_BIN_DIR "/vorne-monitor");
const QDateTime fixedTime(QDate(2024, 5, 1), QTime(14, 28, 3, 123), Qt::OffsetFromUTC, 7200);
const QString stamp = QStringLiteral("\"time\":\"2024-05-01T14:28:03.123+02:00\"");

const QString announce = QStringLiteral("@:1:0:4:163:18:52:20:1:168:192:1.0:2.3:\"Main\":07:$");
const QString object = QStringLiteral("X:100:0:4:163:18:52:20:11:1:0:5:$");
const QString telemetry =
    QStringLiteral("T:101:4:163:18:13330:20:1:168:192:4:20.5:90:91:85:123.4:5.26:250:6.5:40:"
                   "1800:998:1:1500:1500:105:1950:194:3:7:12:19:17:$");
// One line of the monitor's JSON: the event's name, the fixed time, then its fields.
QString jsonLine(const char *name, const QString &fields)
{
    return QStringLiteral("{\"event\":\"%1\",%2,%3}\n").arg(QLatin1String(name), stamp, fields);
}

// Lines that must print nothing: no kind, a repeat, a too-short telemetry, a lone macro line.
const QStringList silentLines = {"hello", "@:1:0:4:163:18:52:20:1:168:192:1.0:2.3:\"Main\":7:$",
                                 "T:101:1:2:3:$", "X:101:4:163:18:13330:20:1:168:192:4:20.5555:$",
                                 "!:0:LOOP:0:$"};

} // namespace

void TestVorneMonitor::init()
{
    QDeviceMachine::setReceivePort(std::nullopt);
    hub = QDeviceMachine::instance();
    const Device mainDevice(1, QStringLiteral("0004a3123414"), "", "", "", "");
    hub->setMainDevice(&mainDevice);
}

void TestVorneMonitor::cleanup()
{
    delete hub;
}

QString TestVorneMonitor::output(DeviceMonitor::Format format, bool raw, const QStringList &lines)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const DeviceMonitor monitor(hub, &buffer, format, raw, [] { return fixedTime; });
    for (const QString &line : lines)
        hub->gotUDPPacket(line);
    return QString::fromUtf8(buffer.data());
}

void TestVorneMonitor::json_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QStringList &lines, bool raw,
                        const QString &expected) {
        QTest::newRow(name) << lines << raw << expected;
    };
    const QString objectJson = jsonLine("objectChanged", "\"objjId\":11,\"value\":1");
    row("announce", {announce}, false,
        jsonLine("seenDevice", "\"mac\":\"0004a3120034\",\"ip\":\"192.168.1.20\",\"name\":\"Main\","
                               "\"type\":1,\"hw\":\"1.0\",\"sw\":\"2.3\""));
    row("object of the main device", {object}, false, objectJson);
    row("brew telemetry pings, then logs every field", {telemetry}, false,
        jsonLine("brewPing", "\"guid\":\"0004a3123412\",\"thermosId\":3,\"est_time_left\":194") +
            jsonLine("logReceived",
                     "\"macHigh\":303890,\"macLow\":13330,\"ip\":335653056,\"state\":4,"
                     "\"tempIn\":20.5,\"tempH1\":90,\"tempH2\":91,\"tempHat\":85,\"currVol\":123.4,"
                     "\"currFlow\":5.26,\"targVol\":250,\"targFlow\":6.5,\"percent\":40,"
                     "\"power\":1800,\"macro\":998,\"activeMacroCount\":1,\"setPowerH1\":1500,"
                     "\"setPowerH2\":1500,\"setOverHeat\":105,\"flowTicksLiter\":1950,\"eta\":194,"
                     "\"thermosId\":3,\"aux\":7,\"hwId\":\"12\",\"swId\":\"19\",\"logId\":17,"
                     "\"macText\":\"0004a3123412\",\"ipText\":\"192.168.1.20\""));
    row("brew start with quotes in the name",
        {"+:0:4:163:18:13330:3:194:\"r\\1\":\"A \"B\"\t\":9:$"}, false,
        jsonLine("brewStart", "\"guid\":\"0004a3123412\",\"name\":\"A \\\"B\\\"\\t\","
                              "\"recipestring\":\"r\\\\1\",\"thermosId\":3,\"est_time_left\":194"));
    row("brew end", {"-:0:4:163:18:13330:3:25:\"r\":\"M\":9:$"}, false,
        jsonLine("brewEnd", "\"guid\":\"0004a3123412\",\"name\":\"M\",\"recipestring\":\"r\","
                            "\"thermosId\":3,\"thermosTimer\":25"));
    row("macro text with line ends", {"!:0:LOOP \u00e9:0:$", "!:255:END:0:$"}, false,
        jsonLine("macroRecived", QString::fromUtf8("\"macro\":\"LOOP \u00e9\\r\\nEND\\r\\n\"")));
    row("raw line before its event", {object}, true,
        jsonLine("udpPacketRecived", "\"packet\":\"" + object + "\"") + objectJson);
    row("raw line with control character", {"a\u0001b"}, true,
        jsonLine("udpPacketRecived", "\"packet\":\"a\\u0001b\""));
    row("nothing for lines that match nothing", silentLines, false, QString());
}

void TestVorneMonitor::json()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, raw);
    QFETCH(QString, expected);
    QCOMPARE(output(DeviceMonitor::Format::Json, raw, lines), expected);
}

void TestVorneMonitor::csvIsTelemetryOnly()
{
    QCOMPARE(
        output(DeviceMonitor::Format::Csv, true, {announce, object, telemetry, "!:255:END:0:$"}),
        QStringLiteral(
            "time,macHigh,macLow,ip,state,tempIn,tempH1,tempH2,tempHat,currVol,currFlow,targVol,"
            "targFlow,percent,power,macro,activeMacroCount,setPowerH1,setPowerH2,setOverHeat,"
            "flowTicksLiter,eta,thermosId,aux,hwId,swId,logId,macText,ipText\n"
            "2024-05-01T14:28:03.123+02:00,303890,13330,335653056,4,20.5,90,91,85,123.4,5.26,250,"
            "6.5,40,1800,998,1,1500,1500,105,1950,194,3,7,12,19,17,0004a3123412,192.168.1.20\n"));
}

void TestVorneMonitor::programReplaysStandardInput()
{
    QProcess monitor;
    monitor.start(monitorPath, {"--stdin", "--main-mac", "00:04:A3:12:34:14"});
    QVERIFY(monitor.waitForStarted());
    QStringList input = silentLines;
    input << announce << object << telemetry << "+:0:4:163:18:13330:3:194:\"r\":\"M\":9:$"
          << "-:0:4:163:18:13330:3:25:\"r\":\"M\":10:$"
          << "!:0:A:0:$"
          << "!:255:B:0:$";
    monitor.write((input.join("\r\n") + "\r\n").toUtf8());
    monitor.closeWriteChannel();
    QVERIFY(monitor.waitForFinished(10000));
    QCOMPARE(monitor.exitCode(), 0);

    const QList<QByteArray> lines = monitor.readAllStandardOutput().split('\n');
    QStringList events;
    const QRegularExpression iso(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"));
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const QJsonObject json = QJsonDocument::fromJson(line).object();
        QVERIFY2(iso.match(json.value("time").toString()).hasMatch(), line.constData());
        events << json.value("event").toString();
    }
    QCOMPARE(events, (QStringList{"seenDevice", "objectChanged", "brewPing", "logReceived",
                                  "brewStart", "brewEnd", "macroRecived"}));
}

void TestVorneMonitor::programListensOnPort()
{
    QProcess monitor;
    monitor.start(monitorPath, {"--port", "7211", "--raw"});
    QVERIFY(monitor.waitForStarted());
    // The program binds some time after it started: send until the first line comes back.
    QUdpSocket board;
    QTimer resend;
    connect(&resend, &QTimer::timeout, this,
            [&board] { board.writeDatagram("hello\r\n", QHostAddress::LocalHost, 7211); });
    resend.start(100);
    QSignalSpy printed(&monitor, &QProcess::readyReadStandardOutput);
    QVERIFY(printed.wait(10000));
    resend.stop();
    const QJsonObject json = QJsonDocument::fromJson(monitor.readLine()).object();
    QCOMPARE(json.value("event").toString(), QStringLiteral("udpPacketRecived"));
    QCOMPARE(json.value("packet").toString(), QStringLiteral("hello"));
    monitor.kill();
    monitor.waitForFinished();
}

void TestVorneMonitor::programReportsTakenPort()
{
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::Any, 7212, QUdpSocket::DontShareAddress));
    QProcess monitor;
    monitor.start(monitorPath, {"--port", "7212"});
    QVERIFY(monitor.waitForFinished(10000));
    QCOMPARE(monitor.exitCode(), 1);
    QVERIFY(monitor.readAllStandardError().contains("7212"));
}

QTEST_GUILESS_MAIN(TestVorneMonitor)
#include "tst_vornemonitor.moc"
