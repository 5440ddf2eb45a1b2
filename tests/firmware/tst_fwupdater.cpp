#include "fwupdater.h"
#include "hextestfiles.h"

#include <QPointer>
#include <QTcpServer>
#include <QtTest>

#include <memory>
#include <sstream>

using namespace HexTestFiles;

namespace {

const QByteArray kEof = ":00000001FF";
const QByteArray kAbc = record(0, 0, "abc");
const QByteArray kDef = record(0, 3, "def");

// The board's end of the connection, scripted by the test.
struct Peer
{
    QTcpSocket *socket = nullptr;

    // Everything the uploader sent, one line at a time.
    QByteArray line()
    {
        QSignalSpy readable(socket, &QIODevice::readyRead);
        while (!socket->canReadLine()) {
            if (!readable.wait(5000))
                return QByteArray("<nothing>");
        }
        return socket->readLine();
    }
    void say(const QByteArray &text)
    {
        socket->write(text);
        socket->flush();
    }
};

// What done() reported, read while the uploader still exists.
struct Outcome
{
    int status = -1;
    int count = 0;
    QString reason;
};

} // namespace

// The bootloader exchange against a board played by the test on loopback.
class TestFwupdater : public QObject
{
    Q_OBJECT

private:
    std::ostringstream out;
    QTcpServer server;
    QPointer<Fwupdater> uploader;
    Outcome outcome;
    std::unique_ptr<QTcpSocket> borrowed;

    Fwupdater *watch(Fwupdater *created)
    {
        uploader = created;
        outcome = {};
        out.str({});
        created->setOutput(out);
        connect(created, &Fwupdater::done, this, [this](int status) {
            outcome.status = status;
            ++outcome.count;
            outcome.reason = uploader->failureReason();
        });
        return created;
    }
    // An uploader on its own connection to the test's server, started on file.
    bool startOwn(Peer &peer, const QString &file, int deviceIndex = 0)
    {
        watch(new Fwupdater(QStringLiteral("127.0.0.1"), server.serverPort(), deviceIndex));
        if (uploader->uploadFile(file) != 0)
            return false;
        if (!server.hasPendingConnections() && !server.waitForNewConnection(5000))
            return false;
        peer.socket = server.nextPendingConnection();
        return peer.socket != nullptr;
    }
    // An uploader on a console socket that the test connected, started on file.
    bool startBorrowed(Peer &peer, const QString &file, int deviceIndex = 0)
    {
        borrowed = std::make_unique<QTcpSocket>();
        borrowed->connectToHost(QHostAddress::LocalHost, server.serverPort());
        if (!borrowed->waitForConnected(5000) || !server.waitForNewConnection(5000))
            return false;
        peer.socket = server.nextPendingConnection();
        watch(new Fwupdater(borrowed.get(), deviceIndex));
        uploader->uploadFileOnSocket(file);
        return true;
    }
    bool waitDone()
    {
        if (outcome.count == 0 && uploader) {
            QSignalSpy done(uploader.data(), &Fwupdater::done);
            return done.wait(5000) || outcome.count > 0;
        }
        return outcome.count > 0;
    }

private slots:
    void initTestCase();
    void startCommandForEachBoard_data();
    void startCommandForEachBoard();
    void fullExchangeSendsChecksumAndSucceeds();
    void progressCountsFirstLineEnd();
    void borrowedSocketStartsAtOnceAndIsLeftOpen();
    void promptInsideGreetingIsUnexpected();
    void lineFeedsAndTextAfterNulAreIgnored();
    void replyAfterChecksumFails();
    void refusedRecordQuitsAndFails_data();
    void refusedRecordQuitsAndFails();
    void unexpectedReplyWhileSendingFails();
    void abortQuitsWithoutDone_data();
    void abortQuitsWithoutDone();
    void missingFileFailsLater();
    void refusedConnectionFails();
    void closedConsoleSocketFails();
    void droppedConnectionFails();
    void silentBoardFails();
    void endlessReplyIsCut();
    void receiverMayDeleteOnDone();
};

void TestFwupdater::initTestCase()
{
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QDir::setCurrent(scratchPath(QString()));
}

