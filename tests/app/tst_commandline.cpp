#include "commandline.h"

#include <QtTest>

// The command-line rules.
class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

Q_DECLARE_METATYPE(CommandLine::Action)

void TestCommandLine::parse_data()
{
    using A = CommandLine::Action;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("address"); // host:port to connect to

    QTest::newRow("no argument shows the window") << QStringList{} << A::ShowWindow << ":0";
    QTest::newRow("host alone: port 23") << QStringList{"10.0.0.5"} << A::Connect << "10.0.0.5:23";
    QTest::newRow("host and port") << QStringList{"board", "2323"} << A::Connect << "board:2323";
    QTest::newRow("port no number: 0") << QStringList{"board", "telnet"} << A::Connect << "board:0";
    QTest::newRow("port out of range: 0")
        << QStringList{"board", "70000"} << A::Connect << "board:0";
    QTest::newRow("three arguments do not connect")
        << QStringList{"a", "23", "x"} << A::ShowWindow << ":0";
    QTest::newRow("help") << QStringList{"--help"} << A::PrintHelp << ":0";
    QTest::newRow("short help") << QStringList{"-h"} << A::PrintHelp << ":0";
    QTest::newRow("help after a host") << QStringList{"board", "--help"} << A::PrintHelp << ":0";
    QTest::newRow("version") << QStringList{"--version"} << A::PrintVersion << ":0";
    QTest::newRow("short version") << QStringList{"-v"} << A::PrintVersion << ":0";
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, address);
    const CommandLine::Request request = CommandLine::parse(arguments);
    QCOMPARE(request.action, action);
    QCOMPARE(QStringLiteral("%1:%2").arg(request.address.host).arg(request.address.port), address);
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
