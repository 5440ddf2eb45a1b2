#include "consolepeer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QtTest>

namespace {

const QString kProgram = QStringLiteral(VORNE_BIN_DIR "/vorne-commander");

// One attempt to reach the program's console server; it listens once its window exists.
bool reachServer(QTcpSocket *socket)
{
    socket->abort();
    socket->connectToHost(QHostAddress::LocalHost, kServerPort);
    return socket->waitForConnected(1000);
}

} // namespace

// The executable itself: its options and command-line rules, against loopback peers.
class TestCommander : public QObject
{
    Q_OBJECT
private slots:
    void printsAndExits_data();
    void printsAndExits();
    void connectsAsTheArgumentsSay_data();
    void connectsAsTheArgumentsSay();
};

void TestCommander::printsAndExits_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("output"); // a pattern for all of standard output
    QTest::newRow("version") << "--version"
                             << "^vorne-commander 190918\\.01\\n$";
    QTest::newRow("help names the server port")
        << "--help"
        << "^Usage: vorne-commander \\[host \\[port\\]\\][\\s\\S]*7123";
}

void TestCommander::printsAndExits()
{
    QFETCH(QString, option);
    QFETCH(QString, output);
    QProcess program;
    program.start(kProgram, {option});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    const QString printed = QString::fromLocal8Bit(program.readAllStandardOutput());
    QVERIFY2(QRegularExpression(output).match(printed).hasMatch(), qPrintable(printed));
}

void TestCommander::connectsAsTheArgumentsSay_data()
{
    QTest::addColumn<QStringList>("arguments"); // PORT: the board's port
    QTest::addColumn<int>("boardPort");         // 0: any free port
    QTest::addColumn<bool>("connects");
    QTest::newRow("host and port") << QStringList{"127.0.0.1", "PORT"} << 0 << true;
    QTest::newRow("host alone: port 23") << QStringList{"127.0.0.1"} << 23 << true;
    QTest::newRow("three arguments do not connect")
        << QStringList{"127.0.0.1", "PORT", "extra"} << 0 << false;
}

void TestCommander::connectsAsTheArgumentsSay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, boardPort);
    QFETCH(bool, connects);
    QTcpServer board;
    if (!board.listen(QHostAddress::LocalHost, quint16(boardPort)))
        QSKIP("the board's port cannot be bound here");
    arguments.replaceInStrings("PORT", QString::number(board.serverPort()));
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(kProgram, arguments + QStringList{"-platform", "offscreen"});
    QVERIFY(program.waitForStarted(5000));
    if (connects) {
        QVERIFY(board.waitForNewConnection(20000));
        QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size(), 10000), kDebugLevel);
    }
    // A board connecting to the program's server gets the same greeting. The program runs
    // its event loop by then: any command-line connect has been made.
    QTcpSocket incoming;
    QTRY_VERIFY_WITH_TIMEOUT(reachServer(&incoming), 20000);
    QCOMPARE(readBytes(&incoming, kDebugLevel.size(), 10000), kDebugLevel);
    QVERIFY(connects || !board.waitForNewConnection(0));
    QCOMPARE(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(TestCommander)
#include "tst_commander.moc"
