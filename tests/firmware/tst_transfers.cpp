#include "bootloaderreplycutter.h"
#include "fletcher16.h"
#include "fwupdater.h"
#include "hextestfiles.h"
#include "rompacket.h"
#include "romreplycutter.h"
#include "romtransfer.h"
#include "scriptedboard.h"

#include <QPointer>
#include <QtTest>

#include <memory>
#include <sstream>

using namespace HexTestFiles;
using namespace std::chrono_literals;

// One step of an exchange: what the board says, then what the transfer must send next (a HEX
// upload's lines without their CR LF); either may be empty. Markers stand for acts.
using Steps = QList<QPair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Steps)

namespace {

const QByteArray kHangUp = "<the board hangs up>";
const QByteArray kAbort = "<the transfer is aborted>";
const QByteArray kBabble = "<every 100 ms until the end>"; // followed by what the board says
const QString kAborted = QStringLiteral("<aborted>");
const QByteArray kStale = "tube idle\r\n>"; // left on a console for the main window
constexpr quint32 kAddress = 1234;

} // namespace

// The two transfers over a board's console, the HEX upload through its bootloader and the
// ROM write with put_binary: their wire bytes, their replies cut from the board's text, and
// the exchange against a board played by the test, on a connection of their own and on a
// borrowed console, to every end each can take.
class TestTransfers : public QObject
{
    Q_OBJECT

private slots:
    void romFrameBytes();
    void replies_data();
    void replies();
    void exchange_data();
    void exchange();
};

void TestTransfers::romFrameBytes()
{
    // The Fletcher pairs worked out by hand: sums modulo 255 over length, sequence and data.
    const QByteArray abc("\x0a\0\0\0\0abc\x31\x9c", 10);
    QCOMPARE(RomPacket::frame("abc", 0).toHex(), abc.toHex());
    QCOMPARE(RomPacket::frame("\xff", 0x01020304).toHex(), // the sequence big-endian
             QByteArray("\x08\x01\x02\x03\x04\xff\x12\x4e").toHex());
    QCOMPARE(RomPacket::putBinaryCommand(0xffffffffu, 241, 0xffffu),
             QByteArray("put_binary 4294967295:241:65535\r\n"));
}

// How the board's text is cut into replies, read by read.
void TestTransfers::replies_data()
{
    QTest::addColumn<bool>("rom");
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QStringList>("replies");
    const auto row = [](const char *name, bool rom, const QByteArrayList &reads,
                        const QStringList &cut) { QTest::newRow(name) << rom << reads << cut; };
    row("HEX: a carriage return ends a reply, a prompt split across reads too", false,
        {"OK\rB", "L>"}, {"OK\r\n", "BL>\n"});
    row("HEX: > wins over a carriage return before it", false, {"Erasing\r\nBL>BL>"},
        {"Erasing\rBL>\n", "BL>\n"});
    row("HEX: line feeds vanish, a NUL byte ends a read", false,
        {QByteArray("\nBL\n>\0ERR>", 10), ">"}, {"BL>\n", ">\n"});
    const int most = BootloaderReplyCutter::kMaxPending;
    row("HEX: endless text keeps its newest part", false, {QByteArray(most, 'x'), "yz", "BL>"},
        {QString(most - 2, 'x') + "yzBL>\n"});
    row("ROM: carriage returns split, empty pieces dropped, the last kept", true,
        {"\r\nERROR: busy\r\n>"}, {"ERROR: busy", ">"});
    row("ROM: line feeds vanish, blanks stay, a NUL byte ends the read", true,
        {QByteArray("BL>  \n\rok\0>", 11)}, {"BL>  ", "ok"});
}

void TestTransfers::replies()
{
    QFETCH(bool, rom);
    QFETCH(QByteArrayList, reads);
    QFETCH(QStringList, replies);
    BootloaderReplyCutter cutter;
    QStringList cut;
    for (const QByteArray &read : qAsConst(reads))
        cut += rom ? RomReplyCutter::cut(read) : cutter.feed(read);
    QCOMPARE(cut, replies);
}