void TestFwupdater::startCommandForEachBoard_data()
{
    QTest::addColumn<int>("deviceIndex");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("the board itself") << 0 << QByteArray("bl\r\n");
    QTest::newRow("button panel is CAN node 0") << 1 << QByteArray("can_bl 0\r\n");
    QTest::newRow("Exp 2 is CAN node 2") << 3 << QByteArray("can_bl 2\r\n");
    QTest::newRow("Exp 7 is CAN node 7") << 8 << QByteArray("can_bl 7\r\n");
    QTest::newRow("index past the list sends nothing") << 9 << QByteArray();
    QTest::newRow("negative index sends nothing") << -1 << QByteArray();
}

void TestFwupdater::startCommandForEachBoard()
{
    QFETCH(int, deviceIndex);
    QFETCH(QByteArray, command);
    Peer board;
    QVERIFY(startOwn(board, hexFile("start.hex", {kAbc, kEof}), deviceIndex));
    board.say(">");
    if (!command.isEmpty())
        QCOMPARE(board.line(), command);
    else
        QTRY_VERIFY(out.str().find("Connected starting bootloader\n") != std::string::npos);
    // Either way the bootloader's prompt is answered with the first record.
    board.say("BL>");
    QCOMPARE(board.line(), kAbc + "\r\n");
    uploader->abort();
}

void TestFwupdater::fullExchangeSendsChecksumAndSucceeds()
{
    Peer board;
    QVERIFY(startOwn(board, hexFile("abc.hex", {":020000040800F2", kAbc, kEof})));
    board.say("KORVO>");
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    board.say("BL>");
    QCOMPARE(board.line(), QByteArray(":020000040800F2\r\n"));
    board.say("BL>");
    QCOMPARE(board.line(), kAbc + "\r\n");
    board.say("\r\nBL>");
    QCOMPARE(board.line(), kEof + "\r\n");
    board.say("BL>");
    QCOMPARE(board.line(), QByteArray("$19495\r\n"));
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 1);
    QCOMPARE(outcome.reason, QString());
    QCOMPARE(out.str(), std::string("Connected starting bootloader\n"
                                    "Bootloader sending hexfile\n"
                                    "Sending checksum and flashing PCB\n"
                                    "Wait 1 minute. and then reconnect\n"
                                    "4c27\r\n"));
    QCOMPARE(readFile(QStringLiteral("fw.bin")), QByteArray("abc"));
    QTRY_VERIFY(!uploader);
    QTRY_COMPARE(board.socket->state(), QAbstractSocket::UnconnectedState);
}

void TestFwupdater::progressCountsFirstLineEnd()
{
    const QString path = hexFile("progress.hex", {kAbc, kDef, kEof});
    Peer board;
    watch(new Fwupdater(QStringLiteral("127.0.0.1"), server.serverPort(), 0));
    QSignalSpy size(uploader.data(), &Fwupdater::setSize);
    QSignalSpy progress(uploader.data(), &Fwupdater::progress);
    QCOMPARE(uploader->uploadFile(path), 0);
    QCOMPARE(size.count(), 1);
    QCOMPARE(size.at(0).at(0).toInt(), int(QFileInfo(path).size()));
    QVERIFY(server.waitForNewConnection(5000));
    board.socket = server.nextPendingConnection();
    board.say(">");
    board.line();
    for (int i = 0; i < 3; ++i) {
        board.say("BL>");
        board.line();
    }
    QCOMPARE(progress.count(), 3);
    const int first = kAbc.size() + 2; // the first line counts its CR LF
    QCOMPARE(progress.at(0).at(0).toInt(), first);
    QCOMPARE(progress.at(1).at(0).toInt(), first + kDef.size());
    QCOMPARE(progress.at(2).at(0).toInt(), first + kDef.size() + kEof.size());
    uploader->abort();
}

void TestFwupdater::borrowedSocketStartsAtOnceAndIsLeftOpen()
{
    Peer board;
    QVERIFY(startBorrowed(board, hexFile("borrowed.hex", {kAbc, kEof}), 3));
    QCOMPARE(board.line(), QByteArray("can_bl 2\r\n"));
    board.say("BL>");
    QCOMPARE(board.line(), kAbc + "\r\n");
    board.say("BL>");
    QCOMPARE(board.line(), kEof + "\r\n");
    board.say("BL>");
    QCOMPARE(board.line(), QByteArray("$19495\r\n"));
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 1);
    QTRY_VERIFY(!uploader);

    // The console socket is the caller's: still open, and no longer read by the uploader.
    QCOMPARE(borrowed->state(), QAbstractSocket::ConnectedState);
    QSignalSpy readable(borrowed.get(), &QIODevice::readyRead);
    board.say("KORVO>");
    QVERIFY(readable.wait(5000));
    QCOMPARE(borrowed->readAll(), QByteArray("KORVO>"));
}

