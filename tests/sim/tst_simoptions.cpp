#include "simoptions.h"

#include <QtTest>

namespace {

QString endpoint(const QHostAddress &address, quint16 port)
{
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

// What the first board was configured with, as "key=value" facts a row can name.
QStringList facts(const SimOptions &options)
{
    const BoardConfig &b = options.boards.first();
    const FaultPlan &f = b.session.faults;
    return {"listen=" + endpoint(b.listenAddress, b.listenPort),
            "udp=" + endpoint(b.udpTarget, b.udpTargetPort),
            QStringLiteral("discovery=%1").arg(options.discoveryPort),
            QStringLiteral("connect=%1:%2").arg(b.connectHost).arg(b.connectPort),
            QStringLiteral("board=%1 %2 %3")
                .arg(b.identity.typeCode())
                .arg(b.identity.hw, b.identity.name),
            "ip=" + b.identity.ipText(),
            QStringLiteral("times=%1 %2 %3 %4")
                .arg(b.programTime.count())
                .arg(b.telemetryInterval.count())
                .arg(b.announceInterval.count())
                .arg(b.session.flashTime.count()),
            QStringLiteral("faults=%1 %2 %3 %4 %5")
                .arg(f.refuseRecord)
                .arg(f.dropAfter)
                .arg(f.slow.count())
                .arg(f.noisePacket)
                .arg(f.longLineMiB)};
}

bool parse(const QStringList &arguments, SimOptions *options, QString *message, int *exitCode)
{
    return SimOptions::parse(QStringList{"vorne-boardsim"} + arguments, options, message, exitCode);
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
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
};

void TestSimOptions::accepted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected");
    row("defaults stay on loopback", {},
        {"listen=127.0.0.1:2323", "udp=127.0.0.1:7112", "discovery=7113", "ip=127.0.0.1"});
    row("spider board", {"--type", "spider"}, {"board=3 71407 SimSpider"});
    row("client mode on the console server port", {"--connect", "127.0.0.1"},
        {"connect=127.0.0.1:7123"});
    row("reported address", {"--ip", "10.0.0.7"}, {"ip=10.0.0.7"});
    row("any address reports loopback", {"--listen", "0.0.0.0:0"},
        {"listen=0.0.0.0:0", "ip=127.0.0.1"});
    row("discovery off", {"--discovery-port", "0"}, {"discovery=0"});
    row("times in milliseconds",
        {"--program-seconds", "0.5", "--telemetry-ms", "200", "--announce-ms", "300", "--flash-ms",
         "1500"},
        {"times=500 200 300 1500"});
    row("fault refuse-record", {"--fault", "refuse-record=3"}, {"faults=3 0 0 0 0"});
    row("fault drop-after", {"--fault", "drop-after=7"}, {"faults=0 7 0 0 0"});
    row("fault slow", {"--fault", "slow=250"}, {"faults=0 0 250 0 0"});
    row("fault noise-packet", {"--fault", "noise-packet=2"}, {"faults=0 0 0 2 0"});
    row("fault long-line", {"--fault", "long-line=4"}, {"faults=0 0 0 0 4"});
    row("faults add up", {"--fault", "slow=9", "--fault", "drop-after=1"}, {"faults=0 1 9 0 0"});
}

void TestSimOptions::accepted()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    SimOptions options;
    QString message;
    int exitCode = -1;
    QVERIFY2(parse(arguments, &options, &message, &exitCode), qPrintable(message));
    const QStringList got = facts(options);
    for (const QString &fact : expected)
        QVERIFY2(got.contains(fact), qPrintable(got.join(QLatin1String(", "))));
}

void TestSimOptions::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("unknown board type") << QStringList{"--type", "sensor"} << 2;
    QTest::newRow("listen without port") << QStringList{"--listen", "127.0.0.1"} << 2;
    QTest::newRow("listen on a host name") << QStringList{"--listen", "example.org:23"} << 2;
    QTest::newRow("MAC with a first byte") << QStringList{"--mac", "01564f524e01"} << 2;
    QTest::newRow("MAC too short") << QStringList{"--mac", "00564f"} << 2;
    QTest::newRow("name with a bar") << QStringList{"--name", "a|b"} << 2;
    QTest::newRow("software with letters") << QStringList{"--sw", "17a"} << 2;
    QTest::newRow("no boards") << QStringList{"--count", "0"} << 2;
    QTest::newRow("ports past 65535")
        << QStringList{"--count", "3", "--listen", "127.0.0.1:65534"} << 2;
    QTest::newRow("program of no time") << QStringList{"--program-seconds", "0"} << 2;
    QTest::newRow("unknown fault") << QStringList{"--fault", "explode=1"} << 2;
    QTest::newRow("fault without number") << QStringList{"--fault", "slow=fast"} << 2;
    QTest::newRow("flood too large") << QStringList{"--fault", "long-line=1000"} << 2;
    QTest::newRow("stray argument") << QStringList{"tube"} << 2;
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2;
    QTest::newRow("help is no error") << QStringList{"--help"} << 0;
}

void TestSimOptions::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    SimOptions options;
    QString message;
    int code = -1;
    QVERIFY(!parse(arguments, &options, &message, &code));
    QCOMPARE(code, exitCode);
    QCOMPARE(message.startsWith(QLatin1String("vorne-boardsim: ")), exitCode != 0);
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
