#include "devicemonitor.h"
#include "limitedlinereader.h"
#include "monitorevent.h"
#include "qdevicemachine.h"
#include "udplines.h"
#include "udppacketdecoder.h"
#include "udpreciver.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUdpSocket>
#include <QtTest>

using namespace UdpLines;

namespace {

// One line of the monitor's JSON at the test's fixed time: the event's name, then its fields.
QString json(const char *event, const QString &fields)
{
    return QStringLiteral("{\"event\":\"%1\",\"time\":\"2024-05-01T14:28:03.123+02:00\",%2}\n")
        .arg(QLatin1String(event), fields);
}

const QDateTime kTime(QDate(2024, 5, 1), QTime(14, 28, 3, 123), Qt::OffsetFromUTC, 7200);

// Lines that print nothing: unmatched, short telemetry, and a macro line before the last.
const QStringList kSilent{"hello", telemetry(1, "4", 26), macroLine(0, "LOOP")};

} // namespace

// The monitor's output, exact per event in JSON and CSV, and the program on standard input.
// Its socket path is the registry's, which the window's telemetry run holds.
class TestVorneMonitor : public QObject
{
    Q_OBJECT

private slots:
    void output_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("mode"); // json, raw (json with every line) or csv
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QStringList &lines, const char *mode,
                            const QString &expected) {
            QTest::newRow(name) << lines << mode << expected;
        };
        const QString objectJson = json("objectChanged", "\"objjId\":11,\"value\":1");
        row("announce", {announce(1, 7, "Main")}, "json",
            json("seenDevice", "\"mac\":\"0004a3123412\",\"ip\":\"192.168.1.20\",\"name\":"
                               "\"Main\",\"type\":1,\"hw\":\"1.0\",\"sw\":\"2.3\""));
        row("object of the main device", {object(5)}, "json", objectJson);
        row("brew telemetry pings, then logs every field", {telemetry()}, "json",
            json("brewPing", "\"guid\":\"0004a3123412\",\"thermosId\":3,\"est_time_left\":194") +
                json("logReceived",
                     "\"macHigh\":303890,\"macLow\":13330,\"ip\":335653056,\"state\":4,"
                     "\"tempIn\":20.5,\"tempH1\":90.25,\"tempH2\":91.125,\"tempHat\":85,"
                     "\"currVol\":123.4,\"currFlow\":5.26,\"targVol\":250,\"targFlow\":6.5,"
                     "\"percent\":40,\"power\":1800,\"macro\":998,\"activeMacroCount\":1,"
                     "\"setPowerH1\":1500,\"setPowerH2\":1500,\"setOverHeat\":105,"
                     "\"flowTicksLiter\":1950,\"eta\":194,\"thermosId\":3,\"aux\":7,"
                     "\"hwId\":\"12\",\"swId\":\"190918.01\",\"logId\":17,"
                     "\"macText\":\"0004a3123412\",\"ipText\":\"192.168.1.20\""));
        row("brew start with quotes, backslash and tab",
            {line("brew texts with quotes, backslash and tab")}, "json",
            json("brewStart", "\"guid\":\"0004a3123412\",\"name\":\"A \\\"B\\\"\\t\","
                              "\"recipestring\":\"r\\\\1\",\"thermosId\":3,"
                              "\"est_time_left\":194"));
        row("brew end", {brew('-', 9)}, "json",
            json("brewEnd", "\"guid\":\"0004a3123412\",\"name\":\"Morning\",\"recipestring\":"
                            "\"r\",\"thermosId\":3,\"thermosTimer\":194"));
        row("macro text with line ends", {macroLine(0, "LOOP \u00e9"), macroLine(255, "END")},
            "json", json("macroRecived", "\"macro\":\"LOOP \u00e9\\r\\nEND\\r\\n\""));
        row("raw line before its event", {object(5)}, "raw",
            json("udpPacketRecived", "\"packet\":\"" + object(5) + "\"") + objectJson);
        row("raw line with control character", {"a\u0001b"}, "raw",
            json("udpPacketRecived", "\"packet\":\"a\\u0001b\""));
        row("nothing for lines that yield no event", kSilent, "json", "");
        // The CSV columns are the Plot tab's export; here only telemetry comes out, under one
        // header.
        const MonitorEvent tele =
            MonitorEvent::telemetry(UdpPacketDecoder::decode(telemetry()).log, kTime);
        row("CSV of telemetry only", {announce(1, 7), object(5), telemetry()}, "csv",
            tele.csvHeader() + tele.toCsv());
    }

    void output()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, mode);
        QFETCH(QString, expected);
        QDeviceMachine::setReceivePort(std::nullopt);
        std::unique_ptr<QDeviceMachine> hub(QDeviceMachine::instance());
        const Device mainDevice(1, mainMac, "", "", "", "");
        hub->setMainDevice(&mainDevice);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const auto format =
            mode == "csv" ? DeviceMonitor::Format::Csv : DeviceMonitor::Format::Json;
        const DeviceMonitor monitor(hub.get(), &buffer, format, mode == "raw",
                                    [] { return kTime; });
        for (const QString &line : lines)
            hub->gotUDPPacket(line);
        QCOMPARE(QString::fromUtf8(buffer.data()), expected);
    }

    // Standard input as the receiver cuts datagrams: CR and LF removed, UTF-8, and a line
    // longer than the limit skipped whole, read in pieces, never held.
    void linesOfStandardInput()
    {
        QBuffer in;
        in.setData("a\r\n" + QByteArray(8, 'x') + "\n" + QByteArray(9, 'y') + "\n" +
                   QByteArray(30, 'z') + "\n\xC3\xA9\n\nlast");
        in.open(QIODevice::ReadOnly);
        LimitedLineReader reader(&in, 8);
        QStringList lines;
        while (const std::optional<QString> line = reader.next())
            lines << *line;
        QCOMPARE(lines, (QStringList{"a", QString(8, 'x'), "\u00e9", "", "last"}));
        QCOMPARE(reader.skipped(), 2);
    }

    // The program with arguments and standard input: its exit code, the events it printed
    // (each with a receive time) and a part of its standard error.
    void program_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("error");
        const QStringList lines =
            kSilent + QStringList{announce(1, 7),     object(5),     telemetry(),
                                  brew('+', 18),      brew('-', 19), macroLine(0, "A"),
                                  macroLine(255, "B")};
        QTest::newRow("standard input replayed")
            << QStringList{"--stdin", "--main-mac", "00:04:A3:12:34:14"} << lines << 0
            << QStringList{"seenDevice", "objectChanged", "brewPing",    "logReceived",
                           "brewStart",  "brewEnd",       "macroRecived"}
            << "";
        QTest::newRow("taken port") << QStringList{"--port", "7212"} << QStringList() << 1
                                    << QStringList() << "UDP port 7212 is in use";
        QTest::newRow("wrong option") << QStringList{"--stdin", "--bogus"} << QStringList() << 2
                                      << QStringList() << "Unknown option 'bogus'";
        QTest::newRow("line over the receiver's limit skipped, and counted")
            << QStringList{"--stdin", "--raw"}
            << QStringList{QString(UDPReciver::kMaxLineBuffer + 1, 'x'), "hello"} << 0
            << QStringList{"udpPacketRecived"} << "skipped 1 line longer than 65536 bytes";
    }

    void program()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, input);
        QFETCH(int, exitCode);
        QFETCH(QStringList, events);
        QFETCH(QString, error);
        QUdpSocket holder; // takes 7212, unshared
        QVERIFY(holder.bind(QHostAddress::Any, 7212, QUdpSocket::DontShareAddress));
        QProcess monitor;
        monitor.start(QStringLiteral(VORNE_BIN_DIR "/vorne-monitor"), arguments);
        QVERIFY(monitor.waitForStarted());
        monitor.write((input.join("\r\n") + "\r\n").toUtf8());
        monitor.closeWriteChannel();
        QVERIFY(monitor.waitForFinished(10000));
        QCOMPARE(monitor.exitCode(), exitCode);
        QVERIFY(QString::fromUtf8(monitor.readAllStandardError()).contains(error));
        QStringList printed;
        const QRegularExpression iso(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$");
        for (const QByteArray &line : monitor.readAllStandardOutput().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            QVERIFY(line.isEmpty() || iso.match(event.value("time").toString()).hasMatch());
            if (!line.isEmpty())
                printed << event.value("event").toString();
        }
        QCOMPARE(printed, events);
    }
};

QTEST_GUILESS_MAIN(TestVorneMonitor)
#include "tst_vornemonitor.moc"
