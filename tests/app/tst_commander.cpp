#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

const QByteArray kDebugLevel("debug_level 128\r\n");
constexpr quint16 kServerPort = 7123;

QString programPath()
{
    return QStringLiteral(VORNE_BIN_DIR "/vorne-commander");
}

QByteArray readBytes(QTcpSocket *socket, int count)
{
    QElapsedTimer timer;
    timer.start();
    while (socket->bytesAvailable() < count && timer.elapsed() < 10000)
        socket->waitForReadyRead(100);
    return socket->read(count);
}

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
    void printsVersion();
    void printsHelp();
    void connectsToHostAndPort();
    void connectsToHostOnPort23();
    void threeArgumentsDoNotConnect();

private:
    void start(QProcess &program, const QStringList &arguments);
};

void TestCommander::start(QProcess &program, const QStringList &arguments)
{
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(programPath(), arguments + QStringList{"-platform", "offscreen"});
    QVERIFY(program.waitForStarted(5000));
}

void TestCommander::printsVersion()
{
    QProcess program;
    program.start(programPath(), {"--version"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput(), QByteArray("vorne-commander 190918.01\n"));
}

void TestCommander::printsHelp()
{
    QProcess program;
    program.start(programPath(), {"--help"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    const QByteArray usage = program.readAllStandardOutput();
    QVERIFY(usage.startsWith("Usage: vorne-commander [host [port]]"));
    QVERIFY(usage.contains("7123"));
}

void TestCommander::connectsToHostAndPort()
{
    QTcpServer board;
    QVERIFY(board.listen(QHostAddress::LocalHost));
    QProcess program;
    start(program, {"127.0.0.1", QString::number(board.serverPort())});
    QVERIFY(board.waitForNewConnection(20000));
    QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);

    // A board connecting to the program's server gets the same greeting.
    QTcpSocket incoming;
    QTRY_VERIFY_WITH_TIMEOUT(reachServer(&incoming), 20000);
    QCOMPARE(readBytes(&incoming, kDebugLevel.size()), kDebugLevel);
    program.kill();
    program.waitForFinished(5000);
}

void TestCommander::connectsToHostOnPort23()
{
    QTcpServer board;
    if (!board.listen(QHostAddress::LocalHost, 23))
        QSKIP("port 23 cannot be bound here");
    QProcess program;
    start(program, {"127.0.0.1"});
    QVERIFY(board.waitForNewConnection(20000));
    QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
    program.kill();
    program.waitForFinished(5000);
}

void TestCommander::threeArgumentsDoNotConnect()
{
    QTcpServer board;
    QVERIFY(board.listen(QHostAddress::LocalHost));
    QProcess program;
    start(program, {"127.0.0.1", QString::number(board.serverPort()), "extra"});
    // Once the server greets us the program runs its event loop: any command-line
    // connect has been made by then.
    QTcpSocket incoming;
    QTRY_VERIFY_WITH_TIMEOUT(reachServer(&incoming), 20000);
    QCOMPARE(readBytes(&incoming, kDebugLevel.size()), kDebugLevel);
    QVERIFY(!board.waitForNewConnection(0));
    QCOMPARE(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(TestCommander)
#include "tst_commander.moc"
