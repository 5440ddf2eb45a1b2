#include "fletcher16.h"
#include "hextestfiles.h"
#include "rompacket.h"
#include "romreplycutter.h"
#include "romtransfer.h"
#include "scriptedboard.h"

#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono_literals;
using HexTestFiles::noise;

// One step of an exchange: what the board says, then what the transfer must send next;
// either may be empty. Markers stand for acts and for the bytes the test works out.
using Steps = QList<QPair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Steps)

namespace {

const QByteArray kHangUp = "<the board hangs up>";
const QByteArray kAbort = "<the transfer is aborted>";
const QByteArray kBabble = "<every 100 ms until the end>"; // followed by what the board says
const QByteArray kCommand = "<put_binary of the file>";
const QByteArray kPacket = "<the next packet of the file>";
const QString kAborted = QStringLiteral("<aborted>");
constexpr quint32 kAddress = 1234;

} // namespace

// The wire bytes of a ROM write, its replies cut from the board's text, and the put_binary
// exchange against a board played by the test, on an own connection and on a borrowed console
// socket, to every end it can take.
class TestRomTransfer : public QObject
{
    Q_OBJECT

private slots:
    void frameBytes();
    void replies_data();
    void replies();
    void exchange_data();
    void exchange();
};

void TestRomTransfer::frameBytes()
{
    // The Fletcher pairs worked out by hand: sums modulo 255 over length, sequence and data.
    const QByteArray abc("\x0a\0\0\0\0abc\x31\x9c", 10);
    QCOMPARE(RomPacket::frame("abc", 0).toHex(), abc.toHex());
    QCOMPARE(RomPacket::frame("\xff", 0x01020304).toHex(), // the sequence big-endian
             QByteArray("\x08\x01\x02\x03\x04\xff\x12\x4e").toHex());
    QCOMPARE(RomPacket::putBinaryCommand(0xffffffffu, 241, 0xffffu),
             QByteArray("put_binary 4294967295:241:65535\r\n"));
}

// How one read of the console is cut into replies; also the seeds of the cutter's fuzz target.
void TestRomTransfer::replies_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QStringList>("replies");
    QTest::newRow("carriage returns split, empty pieces dropped, the last kept")
        << QByteArray("\r\nERROR: busy\r\n>") << QStringList{"ERROR: busy", ">"};
    QTest::newRow("line feeds vanish, blanks stay, a NUL byte ends the read")
        << QByteArray("BL>  \n\rok\0>", 11) << QStringList{"BL>  ", "ok"};
}

void TestRomTransfer::replies()
{
    QFETCH(QByteArray, read);
    QFETCH(QStringList, replies);
    QCOMPARE(RomReplyCutter::cut(read), replies);
}

void TestRomTransfer::exchange_data()
{
    QTest::addColumn<QString>("channel");  // own, console, closed port, no port, unconnected
    QTest::addColumn<int>("size");         // of the file; -1: no file
    QTest::addColumn<QByteArray>("stale"); // on the console before the transfer starts
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("end"); // empty: written; kAborted; else part of the reason
    const auto row = [](const char *name, const char *channel, int size, const Steps &steps,
                        const QString &end, const QByteArray &stale = {}) {
        QTest::newRow(name) << channel << size << stale << steps << end;
    };
    const Steps ask = {{"", "\r\n"}}; // a borrowed console is asked for a fresh prompt
    const Steps go = {{">", kCommand}, {">", kPacket}};
    const Steps aborted = {{kAbort, ""}};
    const QByteArray refusal = "CHECKSUM ERROR\r\n>";
    row("own connection: the board speaks first, a full packet and a one-byte packet", "own", 241,
        go + Steps{{">", kPacket}, {">", ""}}, "");
    row("own connection: an empty file ends at the next prompt", "own", 0,
        {{">", kCommand}, {">", ""}}, "");
    row("borrowed console, handed back afterwards", "console", 241,
        ask + go + Steps{{">", kPacket}, {">", ""}}, "");
    row("prompt with trailing blanks", "console", 10,
        ask + Steps{{"BL>   \r\n", kCommand}} + aborted, kAborted);
    row("line without prompt ignored", "console", 10,
        ask + Steps{{"Korvo console\r\n", ""}} + aborted, kAborted);
    // A stale prompt taken would put every packet one prompt ahead of the board.
    row("stale prompt on the console skipped", "console", 10,
        ask + Steps{{"\r\n>", kCommand}} + aborted, kAborted, "tube idle\r\n>");
    row("status lines between packets ignored, even split", "console", 300,
        ask + go +
            Steps{{"Erasing sec", ""},
                  {"tor 12\r\n", ""},
                  {"> \r\n", ""},
                  {"OK>\r\n", ""},
                  {"\r\n>", kPacket},
                  {">", ""}},
        "");
    row("refused put_binary ends before a byte is sent", "console", 241,
        ask + Steps{{">", kCommand}, {"\r\nERROR: put_binary area does not fit the ROM\r\n>", ""}},
        "The board refused put_binary: \"ERROR: put_binary area does not fit the ROM\"");
    row("a board talking without a prompt is given up", "own", 1000,
        go + Steps{{kBabble + "Erasing sector\r\n", ""}},
        "The board talked but gave no prompt for 0.3 s");
    row("file that cannot be opened", "own", -1, {}, "no/such.bin");
    row("connection refused", "closed port", 3, {}, "Cannot connect");
    row("console not connected", "unconnected", 3, {}, "not open");
    row("board that never greets", "own", 3, {}, "did not answer");
    row("own connection dropped mid-file", "own", 1000, go + Steps{{kHangUp, ""}}, "lost");
    row("console dropped mid-file", "console", 1000, ask + go + Steps{{kHangUp, ""}}, "lost");
    row("own connection ending on a non-prompt reply fails, not silently", "own", 5,
        go + Steps{{refusal, ""}}, "CHECKSUM ERROR");
    row("console ending on a non-prompt reply is not told success", "console", 5,
        ask + go + Steps{{refusal, ""}}, "CHECKSUM ERROR");
}

