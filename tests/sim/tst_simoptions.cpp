#include "simoptions.h"

#include <QtTest>

// vorne-boardsim's command line: without options everything stays on loopback, and a wrong
// option fails with exit code 2 instead of starting a board unlike the one asked for. The
// options that work are used by the other sim and end-to-end tests.
class TestSimOptions : public QObject
{
    Q_OBJECT

    SimOptions options;
    QString message;
    int exitCode = -1;

private slots:
    void defaultsStayOnLoopback()
    {
        QVERIFY(SimOptions::parse({"vorne-boardsim"}, &options, &message, &exitCode));
        const BoardConfig &board = options.boards.first();
        QVERIFY(board.listenAddress.isLoopback() && board.udpTarget.isLoopback());
        QVERIFY(board.connectHost.isEmpty());
        QCOMPARE(board.identity.ipText(), QStringLiteral("127.0.0.1"));
    }

    void wrongOptionRefused_data()
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

    void wrongOptionRefused()
    {
        QFETCH(QStringList, arguments);
        QVERIFY(!SimOptions::parse(QStringList{"vorne-boardsim"} + arguments, &options, &message,
                                   &exitCode));
        QCOMPARE(exitCode, 2);
        QVERIFY(message.startsWith(QLatin1String("vorne-boardsim: ")));
    }
};

QTEST_APPLESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
