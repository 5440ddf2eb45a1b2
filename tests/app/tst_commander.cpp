#include "consolepeer.h"

#include <QProcess>
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

// The executable itself, against loopback peers: what it prints and how it starts. The
// command-line rules are the units' test.
class TestCommander : public QObject
{
    Q_OBJECT
private slots:
    void printsItsVersionAndHelp()
    {
        QProcess program;
        program.start(kProgram, {"--version"});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("vorne-commander 190918.01\n"));
        program.start(kProgram, {"--help"});
        QVERIFY(program.waitForFinished(10000));
        const QByteArray help = program.readAllStandardOutput();
        QVERIFY2(help.startsWith("Usage: vorne-commander [host [port]]") && help.contains("7123"),
                 help.constData());
    }

    void connectsToTheHostAndPortGivenAndServesBoards()
    {
        QTcpServer board;
        QVERIFY(board.listen(QHostAddress::LocalHost));
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(kProgram,
                      {"127.0.0.1", QString::number(board.serverPort()), "-platform", "offscreen"});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(board.waitForNewConnection(20000));
        QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size(), 10000), kDebugLevel);
        // A board connecting to the program's server gets the same greeting.
        QTcpSocket incoming;
        QTRY_VERIFY_WITH_TIMEOUT(reachServer(&incoming), 20000);
        QCOMPARE(readBytes(&incoming, kDebugLevel.size(), 10000), kDebugLevel);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestCommander)
#include "tst_commander.moc"
