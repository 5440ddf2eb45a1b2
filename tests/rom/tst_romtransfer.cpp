#include "fletcher16.h"
#include "hextestfiles.h"
#include "rompacket.h"
#include "romtransfer.h"
#include "scriptedboard.h"

#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono_literals;
using HexTestFiles::noise;

namespace {

const QByteArray kHangUp = "<the board hangs up>";

QString fileOf(int size)
{
    const QString name = QStringLiteral("%1.bin").arg(size);
    HexTestFiles::writeFile(name, noise(size));
    return name;
}

} // namespace

// The put_binary exchange against a board played by the test, over an own connection and
// over a borrowed console socket, and every way a transfer can end.
class TestRomTransfer : public QObject
{
    Q_OBJECT

private slots:
    void ownConnectionWritesTwoPackets();
    void emptyFileEndsAtNextPrompt();
    void promptInWaitingState_data();
    void promptInWaitingState();
    void noiseBetweenPacketsIgnored();
    void consoleGoesOnAfterTheTransfer_data();
    void consoleGoesOnAfterTheTransfer();
    void stalePromptOnConsoleSkipped();
    void failureEndsInDone_data();
    void failureEndsInDone();
};

void TestRomTransfer::ownConnectionWritesTwoPackets()
{
    const QByteArray content = noise(241);
    ScriptedBoard board;
    RomTransfer transfer(QStringLiteral("127.0.0.1"), board.port());
    QSignalSpy sizeSpy(&transfer, &RomTransfer::setSize);
    QSignalSpy progressSpy(&transfer, &RomTransfer::progress);
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);

    QVERIFY(transfer.transferFile(1234, fileOf(241)));
    QVERIFY(!transfer.transferFile(2, fileOf(3))); // one transfer at a time
    QCOMPARE(sizeSpy.value(0).value(0).toInt(), 241);
    QTRY_VERIFY(board.peer);
    QCOMPARE(board.received, QByteArray()); // the board speaks first on a new connection
    board.send(">");
    QCOMPARE(board.line(),
             "put_binary 1234:241:" + QByteArray::number(Fletcher16::of(content)) + "\r\n");
    board.send(">");
    QTRY_COMPARE(board.unread, RomPacket::frame(content.left(240), 0)); // 247 bytes
    board.unread.clear();
    board.send(">");
    QTRY_COMPARE(board.unread, RomPacket::frame(content.mid(240), 1)); // 8 bytes
    QCOMPARE(progressSpy.size(), 2);
    QCOMPARE(progressSpy.at(0).at(0).toInt(), 247);
    QCOMPARE(progressSpy.at(1).at(0).toInt(), 255);
    QVERIFY(doneSpy.isEmpty());

    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QVERIFY(transfer.failureReason().isEmpty());
    QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
}

void TestRomTransfer::emptyFileEndsAtNextPrompt()
{
    ScriptedBoard board;
    RomTransfer transfer(QStringLiteral("127.0.0.1"), board.port());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(0x20000, fileOf(0)));
    board.send(">");
    QCOMPARE(board.line(), QByteArray("put_binary 131072:0:0\r\n"));
    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.unread, QByteArray());
}

void TestRomTransfer::promptInWaitingState_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<bool>("starts");
    QTest::newRow("bare prompt") << QByteArrayList{">"} << true;
    QTest::newRow("bootloader prompt") << QByteArrayList{"BL>"} << true;
    QTest::newRow("prompt with trailing blanks") << QByteArrayList{"BL>   \r\n"} << true;
    QTest::newRow("greeting line and prompt in one read")
        << QByteArrayList{"Korvo console\r\nBL>"} << true;
    QTest::newRow("prompt split across two reads") << QByteArrayList{"B", "L>"} << true;
    QTest::newRow("line without prompt ignored") << QByteArrayList{"Korvo console\r\n"} << false;
    QTest::newRow("prompt sign inside a line ignored") << QByteArrayList{"a > b\r\n"} << false;
    QTest::newRow("prompt after a NUL byte ignored")
        << QByteArrayList{QByteArray("ok\0>", 4)} << false;
}