void TestFwupdater::promptInsideGreetingIsUnexpected()
{
    Peer board;
    QVERIFY(startOwn(board, hexFile("greeting.hex", {kAbc, kEof})));
    board.say(">");
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    // One read holding a status line and the prompt is one reply, not starting with "BL>".
    board.say("Erasing done\r\nBL>");
    QCOMPARE(board.line(), QByteArray("q\r\n"));
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains("Erasing done"), qPrintable(outcome.reason));
}

void TestFwupdater::lineFeedsAndTextAfterNulAreIgnored()
{
    Peer board;
    QVERIFY(startBorrowed(board, hexFile("nul.hex", {kAbc, kDef, kEof})));
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    board.say("\nBL\n>"); // line feeds vanish: a prompt
    QCOMPARE(board.line(), kAbc + "\r\n");
    board.say(QByteArray("BL>\0ERR>", 8)); // nothing of a read counts after a NUL byte
    QCOMPARE(board.line(), kDef + "\r\n");
    board.say("BL>");
    QCOMPARE(board.line(), kEof + "\r\n");
    uploader->abort();
}

void TestFwupdater::replyAfterChecksumFails()
{
    Peer board;
    QVERIFY(startBorrowed(board, hexFile("state5.hex", {kAbc, kEof})));
    board.line();
    board.say("BL>");
    board.line();
    board.say("BL>");
    board.line();
    board.say("BL>");
    QCOMPARE(board.line(), QByteArray("$19495\r\n"));
    board.say("CRC ERROR\r");
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains("CRC ERROR"), qPrintable(outcome.reason));
    QVERIFY(out.str().find("Error:\nCRC ERROR\n") != std::string::npos);
}

void TestFwupdater::refusedRecordQuitsAndFails_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<int>("sentBefore");
    QTest::addColumn<QString>("reason");

    QByteArray broken = kDef;
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    QTest::newRow("broken checksum on line 2")
        << QByteArrayList{kAbc, broken, kEof} << 1 << QStringLiteral("line 2");
    QTest::newRow("broken first line")
        << QByteArrayList{broken, kEof} << 0 << QStringLiteral("line 1");
    QTest::newRow("blank line before the end")
        << QByteArrayList{kAbc, QByteArray(), kEof} << 1 << QStringLiteral("line 2");
    QTest::newRow("single line file reads past its end")
        << QByteArrayList{kEof} << 1 << QStringLiteral("line 2");
    QTest::newRow("no end-of-file record")
        << QByteArrayList{kAbc, kDef} << 2 << QStringLiteral("end-of-file");
}

void TestFwupdater::refusedRecordQuitsAndFails()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(int, sentBefore);
    QFETCH(QString, reason);

    Peer board;
    QVERIFY(startBorrowed(board, hexFile("refused.hex", lines)));
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    for (int i = 0; i < sentBefore; ++i) {
        board.say("BL>");
        QCOMPARE(board.line(), lines.at(i) + "\r\n");
    }
    board.say("BL>");
    QCOMPARE(board.line(), QByteArray("q\r\n"));
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains(reason), qPrintable(outcome.reason));

    // A board that prompts again gets nothing more: no firmware with a hole. Its prompt stays
    // unread in the console socket, and the uploader is gone.
    QTRY_VERIFY(!uploader);
    QSignalSpy readable(borrowed.get(), &QIODevice::readyRead);
    board.say("BL>");
    QVERIFY(readable.wait(5000));
    QCOMPARE(borrowed->readAll(), QByteArray("BL>"));
    QCOMPARE(board.socket->bytesAvailable(), 0);
    QCOMPARE(outcome.count, 1);
}