void TestTransfers::exchange_data()
{
    QTest::addColumn<bool>("rom");
    QTest::addColumn<QString>("channel"); // own, console, closed port, unconnected
    QTest::addColumn<int>("index");       // of the HEX upload's board in the dialog's list
    QTest::addColumn<QByteArray>("file"); // null: a file that cannot be opened
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("end"); // empty: done; kAborted; else part of the reason
    bool rom = false;                 // the HEX upload's rows first
    const auto row = [&rom](const char *name, const char *channel, const QByteArray &file,
                            const Steps &steps, const QString &end, int index = 0) {
        QTest::newRow(qPrintable((rom ? "ROM: " : "HEX: ") + QString(name)))
            << rom << channel << index << file << steps << end;
    };

    const auto hexFile = [](const QByteArrayList &lines) { return lines.join("\r\n") + "\r\n"; };
    const QByteArray eof = ":00000001FF";
    const QByteArray abc = record(0, 0, "abc");
    const QByteArray def = record(0, 3, "def");
    QByteArray broken = def;
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    const QByteArray abcFile = hexFile({abc, eof});
    // The rest of a good upload of abcFile once the bootloader runs; 19495 is Fletcher-16 of
    // abc. A line end before a prompt is no part of it.
    const Steps uploads = {{"BL>", abc}, {"\r\nBL>", eof}, {"BL>", "$19495"}};
    const Steps bl = {{"", "bl"}}; // a borrowed console starts at once
    const Steps sendsAbc = {{"BL>", abc}};
    const Steps quits = {{"BL>", "q"}};
    const Steps aborted = {{kAbort, ""}};
    row("own connection: greeting, records, checksum, success", "own",
        hexFile({":020000040800F2", abc, eof}),
        Steps{{"KORVO>", "bl"}, {"BL>", ":020000040800F2"}} + uploads, "");
    row("greeting split across reads: its stray prompt is let pass", "own", abcFile,
        Steps{{"KORVO\r", "bl"}, {">", ""}} + uploads, "");
    row("borrowed console sends the start command at once", "console", abcFile,
        Steps{{"", "can_bl 2"}} + uploads, "", 3);
    row("abort on an own connection quits and closes", "own", abcFile,
        {{">", "bl"}, {"BL>", abc}, {kAbort, "q"}}, kAborted);
    row("abort on a borrowed console leaves it open", "console", abcFile,
        bl + sendsAbc + Steps{{kAbort, "q"}}, kAborted);
    row("BL> inside a greeting is an unexpected reply, quoted in part", "own", abcFile,
        {{">", "bl"}, {QByteArray(300, 'E') + "\r\nBL>", "q"}}, "unexpected reply \"EEEE");
    row("a reply to the checksum fails", "console", abcFile,
        bl + uploads + Steps{{"CRC ERROR\r", ""}}, "CRC ERROR");
    row("refused record quits and is not sent", "console", hexFile({abc, broken, eof}),
        bl + sendsAbc + quits, "line 2");
    row("one-line file read past its end", "console", hexFile({eof}),
        bl + Steps{{"BL>", eof}} + quits, "line 2");
    row("no end-of-file record", "console", hexFile({abc, def}),
        bl + sendsAbc + Steps{{"BL>", def}} + quits, "end-of-file");
    row("board hanging up", "own", hexFile({abc, def, eof}),
        {{">", "bl"}, {"BL>", abc}, {kHangUp, ""}}, "closed the connection after line 1");
    row("silent board told to quit", "console", abcFile, bl + Steps{{"", "q"}}, "no answer");
    // Bare console prompts after the start command are let pass, but are no step.
    row("a board talking without a prompt is given up", "own", abcFile,
        {{">", "bl"}, {kBabble + ">", ""}, {"", "q"}},
        "the board talked but gave no prompt for 0.3 s");
    row("a record after the end-of-file record is refused, not sent", "console",
        hexFile({abc, eof, def}), bl + sendsAbc + Steps{{"BL>", eof}} + quits,
        "line 3 of the file refused: record after the end-of-file record");
    row("file that cannot be opened", "own", QByteArray(), Steps(), "cannot open no/such.file");
    row("connection refused", "closed port", abcFile, Steps(), "cannot connect");
    row("console socket not open", "unconnected", abcFile, Steps(), "not open");

    rom = true; // 241 bytes: a full packet and a one-byte packet
    const QByteArray file = noise(241);
    const QByteArray command =
        RomPacket::putBinaryCommand(kAddress, file.size(), Fletcher16::of(file));
    const Steps ask = {{"", "\r\n"}}; // a borrowed console is asked for a fresh prompt
    const Steps go = {{">", command}, {">", RomPacket::frame(file.left(240), 0)}};
    const Steps last = go + Steps{{">", RomPacket::frame(file.mid(240), 1)}};
    row("own connection: the board speaks first, a full packet and a one-byte packet", "own", file,
        last + Steps{{">", ""}}, "");
    row("own connection: an empty file ends at the next prompt", "own", "",
        {{">", "put_binary 1234:0:0\r\n"}, {">", ""}}, "");
    // A stale prompt taken would put every packet one prompt ahead of the board.
    row("borrowed console: stale text skipped, handed back afterwards", "console", file,
        ask + last + Steps{{">", ""}}, "");
    row("prompt with trailing blanks", "console", file,
        ask + Steps{{"BL>   \r\n", command}} + aborted, kAborted);
    row("line without prompt ignored", "console", file,
        ask + Steps{{"Korvo console\r\n", ""}} + aborted, kAborted);
    const Steps chatter = {
        {"Erasing sec", ""}, {"tor 12\r\n", ""}, {"> \r\n", ""}, {"OK>\r\n", ""}};
    row("status lines between packets ignored, even split", "console", file,
        ask + go + chatter + Steps{{"\r\n>", last.last().second}, {">", ""}}, "");
    row("refused put_binary ends before a byte is sent", "console", file,
        ask + Steps{{">", command}, {"\r\nERROR: put_binary area does not fit the ROM\r\n>", ""}},
        "The board refused put_binary: \"ERROR: put_binary area does not fit the ROM\"");
    row("a board talking without a prompt is given up", "own", file,
        go + Steps{{kBabble + "Erasing sector\r\n", ""}},
        "The board talked but gave no prompt for 0.3 s");
    row("file that cannot be opened", "own", QByteArray(), Steps(), "no/such.file");
    row("connection refused", "closed port", file, Steps(), "Cannot connect");
    row("console not connected", "unconnected", file, Steps(), "not open");
    row("board that never greets", "own", file, Steps(), "did not answer");
    row("console dropped mid-file", "console", file, ask + go + Steps{{kHangUp, ""}}, "lost");
    row("console ending on a non-prompt reply is not told success", "console", file,
        ask + last + Steps{{"CHECKSUM ERROR\r\n>", ""}}, "CHECKSUM ERROR");
}