void TestRomTransfer::promptInWaitingState()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(bool, starts);
    ScriptedBoard board;
    auto console = board.dialIn();
    QVERIFY(console);
    RomTransfer transfer(console.get());
    QVERIFY(transfer.transferFile(5, fileOf(10)));
    QCOMPARE(board.line(), QByteArray("\r\n")); // asks a borrowed console for a prompt

    // The transfer reads before this spy, which was connected after it.
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    for (const QByteArray &read : reads) {
        board.send(read);
        QVERIFY(readSpy.wait(5000));
    }
    QCOMPARE(transfer.state(),
             starts ? RomTransfer::State::Sending : RomTransfer::State::WaitingForPrompt);
    if (starts)
        QVERIFY(board.line().startsWith("put_binary 5:10:"));
}

void TestRomTransfer::noiseBetweenPacketsIgnored()
{
    const QByteArray content = noise(300);
    ScriptedBoard board;
    auto console = board.dialIn();
    RomTransfer transfer(console.get());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(7, fileOf(300)));
    QCOMPARE(board.line(), QByteArray("\r\n"));
    board.send(">");
    QVERIFY(board.line().startsWith("put_binary 7:300:"));

    // Status lines, even split across reads, neither send a packet nor end the transfer.
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    for (const char *noise : {"Erasing sec", "tor 12\r\n", "> \r\n", "OK>\r\n"}) {
        board.send(noise);
        QVERIFY(readSpy.wait(5000));
    }
    QCOMPARE(transfer.state(), RomTransfer::State::Sending);
    QCOMPARE(board.unread, QByteArray());
    board.send(">\r\n");
    QTRY_COMPARE(board.unread.size(), 247);
    board.send("\r\n>");
    QTRY_COMPARE(board.unread.mid(247), RomPacket::frame(content.mid(240), 1));
    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
}

void TestRomTransfer::consoleGoesOnAfterTheTransfer_data()
{
    QTest::addColumn<bool>("aborted"); // after the command, before the first packet
    QTest::newRow("after a good transfer") << false;
    QTest::newRow("after an abort, without a packet") << true;
}

void TestRomTransfer::consoleGoesOnAfterTheTransfer()
{
    QFETCH(bool, aborted);
    ScriptedBoard board(aborted ? ScriptedBoard::Answers::None : ScriptedBoard::Answers::Rom);
    auto console = board.dialIn();
    RomTransfer transfer(console.get());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(9, fileOf(3)));
    if (aborted) {
        QCOMPARE(board.line(), QByteArray("\r\n"));
        board.send(">");
        QVERIFY(board.line().startsWith("put_binary"));
        transfer.abort();
        QVERIFY(!transfer.isBusy());
    }
    QTRY_COMPARE(doneSpy.size(), aborted ? 0 : 1);
    QCOMPARE(doneSpy.value(0).value(0).toInt(), aborted ? 0 : 1);
    QCOMPARE(board.packets.size(), aborted ? 0 : 1);

    // The main window reads the console again: what the board says next is left to it.
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    board.send(">tube idle\r\n");
    QVERIFY(readSpy.wait(5000));
    QCOMPARE(console->readAll(), QByteArray(">tube idle\r\n")); // the prompt was not taken
}

void TestRomTransfer::stalePromptOnConsoleSkipped()
{
    ScriptedBoard board;
    auto console = board.dialIn();
    board.send("tube idle\r\n>"); // shown before the main window let go of the console
    QTRY_VERIFY(console->bytesAvailable() > 0);
    RomTransfer transfer(console.get());
    QSignalSpy progressSpy(&transfer, &RomTransfer::progress);
    QVERIFY(transfer.transferFile(1, fileOf(3)));
    QCOMPARE(board.line(), QByteArray("\r\n"));
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    board.send("\r\n>"); // a board ends the open prompt's line before a new one
    QVERIFY(readSpy.wait(5000));
    // The fresh prompt starts the command; a stale one would have sent a packet as well.
    QCOMPARE(transfer.state(), RomTransfer::State::Sending);
    QCOMPARE(progressSpy.size(), 0);
}