void TestFwupdater::unexpectedReplyWhileSendingFails()
{
    Peer board;
    QVERIFY(startBorrowed(board, hexFile("unexpected.hex", {kAbc, kDef, kEof})));
    board.line();
    board.say("BL>");
    board.line();
    board.say("FLASH WRITE ERROR>");
    QCOMPARE(board.line(), QByteArray("q\r\n"));
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains("after line 1"), qPrintable(outcome.reason));
}

void TestFwupdater::abortQuitsWithoutDone_data()
{
    QTest::addColumn<bool>("borrowedMode");
    QTest::newRow("own connection is closed") << false;
    QTest::newRow("borrowed socket stays open") << true;
}

void TestFwupdater::abortQuitsWithoutDone()
{
    QFETCH(bool, borrowedMode);
    Peer board;
    const QString path = hexFile("abort.hex", {kAbc, kDef, kEof});
    QVERIFY(borrowedMode ? startBorrowed(board, path) : startOwn(board, path));
    if (!borrowedMode)
        board.say(">");
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    board.say("BL>");
    board.line();
    uploader->abort();
    QCOMPARE(board.line(), QByteArray("q\r\n"));
    QTRY_VERIFY(!uploader);
    QCOMPARE(outcome.count, 0);
    if (borrowedMode)
        QCOMPARE(borrowed->state(), QAbstractSocket::ConnectedState);
    else
        QTRY_COMPARE(board.socket->state(), QAbstractSocket::UnconnectedState);
}

void TestFwupdater::missingFileFailsLater()
{
    watch(new Fwupdater(QStringLiteral("127.0.0.1"), server.serverPort(), 0));
    QCOMPARE(uploader->uploadFile(scratchPath("no-such.hex")), -2);
    QCOMPARE(outcome.count, 0); // reported from the event loop, after the call returned
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains("no-such.hex"), qPrintable(outcome.reason));
}

void TestFwupdater::refusedConnectionFails()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    watch(new Fwupdater(QStringLiteral("127.0.0.1"), port, 0));
    QCOMPARE(uploader->uploadFile(hexFile("refusedconnect.hex", {kEof})), -1);
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains("cannot connect"), qPrintable(outcome.reason));
}

void TestFwupdater::closedConsoleSocketFails()
{
    QTcpSocket unconnected;
    watch(new Fwupdater(&unconnected, 0));
    uploader->uploadFileOnSocket(hexFile("closedconsole.hex", {kEof}));
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY(!outcome.reason.isEmpty());
}

void TestFwupdater::droppedConnectionFails()
{
    Peer board;
    QVERIFY(startOwn(board, hexFile("dropped.hex", {kAbc, kDef, kEof})));
    board.say(">");
    board.line();
    board.say("BL>");
    board.line();
    board.socket->close();
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains("the board closed the connection after line 1"),
             qPrintable(outcome.reason));
}

void TestFwupdater::silentBoardFails()
{
    Peer board;
    QVERIFY(startBorrowed(board, hexFile("silent.hex", {kAbc, kEof})));
    uploader->setSilenceTimeout(std::chrono::milliseconds(300));
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    QCOMPARE(board.line(), QByteArray("q\r\n")); // the silent bootloader is told to quit
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.reason.contains("no answer"), qPrintable(outcome.reason));
}

void TestFwupdater::endlessReplyIsCut()
{
    Peer board;
    QVERIFY(startBorrowed(board, hexFile("endless.hex", {kAbc, kEof})));
    board.line();
    // A board streaming text without any delimiter: the buffer stays bounded, and the prompt
    // after it is one reply that does not start with "BL>".
    board.say(QByteArray(3 * Fwupdater::kMaxReplyBuffer, 'x'));
    board.say("BL>");
    QCOMPARE(board.line(), QByteArray("q\r\n"));
    QVERIFY(waitDone());
    QCOMPARE(outcome.status, 0);
    QVERIFY(outcome.reason.size() < 200);
}

void TestFwupdater::receiverMayDeleteOnDone()
{
    watch(new Fwupdater(QStringLiteral("127.0.0.1"), server.serverPort(), 0));
    connect(uploader, &Fwupdater::done, uploader, [this] { delete uploader; });
    uploader->uploadFile(scratchPath("missing.hex"));
    QTRY_VERIFY(!uploader);
    QCOMPARE(outcome.count, 1);
}

QTEST_GUILESS_MAIN(TestFwupdater)
#include "tst_fwupdater.moc"
