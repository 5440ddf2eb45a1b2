#include "fletcher16.h"
#include "rompacket.h"
#include "romtransfer.h"
#include "scriptedboard.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono_literals;

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
    void borrowedSocketStaysOpenAfterTransfer();
    void stalePromptOnConsoleSkipped();
    void secondTransferWhileBusyRefused();
    void abortLeavesBorrowedSocketOpen();
    void fileNotOpenedEndsInDone();
    void connectionRefusedEndsInDone();
    void missingPortEndsInDone();
    void closedConsoleEndsInDone();
    void silentBoardEndsInDone();
    void failureAfterFirstPacket_data();
    void failureAfterFirstPacket();
};

static QString writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
    return name;
}

static QByteArray bytesOf(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>(i * 31 + 5));
    return bytes;
}

void TestRomTransfer::ownConnectionWritesTwoPackets()
{
    const QByteArray content = bytesOf(241);
    const QString fileName = writeFile(QStringLiteral("241.bin"), content);
    ScriptedBoard board;
    RomTransfer transfer(QStringLiteral("127.0.0.1"), board.port());
    QSignalSpy sizeSpy(&transfer, &RomTransfer::setSize);
    QSignalSpy progressSpy(&transfer, &RomTransfer::progress);
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);

    QVERIFY(transfer.transferFile(1234, fileName));
    QCOMPARE(sizeSpy.value(0).value(0).toInt(), 241);
    QTRY_VERIFY(board.peer);
    QCOMPARE(board.received, QByteArray()); // the board speaks first on a new connection
    board.send(">");
    const QByteArray command =
        "put_binary 1234:241:" + QByteArray::number(Fletcher16::of(content)) + "\r\n";
    QTRY_COMPARE(board.received, command);

    board.received.clear();
    board.send(">");
    QTRY_COMPARE(board.received.size(), 247);
    QCOMPARE(board.received, RomPacket::frame(content.left(240), 0));
    board.received.clear();
    board.send(">");
    QTRY_COMPARE(board.received.size(), 8);
    QCOMPARE(board.received, RomPacket::frame(content.mid(240), 1));
    QCOMPARE(progressSpy.size(), 2);
    QCOMPARE(progressSpy.at(0).at(0).toInt(), 247);
    QCOMPARE(progressSpy.at(1).at(0).toInt(), 255);
    QVERIFY(doneSpy.isEmpty());

    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QVERIFY(transfer.failureReason().isEmpty());
    QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);

    // Every transfer opens a connection of its own.
    ScriptedBoard next(true);
    RomTransfer again(QStringLiteral("127.0.0.1"), next.port());
    QSignalSpy againSpy(&again, &RomTransfer::done);
    QVERIFY(again.transferFile(0, fileName));
    QTRY_COMPARE(againSpy.size(), 1);
    QCOMPARE(againSpy.at(0).at(0).toInt(), 1);
}

void TestRomTransfer::emptyFileEndsAtNextPrompt()
{
    const QString fileName = writeFile(QStringLiteral("empty.bin"), QByteArray());
    ScriptedBoard board;
    RomTransfer transfer(QStringLiteral("127.0.0.1"), board.port());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(0x20000, fileName));
    QTRY_VERIFY(board.peer);
    board.send(">");
    QTRY_COMPARE(board.received, QByteArray("put_binary 131072:0:0\r\n"));
    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.received, QByteArray("put_binary 131072:0:0\r\n"));
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
    const QString fileName = writeFile(QStringLiteral("p.bin"), bytesOf(10));
    ScriptedBoard board;
    auto console = board.dialIn();
    QVERIFY(console);
    RomTransfer transfer(console.get());
    QVERIFY(transfer.transferFile(5, fileName));
    QTRY_COMPARE(board.received, QByteArray("\r\n")); // asks a borrowed console for a prompt

    // The transfer reads before this spy, which was connected after it.
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    for (const QByteArray &read : reads) {
        board.send(read);
        QVERIFY(readSpy.wait(5000));
    }
    QCOMPARE(transfer.state(),
             starts ? RomTransfer::State::Sending : RomTransfer::State::WaitingForPrompt);
    if (starts)
        QTRY_VERIFY(board.received.endsWith("\r\n") && board.received.startsWith("\r\nput"));
}