void TestRomTransfer::failureEndsInDone_data()
{
    QTest::addColumn<QString>("channel");  // own, console, closed port, no port, unconnected, none
    QTest::addColumn<int>("size");         // of the file; -1: no file
    QTest::addColumn<QByteArray>("after"); // the board after the first packet; empty: silent
    QTest::addColumn<QString>("reason");
    const QByteArray text = "CHECKSUM ERROR\r\n>";
    QTest::newRow("file that cannot be opened") << "own" << -1 << QByteArray() << "no/such.bin";
    QTest::newRow("connection refused") << "closed port" << 3 << QByteArray() << "Cannot connect";
    QTest::newRow("connection text without a port") << "no port" << 3 << QByteArray() << "port";
    QTest::newRow("console not connected") << "unconnected" << 3 << QByteArray() << "not open";
    QTest::newRow("no console at all") << "none" << 3 << QByteArray() << "not open";
    QTest::newRow("board that never greets") << "own" << 3 << QByteArray() << "did not answer";
    QTest::newRow("own connection dropped mid-file") << "own" << 1000 << kHangUp << "lost";
    QTest::newRow("console dropped mid-file") << "console" << 1000 << kHangUp << "lost";
    QTest::newRow("own connection ending on a non-prompt reply fails, not silently")
        << "own" << 5 << text << "CHECKSUM ERROR";
    QTest::newRow("console ending on a non-prompt reply is not told success")
        << "console" << 5 << text << "CHECKSUM ERROR";
}

void TestRomTransfer::failureEndsInDone()
{
    QFETCH(QString, channel);
    QFETCH(int, size);
    QFETCH(QByteArray, after);
    QFETCH(QString, reason);

    ScriptedBoard board;
    QTcpSocket unconnected;
    const std::unique_ptr<QTcpSocket> console = channel == "console" ? board.dialIn() : nullptr;
    QTcpSocket *socket = console                    ? console.get()
                         : channel == "unconnected" ? &unconnected
                                                    : nullptr;
    quint16 port = channel == "own" ? board.port() : 0;
    if (channel == "closed port") {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    const auto transfer = socket || channel == "none"
                              ? std::make_unique<RomTransfer>(socket)
                              : std::make_unique<RomTransfer>(QStringLiteral("127.0.0.1"), port);
    transfer->setSilenceTimeout(300ms);
    QSignalSpy doneSpy(transfer.get(), &RomTransfer::done);
    QVERIFY(transfer->transferFile(1, size < 0 ? QStringLiteral("no/such.bin") : fileOf(size)));
    if (!after.isEmpty()) {
        if (console)
            QCOMPARE(board.line(), QByteArray("\r\n"));
        board.send(">");
        QCOMPARE(board.line(), RomPacket::putBinaryCommand(1, size, Fletcher16::of(noise(size))));
        board.send(">");
        QTRY_COMPARE(board.unread, RomPacket::frame(noise(size).left(240), 0));
        if (after == kHangUp)
            board.peer->close();
        else
            board.send(after);
    }
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY2(transfer->failureReason().contains(reason), qPrintable(transfer->failureReason()));
    QVERIFY(!transfer->isBusy());
    if (console && after != kHangUp)
        QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    if (channel == "own" && size >= 0)
        QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
    else if (channel != "console")
        QCOMPARE(board.connections, 0);
}

QTEST_GUILESS_MAIN(TestRomTransfer)
#include "tst_romtransfer.moc"
