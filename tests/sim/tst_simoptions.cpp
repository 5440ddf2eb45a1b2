#include "simoptions.h"

#include <QtTest>

using namespace std::chrono_literals;

static bool parse(const QStringList &arguments, SimOptions *options, QString *message = nullptr,
                  int *exitCode = nullptr)
{
    QString text;
    int code = -1;
    const bool ok =
        SimOptions::parse(QStringList{"vorne-boardsim"} + arguments, options, &text, &code);
    if (message)
        *message = text;
    if (exitCode)
        *exitCode = code;
    return ok;
}

class TestSimOptions : public QObject
{
    Q_OBJECT
private slots:
    void defaultsStayOnLoopback();
    void severalBoardsDiffer();
    void spiderAndClientMode();
    void faultsAndTimes();
    void refused_data();
    void refused();
    void helpNamesEveryOption();
};

void TestSimOptions::defaultsStayOnLoopback()
{
    SimOptions options;
    QVERIFY(parse({}, &options));
    QCOMPARE(options.boards.size(), 1);
    const BoardConfig &b = options.boards.first();
    QCOMPARE(b.listenAddress, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(b.listenPort, quint16(2323));
    QCOMPARE(b.udpTarget, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(b.udpTargetPort, quint16(7112));
    QCOMPARE(options.discoveryPort, quint16(7113));
    QVERIFY(b.connectHost.isEmpty());
    QCOMPARE(b.identity.typeCode(), 2);
    QCOMPARE(b.identity.hw, QStringLiteral("71405"));
    QVERIFY(b.identity.sw >= QStringLiteral("170507"));
    QCOMPARE(b.identity.name, QStringLiteral("SimTube"));
    QCOMPARE(b.identity.macText(), QStringLiteral("00564f524e01"));
    QCOMPARE(b.identity.ipText(), QStringLiteral("127.0.0.1"));
    QCOMPARE(b.programTime, 10000ms);
    QVERIFY(b.label.isEmpty());
}

void TestSimOptions::severalBoardsDiffer()
{
    SimOptions options;
    QVERIFY(
        parse({"--count", "3", "--mac", "0056000000ff", "--listen", "127.0.0.1:4000"}, &options));
    QCOMPARE(options.boards.size(), 3);
    QCOMPARE(options.boards.at(0).identity.name, QStringLiteral("SimTube-1"));
    QCOMPARE(options.boards.at(2).identity.name, QStringLiteral("SimTube-3"));
    QCOMPARE(options.boards.at(2).label, QStringLiteral("SimTube-3"));
    QCOMPARE(options.boards.at(1).identity.macText(), QStringLiteral("005600000100"));
    QCOMPARE(options.boards.at(2).listenPort, quint16(4002));
}

void TestSimOptions::spiderAndClientMode()
{
    SimOptions options;
    QVERIFY(parse({"--type", "spider", "--connect", "127.0.0.1", "--ip", "10.0.0.7"}, &options));
    const BoardConfig &b = options.boards.first();
    QCOMPARE(b.identity.typeCode(), 3);
    QCOMPARE(b.identity.hw, QStringLiteral("71407"));
    QCOMPARE(b.identity.name, QStringLiteral("SimSpider"));
    QCOMPARE(b.connectHost, QStringLiteral("127.0.0.1"));
    QCOMPARE(b.connectPort, quint16(7123));
    QCOMPARE(b.identity.ipText(), QStringLiteral("10.0.0.7"));
    QVERIFY(b.identity.consoleAnnouncement().contains(QLatin1String("|MAC:00564f524e01:|")));
}

void TestSimOptions::faultsAndTimes()
{
    SimOptions options;
    QVERIFY(parse({"--fault",           "refuse-record=3",
                   "--fault",           "drop-after=7",
                   "--fault",           "slow=250",
                   "--fault",           "noise-packet=2",
                   "--fault",           "long-line=4",
                   "--program-seconds", "0.5",
                   "--telemetry-ms",    "200",
                   "--announce-ms",     "300",
                   "--flash-ms",        "1500",
                   "--discovery-port",  "0",
                   "--listen",          "0.0.0.0:0"},
                  &options));
    const BoardConfig &b = options.boards.first();
    const FaultPlan &f = b.session.faults;
    QCOMPARE(f.refuseRecord, 3);
    QCOMPARE(f.dropAfter, 7);
    QCOMPARE(f.slow, 250ms);
    QCOMPARE(f.noisePacket, 2);
    QCOMPARE(f.longLineMiB, 4);
    QCOMPARE(b.programTime, 500ms);
    QCOMPARE(b.telemetryInterval, 200ms);
    QCOMPARE(b.announceInterval, 300ms);
    QCOMPARE(b.session.flashTime, 1500ms);
    QCOMPARE(options.discoveryPort, quint16(0));
    QCOMPARE(b.identity.ipText(), QStringLiteral("127.0.0.1")); // any address reports loopback
}

void TestSimOptions::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown board type") << QStringList{"--type", "sensor"};
    QTest::newRow("listen without port") << QStringList{"--listen", "127.0.0.1"};
    QTest::newRow("listen on a host name") << QStringList{"--listen", "example.org:23"};
    QTest::newRow("MAC with a first byte") << QStringList{"--mac", "01564f524e01"};
    QTest::newRow("MAC too short") << QStringList{"--mac", "00564f"};
    QTest::newRow("name with a bar") << QStringList{"--name", "a|b"};
    QTest::newRow("software with letters") << QStringList{"--sw", "17a"};
    QTest::newRow("no boards") << QStringList{"--count", "0"};
    QTest::newRow("ports past 65535")
        << QStringList{"--count", "3", "--listen", "127.0.0.1:65534"};
    QTest::newRow("program of no time") << QStringList{"--program-seconds", "0"};
    QTest::newRow("unknown fault") << QStringList{"--fault", "explode=1"};
    QTest::newRow("fault without number") << QStringList{"--fault", "slow=fast"};
    QTest::newRow("flood too large") << QStringList{"--fault", "long-line=1000"};
    QTest::newRow("stray argument") << QStringList{"tube"};
    QTest::newRow("unknown option") << QStringList{"--bogus"};
}

void TestSimOptions::refused()
{
    QFETCH(QStringList, arguments);
    SimOptions options;
    QString message;
    int exitCode = 0;
    QVERIFY(!parse(arguments, &options, &message, &exitCode));
    QCOMPARE(exitCode, 2);
    QVERIFY(message.startsWith(QLatin1String("vorne-boardsim: ")));
}

void TestSimOptions::helpNamesEveryOption()
{
    SimOptions options;
    QString message;
    int exitCode = -1;
    QVERIFY(!parse({"--help"}, &options, &message, &exitCode));
    QCOMPARE(exitCode, 0);
    for (const char *option : {"--type",
                               "--listen",
                               "--connect",
                               "--udp-target",
                               "--discovery-port",
                               "--ip",
                               "--mac",
                               "--name",
                               "--hw",
                               "--sw",
                               "--count",
                               "--program-seconds",
                               "--telemetry-ms",
                               "--announce-ms",
                               "--flash-ms",
                               "--rom-dir",
                               "--log",
                               "--fault",
                               "refuse-record=K",
                               "drop-after=K",
                               "slow=MS",
                               "noise-packet=K",
                               "long-line=MIB"})
        QVERIFY2(message.contains(QLatin1String(option)), option);
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