void TestTransfers::exchange()
{
    QFETCH(bool, rom);
    QFETCH(QString, channel);
    QFETCH(int, index);
    QFETCH(QByteArray, file);
    QFETCH(Steps, steps);
    QFETCH(QString, end);

    const QString path = file.isNull() ? QStringLiteral("no/such.file") : QStringLiteral("t.file");
    QVERIFY(file.isNull() || writeFile(path, file));
    QFile::remove(QStringLiteral("fw.bin"));
    ScriptedBoard board;
    QTcpSocket unconnected;
    const auto console = channel == "console" ? board.dialIn() : nullptr;
    if (console) {
        board.send(kStale); // shown before the main window let go of the console
        QTRY_COMPARE(console->bytesAvailable(), qint64(kStale.size()));
    }
    QTcpSocket *socket = channel == "unconnected" ? &unconnected : console.get();
    // Nothing listens on port 1 in the test's own network namespace.
    const quint16 port = channel == "closed port" ? 1 : board.port();
    const QString host = QStringLiteral("127.0.0.1");
    const std::unique_ptr<RomTransfer> writer(!rom     ? nullptr
                                              : socket ? new RomTransfer(socket)
                                                       : new RomTransfer(host, port));
    QPointer<Fwupdater> uploader(rom      ? nullptr
                                 : socket ? new Fwupdater(socket, index)
                                          : new Fwupdater(host, port, index));
    QObject *transfer = rom ? static_cast<QObject *>(writer.get()) : uploader.data();
    rom ? writer->setSilenceTimeout(300ms) : uploader->setSilenceTimeout(300ms);
    std::ostringstream out;
    if (uploader)
        uploader->setOutput(out);
    QSignalSpy sizes(transfer, SIGNAL(setSize(int)));
    QSignalSpy progress(transfer, SIGNAL(progress(int)));
    QSignalSpy done(transfer, SIGNAL(done(int)));
    QString reason;
    if (rom) {
        connect(writer.get(), &RomTransfer::done, [&] { reason = writer->failureReason(); });
        QVERIFY(writer->transferFile(kAddress, path));
        QVERIFY(!writer->isBusy() || !writer->transferFile(2, path)); // one at a time
    } else {
        connect(uploader, &Fwupdater::done, [&] {
            reason = uploader->failureReason();
            delete uploader; // a receiver may delete the uploader at once
        });
        if (socket)
            uploader->uploadFileOnSocket(path);
        else
            QCOMPARE(uploader->uploadFile(path), file.isNull()              ? -2
                                                 : channel == "closed port" ? -1
                                                                            : 0);
        QVERIFY(done.isEmpty()); // reported from the event loop, after the call returned
    }
    QCOMPARE(sizes.value(0).value(0).toInt(), file.size());
    if (channel == "own" && !steps.isEmpty()) {
        QTRY_VERIFY(board.peer);
        QCOMPARE(board.unread, QByteArray()); // nothing before the board speaks
    }

    for (const auto &[act, expected] : qAsConst(steps)) {
        // Connected after the transfer's slot: once it fires, the transfer has read.
        const auto read =
            console ? std::make_unique<QSignalSpy>(console.get(), &QIODevice::readyRead) : nullptr;
        if (act == kHangUp) {
            board.peer->close();
        } else if (act == kAbort) {
            rom ? writer->abort() : uploader->abort();
        } else if (act.startsWith(kBabble)) {
            const QByteArray said = act.mid(kBabble.size());
            QTimer babble;
            connect(&babble, &QTimer::timeout, [&board, said] { board.send(said); });
            babble.start(100);
            QVERIFY(done.wait(3000));
        } else if (!act.isEmpty()) {
            board.send(act);
        }
        if (!expected.isEmpty()) {
            const QByteArray bytes = rom ? expected : expected + "\r\n";
            QCOMPARE(board.take(bytes.size()), bytes);
        } else if (read && !act.isEmpty() && !act.startsWith('<')) {
            QVERIFY(read->wait(5000));
            QCOMPARE(board.unread, QByteArray()); // nothing sent on it
        }
    }
    QTRY_COMPARE(done.size(), end == kAborted ? 0 : 1);
    QCOMPARE(done.value(0).value(0).toInt(), end.isEmpty() ? 1 : 0);
    QVERIFY2(end.isEmpty() ? reason.isEmpty() : reason.contains(end) || done.isEmpty(),
             qPrintable(reason));
    QVERIFY(reason.size() < 200); // a board's long answer is quoted in part
    QVERIFY(!writer || !writer->isBusy());
    QTRY_VERIFY(rom || !uploader); // gone after its end, whichever
    if (file.isNull())
        QCOMPARE(board.connections, 0);
    // The uploader counts each line it read without its line end, the first with it; the ROM
    // transfer counts the bytes of each packet it put on the wire.
    const QByteArrayList lines = file.split('\n');
    int sent = rom ? 0 : 2;
    for (int i = 0; i < progress.size(); ++i) {
        sent += rom ? int(qMin(240, file.size() - i * 240)) + RomPacket::kFraming
                    : lines.value(i).trimmed().size();
        QCOMPARE(progress.at(i).at(0).toInt(), sent);
    }
    if (end.isEmpty())
        QCOMPARE(progress.size(), rom ? (file.size() + 239) / 240 : lines.size() - 1);
    if (end.isEmpty() && !rom) {
        QCOMPARE(out.str(),
                 std::string("Connected starting bootloader\nBootloader sending hexfile\n"
                             "Sending checksum and flashing PCB\n"
                             "Wait 1 minute. and then reconnect\n4c27\r\n"));
        QCOMPARE(readFile(QStringLiteral("fw.bin")), QByteArray("abc"));
    }
    if (reason.contains("answered the checksum"))
        QVERIFY(QString::fromStdString(out.str()).endsWith("Error:\n" + end + "\n"));
    if (channel == "own" && board.peer)
        QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
    if (!console || steps.last().first == kHangUp)
        return;
    // The console is the caller's: still open, no longer read, and sent nothing more, so a
    // board that prompts again gets no packet or record after a failure.
    QSignalSpy readable(console.get(), &QIODevice::readyRead);
    board.send("BL>\r\n>");
    QVERIFY(readable.wait(5000));
    QCOMPARE(console->readAll(), QByteArray("BL>\r\n>"));
    QCOMPARE(board.unread, QByteArray());
}

QTEST_GUILESS_MAIN(TestTransfers)
#include "tst_transfers.moc"