void TestRomTransfer::exchange()
{
    QFETCH(QString, channel);
    QFETCH(int, size);
    QFETCH(QByteArray, stale);
    QFETCH(Steps, steps);
    QFETCH(QString, end);

    const QByteArray content = noise(qMax(size, 0));
    const QString file = size < 0 ? QStringLiteral("no/such.bin") : QStringLiteral("rom.bin");
    QVERIFY(size < 0 || HexTestFiles::writeFile(file, content));
    ScriptedBoard board;
    QTcpSocket unconnected;
    const auto console = channel == "console" ? board.dialIn() : nullptr;
    if (!stale.isEmpty()) {
        board.send(stale); // shown before the main window let go of the console
        QTRY_VERIFY(console->bytesAvailable() > 0);
    }
    QTcpSocket *socket = channel == "unconnected" ? &unconnected : console.get();
    quint16 port = channel == "own" ? board.port() : 0;
    if (channel == "closed port") {
        QTcpServer probe; // a free port, closed again at once
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    const auto transfer = socket ? std::make_unique<RomTransfer>(socket)
                                 : std::make_unique<RomTransfer>("127.0.0.1", port);
    transfer->setSilenceTimeout(300ms);
    QSignalSpy sizes(transfer.get(), &RomTransfer::setSize);
    QSignalSpy progress(transfer.get(), &RomTransfer::progress);
    QSignalSpy done(transfer.get(), &RomTransfer::done);
    QVERIFY(transfer->transferFile(kAddress, file));
    if (transfer->isBusy())
        QVERIFY(!transfer->transferFile(2, file)); // one transfer at a time
    QCOMPARE(sizes.value(0).value(0).toInt(), qMax(size, 0));
    if (channel == "own" && !steps.isEmpty()) {
        QTRY_VERIFY(board.peer);
        QCOMPARE(board.received, QByteArray());
    }

    const QByteArray command = "put_binary 1234:" + QByteArray::number(size) + ':' +
                               QByteArray::number(Fletcher16::of(content)) + "\r\n";
    QList<int> sent;
    for (const auto &step : qAsConst(steps)) {
        // Connected after the transfer's slot: once it fires, the transfer has read.
        const auto read =
            console ? std::make_unique<QSignalSpy>(console.get(), &QIODevice::readyRead) : nullptr;
        if (step.first.startsWith(kBabble)) {
            const QByteArray said = step.first.mid(kBabble.size());
            QTimer babble;
            connect(&babble, &QTimer::timeout, [&] { board.send(said); });
            babble.start(100);
            QVERIFY(done.wait(3000));
            continue;
        }
        if (step.first == kHangUp)
            board.peer->close();
        else if (step.first == kAbort)
            transfer->abort();
        else if (!step.first.isEmpty())
            board.send(step.first);
        if (step.second == kCommand) {
            QCOMPARE(board.line(), command);
        } else if (step.second == kPacket) {
            const QByteArray data = content.mid(sent.size() * 240, 240);
            const QByteArray packet = RomPacket::frame(data, sent.size());
            QTRY_COMPARE(board.unread, packet);
            board.unread.clear();
            sent << sent.value(sent.size() - 1) + packet.size();
        } else if (!step.second.isEmpty()) {
            QCOMPARE(board.line(), step.second);
        } else if (console && step.first != kAbort && step.first != kHangUp) {
            QVERIFY(read->wait(5000));
            QCOMPARE(board.unread, QByteArray()); // nothing sent on it
        }
    }
    const QList<int> status = end == kAborted ? QList<int>() : QList<int>{end.isEmpty() ? 1 : 0};
    QTRY_COMPARE(done.size(), status.size());
    QCOMPARE(done.value(0).value(0).toInt(), status.value(0));
    const QString reason = transfer->failureReason();
    QVERIFY2(end == kAborted || (end.isEmpty() ? reason.isEmpty() : reason.contains(end)),
             qPrintable(reason));
    QVERIFY(!transfer->isBusy());
    QCOMPARE(progress.size(), sent.size()); // 247, then 255 for 241 bytes
    for (int i = 0; i < sent.size(); ++i)
        QCOMPARE(progress.at(i).at(0).toInt(), sent.at(i));
    if (size < 0)
        QCOMPARE(board.connections, 0);
    if (channel == "own" && board.peer)
        QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
    if (!console || steps.last().first == kHangUp)
        return;
    // The main window reads the console again: what the board says next is left to it.
    QSignalSpy read(console.get(), &QTcpSocket::readyRead);
    board.send(">tube idle\r\n");
    QVERIFY(read.wait(5000));
    QCOMPARE(console->readAll(), QByteArray(">tube idle\r\n"));
    QCOMPARE(board.unread, QByteArray()); // its prompt sent no packet
}

QTEST_GUILESS_MAIN(TestRomTransfer)
#include "tst_romtransfer.moc"