void TestRomTransfer::noiseBetweenPacketsIgnored()
{
    const QByteArray content = bytesOf(300);
    const QString fileName = writeFile(QStringLiteral("noise.bin"), content);
    ScriptedBoard board;
    auto console = board.dialIn();
    RomTransfer transfer(console.get());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(7, fileName));
    QTRY_COMPARE(board.received, QByteArray("\r\n"));
    board.send(">");
    QTRY_VERIFY(board.received.endsWith("\r\n") && board.received.size() > 2);
    board.received.clear();

    // Status lines, even split across reads, neither send a packet nor end the transfer.
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    for (const QByteArray &noise : {QByteArray("Erasing sec"), QByteArray("tor 12\r\n"),
                                    QByteArray("> \r\n"), QByteArray("OK>\r\n")}) {
        board.send(noise);
        QVERIFY(readSpy.wait(5000));
    }
    QCOMPARE(transfer.state(), RomTransfer::State::Sending);
    board.send(">\r\n");
    QTRY_COMPARE(board.received.size(), 247);
    board.send("\r\n>");
    QTRY_COMPARE(board.received.size(), 247 + 67);
    QCOMPARE(board.received.mid(247), RomPacket::frame(content.mid(240), 1));
    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
}

void TestRomTransfer::borrowedSocketStaysOpenAfterTransfer()
{
    const QString fileName = writeFile(QStringLiteral("b.bin"), bytesOf(3));
    ScriptedBoard board(true);
    auto console = board.dialIn();
    RomTransfer transfer(console.get());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(9, fileName));
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.packets.size(), 1);

    // The main window reads the console again: lines after the transfer are left to it.
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    board.send("tube idle\r\n");
    QVERIFY(readSpy.wait(5000));
    QCOMPARE(console->readAll(), QByteArray("tube idle\r\n"));
}

void TestRomTransfer::stalePromptOnConsoleSkipped()
{
    const QString fileName = writeFile(QStringLiteral("stale.bin"), bytesOf(3));
    ScriptedBoard board;
    auto console = board.dialIn();
    board.send("tube idle\r\n>"); // shown before the main window let go of the console
    QTRY_VERIFY(console->bytesAvailable() > 0);
    RomTransfer transfer(console.get());
    QSignalSpy progressSpy(&transfer, &RomTransfer::progress);
    QVERIFY(transfer.transferFile(1, fileName));
    QTRY_COMPARE(board.received, QByteArray("\r\n"));
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    board.send("\r\n>"); // a board ends the open prompt's line before a new one
    QVERIFY(readSpy.wait(5000));
    // The fresh prompt starts the command; a stale one would have sent a packet as well.
    QCOMPARE(transfer.state(), RomTransfer::State::Sending);
    QCOMPARE(progressSpy.size(), 0);
}

void TestRomTransfer::secondTransferWhileBusyRefused()
{
    const QString fileName = writeFile(QStringLiteral("busy.bin"), bytesOf(3));
    ScriptedBoard board;
    RomTransfer transfer(QStringLiteral("127.0.0.1"), board.port());
    QVERIFY(transfer.transferFile(1, fileName));
    QVERIFY(!transfer.transferFile(2, fileName));
    QVERIFY(transfer.isBusy());
}

void TestRomTransfer::abortLeavesBorrowedSocketOpen()
{
    const QString fileName = writeFile(QStringLiteral("abort.bin"), bytesOf(500));
    ScriptedBoard board;
    auto console = board.dialIn();
    RomTransfer transfer(console.get());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(1, fileName));
    board.send(">");
    QTRY_VERIFY(board.received.endsWith("\r\n") && board.received.size() > 2);
    transfer.abort();
    QVERIFY(!transfer.isBusy());
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    board.send(">");
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    QVERIFY(readSpy.wait(5000));
    QCOMPARE(console->readAll(), QByteArray(">")); // no packet went out for it
    QVERIFY(doneSpy.isEmpty());
}

void TestRomTransfer::fileNotOpenedEndsInDone()
{
    ScriptedBoard board;
    RomTransfer transfer(QStringLiteral("127.0.0.1"), board.port());
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(1, QStringLiteral("no/such/file.bin")));
    QCOMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY(transfer.failureReason().contains(QLatin1String("no/such/file.bin")));
    QVERIFY(!transfer.isBusy());
    QCOMPARE(board.connections, 0);
}

