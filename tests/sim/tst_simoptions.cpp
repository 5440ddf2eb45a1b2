#include "simoptions.h"

#include <QtTest>

namespace {

// What the first board was configured with, as "key value" facts a row can name.
QStringList facts(const SimOptions &options)
{
    const BoardConfig &b = options.boards.first();
    const BoardIdentity &id = b.identity;
    const FaultPlan &f = b.session.faults;
    const auto n = [](qint64 value) { return ' ' + QString::number(value); };
    return {"listen " + b.listenAddress.toString() + ':' + QString::number(b.listenPort),
            "udp " + b.udpTarget.toString() + ':' + QString::number(b.udpTargetPort),
            "discovery" + n(options.discoveryPort),
            "connect " + b.connectHost + ':' + QString::number(b.connectPort),
            "board" + n(id.typeCode()) + ' ' + id.hw + ' ' + id.name,
            "ip " + id.ipText(),
            "times" + n(b.programTime.count()) + n(b.telemetryInterval.count()) +
                n(b.announceInterval.count()) + n(b.session.flashTime.count()),
            "faults" + n(f.refuseRecord) + n(f.dropAfter) + n(f.slow.count()) + n(f.noisePacket) +
                n(f.longLineMiB)};
}

void row(const char *name, const QStringList &arguments, const QStringList &expected)
{
    QTest::newRow(name) << arguments << expected;
}

} // namespace

class TestSimOptions : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestSimOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected"); // facts of the first board, or the exit code
    row("defaults stay on loopback", {},
        {"listen 127.0.0.1:2323", "udp 127.0.0.1:7112", "discovery 7113", "ip 127.0.0.1"});
    row("spider board", {"--type", "spider"}, {"board 3 71407 SimSpider"});
    row("client mode on the console server port", {"--connect", "127.0.0.1"},
        {"connect 127.0.0.1:7123"});
    row("reported address", {"--ip", "10.0.0.7"}, {"ip 10.0.0.7"});
    row("any address reports loopback", {"--listen", "0.0.0.0:0"},
        {"listen 0.0.0.0:0", "ip 127.0.0.1"});
    row("discovery off", {"--discovery-port", "0"}, {"discovery 0"});
    row("times in milliseconds",
        {"--program-seconds", "0.5", "--telemetry-ms", "200", "--announce-ms", "300", "--flash-ms",
         "1500"},
        {"times 500 200 300 1500"});
    row("fault refuse-record", {"--fault", "refuse-record=3"}, {"faults 3 0 0 0 0"});
    row("fault drop-after", {"--fault", "drop-after=7"}, {"faults 0 7 0 0 0"});
    row("fault slow", {"--fault", "slow=250"}, {"faults 0 0 250 0 0"});
    row("fault noise-packet", {"--fault", "noise-packet=2"}, {"faults 0 0 0 2 0"});
    row("fault long-line", {"--fault", "long-line=4"}, {"faults 0 0 0 0 4"});
    row("faults add up", {"--fault", "slow=9", "--fault", "drop-after=1"}, {"faults 0 1 9 0 0"});
    row("help is no error", {"--help"}, {"exit 0"});

    const QStringList refused{"exit 2"};
    row("unknown board type refused", {"--type", "sensor"}, refused);
    row("listen without port refused", {"--listen", "127.0.0.1"}, refused);
    row("listen on a host name refused", {"--listen", "example.org:23"}, refused);
    row("MAC with a first byte refused", {"--mac", "01564f524e01"}, refused);
    row("MAC too short refused", {"--mac", "00564f"}, refused);
    row("name with a bar refused", {"--name", "a|b"}, refused);
    row("software with letters refused", {"--sw", "17a"}, refused);
    row("no boards refused", {"--count", "0"}, refused);
    row("ports past 65535 refused", {"--count", "3", "--listen", "127.0.0.1:65534"}, refused);
    row("program of no time refused", {"--program-seconds", "0"}, refused);
    row("unknown fault refused", {"--fault", "explode=1"}, refused);
    row("fault without number refused", {"--fault", "slow=fast"}, refused);
    row("flood too large refused", {"--fault", "long-line=1000"}, refused);
    row("stray argument refused", {"tube"}, refused);
    row("unknown option refused", {"--bogus"}, refused);
}

void TestSimOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    SimOptions options;
    QString message;
    int exitCode = -1;
    const bool ok =
        SimOptions::parse(QStringList{"boardsim"} + arguments, &options, &message, &exitCode);
    const QStringList got =
        ok ? facts(options) : QStringList{QStringLiteral("exit %1").arg(exitCode)};
    for (const QString &fact : expected)
        QVERIFY2(got.contains(fact), qPrintable(got.join(QLatin1String(", "))));
    if (!ok && exitCode != 0) // a refusal names who refused
        QVERIFY(message.startsWith(QLatin1String("vorne-boardsim: ")));
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