void TestRomTransfer::connectionRefusedEndsInDone()
{
    const QString fileName = writeFile(QStringLiteral("r.bin"), bytesOf(3));
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    RomTransfer transfer(QStringLiteral("127.0.0.1"), closedPort);
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(1, fileName));
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY2(transfer.failureReason().startsWith(QLatin1String("Cannot connect")),
             qPrintable(transfer.failureReason()));
}

void TestRomTransfer::missingPortEndsInDone()
{
    const QString fileName = writeFile(QStringLiteral("m.bin"), bytesOf(3));
    RomTransfer transfer(QStringLiteral("board"), 0);
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(1, fileName));
    QCOMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY(!transfer.isBusy());
}

void TestRomTransfer::closedConsoleEndsInDone()
{
    const QString fileName = writeFile(QStringLiteral("c.bin"), bytesOf(3));
    QTcpSocket neverConnected;
    RomTransfer transfer(&neverConnected);
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(1, fileName));
    QCOMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    RomTransfer withoutSocket(nullptr);
    QSignalSpy nullSpy(&withoutSocket, &RomTransfer::done);
    QVERIFY(withoutSocket.transferFile(1, fileName));
    QCOMPARE(nullSpy.size(), 1);
}

void TestRomTransfer::silentBoardEndsInDone()
{
    const QString fileName = writeFile(QStringLiteral("s.bin"), bytesOf(3));
    ScriptedBoard board;
    RomTransfer transfer(QStringLiteral("127.0.0.1"), board.port());
    transfer.setSilenceTimeout(300ms);
    QSignalSpy doneSpy(&transfer, &RomTransfer::done);
    QVERIFY(transfer.transferFile(1, fileName));
    QTRY_COMPARE(doneSpy.size(), 1); // the board never greets
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY2(transfer.failureReason().contains(QLatin1String("did not answer")),
             qPrintable(transfer.failureReason()));
    QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
}

void TestRomTransfer::failureAfterFirstPacket_data()
{
    QTest::addColumn<bool>("borrowed");
    QTest::addColumn<QByteArray>("answer"); // empty: the board drops the connection
    QTest::addColumn<QString>("reason");
    QTest::newRow("own connection dropped after the first packet")
        << false << QByteArray() << "lost";
    QTest::newRow("console dropped after the first packet") << true << QByteArray() << "lost";
    QTest::newRow("own connection ending on a non-prompt reply fails, not silently")
        << false << QByteArray("CHECKSUM ERROR\r\n>") << "CHECKSUM ERROR";
    QTest::newRow("console ending on a non-prompt reply is not told success")
        << true << QByteArray("CHECKSUM ERROR\r\n>") << "CHECKSUM ERROR";
}

void TestRomTransfer::failureAfterFirstPacket()
{
    QFETCH(bool, borrowed);
    QFETCH(QByteArray, answer);
    QFETCH(QString, reason);
    // One packet for the reply to follow the last one; more for the drop to come mid-file.
    const QByteArray content = bytesOf(answer.isEmpty() ? 1000 : 5);
    const QString fileName = writeFile(QStringLiteral("f.bin"), content);
    ScriptedBoard board;
    std::unique_ptr<QTcpSocket> console;
    std::unique_ptr<RomTransfer> transfer;
    if (borrowed) {
        console = board.dialIn();
        transfer = std::make_unique<RomTransfer>(console.get());
    } else {
        transfer = std::make_unique<RomTransfer>(QStringLiteral("127.0.0.1"), board.port());
    }
    QSignalSpy doneSpy(transfer.get(), &RomTransfer::done);
    QVERIFY(transfer->transferFile(1, fileName));
    QTRY_VERIFY(board.peer);
    board.send(">");
    QTRY_VERIFY(board.received.contains("put_binary"));
    board.send(">");
    QTRY_VERIFY(board.received.endsWith(RomPacket::frame(content.left(240), 0)));
    if (answer.isEmpty())
        board.peer->close();
    else
        board.send(answer);
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY2(transfer->failureReason().contains(reason), qPrintable(transfer->failureReason()));
    QVERIFY(!transfer->isBusy());
    if (borrowed && !answer.isEmpty())
        QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    if (!borrowed)
        QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
}

QTEST_GUILESS_MAIN(TestRomTransfer)
#include "tst_romtransfer.moc"
