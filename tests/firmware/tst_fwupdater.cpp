#include "bootloaderreplycutter.h"
#include "fwupdater.h"
#include "hextestfiles.h"
#include "scriptedboard.h"

#include <QPointer>
#include <QtTest>

#include <memory>
#include <sstream>

using namespace HexTestFiles;
using namespace std::chrono_literals;

// One step of an exchange: what the board says, then the line the uploader must send next;
// either may be empty. Two markers stand for acts instead of words.
using Steps = QList<QPair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Steps)

namespace {

const QByteArray kHangUp = "<the board hangs up>";
const QByteArray kAbort = "<the uploader is aborted>";
const QByteArray kBabble = "<every 100 ms>"; // followed by what the board says again and again
const QByteArray kEof = ":00000001FF";
const QByteArray kAbc = record(0, 0, "abc");
const QByteArray kDef = record(0, 3, "def");
const QByteArrayList kAbcFile = {kAbc, kEof};
// The rest of a good upload of kAbcFile once the bootloader runs; 19495 is Fletcher-16 of abc.
const Steps kUploads = {{"BL>", kAbc}, {"BL>", kEof}, {"BL>", "$19495"}};
const QString kAborted = QStringLiteral("<aborted>");

} // namespace

// The bootloader's replies cut from the board's text, and the exchange against a board played
// by the test on loopback, on a connection of the uploader's own or on a borrowed console, to
// every end it can take.
class TestFwupdater : public QObject
{
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void exchange_data();
    void exchange();
};

// How replies are cut from what the board sends, read by read; also the seeds of the cutter's
// fuzz target.
void TestFwupdater::replies_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QStringList>("replies");
    const auto row = [](const char *name, const QByteArrayList &reads, const QStringList &cut) {
        QTest::newRow(name) << reads << cut;
    };
    row("a carriage return ends a reply, a prompt split across reads too", {"OK\rB", "L>"},
        {"OK\r\n", "BL>\n"});
    row("> wins over a carriage return before it", {"Erasing\r\nBL>BL>"},
        {"Erasing\rBL>\n", "BL>\n"});
    row("line feeds vanish, a NUL byte ends a read", {QByteArray("\nBL\n>\0ERR>", 10), ">"},
        {"BL>\n", ">\n"});
    const int most = BootloaderReplyCutter::kMaxPending;
    row("endless text is kept to its newest part", {QByteArray(most, 'x'), "yz", "BL>"},
        {QString(most - 2, 'x') + "yzBL>\n"});
}

void TestFwupdater::replies()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(QStringList, replies);
    BootloaderReplyCutter cutter;
    QStringList cut;
    for (const QByteArray &read : qAsConst(reads))
        cut += cutter.feed(read);
    QCOMPARE(cut, replies);
}

void TestFwupdater::exchange_data()
{
    QTest::addColumn<QString>("channel");     // own, console, closed port, unconnected
    QTest::addColumn<int>("index");           // in the dialog's board list
    QTest::addColumn<QByteArrayList>("file"); // empty: a file that cannot be opened
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("end"); // empty: uploaded; kAborted; else part of the reason
    const auto row = [](const char *name, const char *channel, int index,
                        const QByteArrayList &file, const Steps &steps, const QString &end) {
        QTest::newRow(name) << channel << index << file << steps << end;
    };
    QByteArray broken = kDef;
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    const Steps bl = {{"", "bl"}}; // a borrowed console starts at once
    const Steps abc = {{"BL>", kAbc}};
    const Steps quits = {{"BL>", "q"}};
    const QByteArrayList abcDefEof = {kAbc, kDef, kEof};
    row("own connection: greeting, records, checksum, success", "own", 0,
        {":020000040800F2", kAbc, kEof},
        {{"KORVO>", "bl"},
         {"BL>", ":020000040800F2"},
         {"BL>", kAbc},
         {"\r\nBL>", kEof},
         {"BL>", "$19495"}},
        "");
    row("greeting split across reads: its stray prompt is let pass", "own", 0, kAbcFile,
        Steps{{"KORVO\r", "bl"}, {">", ""}} + kUploads, "");
    row("borrowed console sends the start command at once", "console", 3, kAbcFile,
        Steps{{"", "can_bl 2"}} + kUploads, "");
    row("index past the list sends no start command; abort quits and closes", "own", 9, kAbcFile,
        {{">", ""}, {"BL>", kAbc}, {kAbort, "q"}}, kAborted);
    row("abort on a borrowed console leaves it open", "console", 0, kAbcFile,
        bl + abc + Steps{{kAbort, "q"}}, kAborted);
    row("BL> inside a greeting is an unexpected reply, quoted in part", "own", 0, kAbcFile,
        {{">", "bl"}, {QByteArray(300, 'E') + "\r\nBL>", "q"}}, "unexpected reply \"EEEE");
    row("a reply to the checksum fails", "console", 0, kAbcFile,
        bl + kUploads + Steps{{"CRC ERROR\r", ""}}, "CRC ERROR");
    row("refused record quits and is not sent", "console", 0, {kAbc, broken, kEof},
        bl + abc + quits, "line 2");
    row("one-line file read past its end", "console", 0, {kEof}, bl + Steps{{"BL>", kEof}} + quits,
        "line 2");
    row("no end-of-file record", "console", 0, {kAbc, kDef},
        bl + abc + Steps{{"BL>", kDef}} + quits, "end-of-file");
    row("board hanging up", "own", 0, abcDefEof, {{">", "bl"}, {"BL>", kAbc}, {kHangUp, ""}},
        "the board closed the connection after line 1");
    row("silent board told to quit", "console", 0, kAbcFile, bl + Steps{{"", "q"}}, "no answer");
    // Bare console prompts after the start command are let pass, but are no step.
    row("a board talking without a prompt is given up", "own", 0, kAbcFile,
        {{">", "bl"}, {kBabble + ">", "q"}}, "the board talked but gave no prompt for 1 s");
    row("a record after the end-of-file record is refused, not sent", "console", 0,
        {kAbc, kEof, kDef}, bl + abc + Steps{{"BL>", kEof}} + quits,
        "line 3 of the file refused: record after the end-of-file record");
    row("file that cannot be opened", "own", 0, {}, {}, "cannot open no-such.hex");
    row("connection refused", "closed port", 0, kAbcFile, {}, "cannot connect");
    row("console socket not open", "unconnected", 0, kAbcFile, {}, "not open");
}

void TestFwupdater::exchange()
{
    QFETCH(QString, channel);
    QFETCH(int, index);
    QFETCH(QByteArrayList, file);
    QFETCH(Steps, steps);
    QFETCH(QString, end);

    const QString path = file.isEmpty() ? QStringLiteral("no-such.hex") : QStringLiteral("up.hex");
    QVERIFY(file.isEmpty() || writeFile(path, file.join("\r\n") + "\r\n"));
    QFile::remove(QStringLiteral("fw.bin"));
    ScriptedBoard board;
    const bool borrowed = channel == "console" || channel == "unconnected";
    QTcpSocket unconnected;
    std::unique_ptr<QTcpSocket> console = channel == "console" ? board.dialIn() : nullptr;
    quint16 port = board.port();
    if (channel == "closed port") {
        QTcpServer probe; // a free port, closed again at once
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    std::ostringstream out;
    QPointer<Fwupdater> uploader =
        borrowed ? new Fwupdater(console ? console.get() : &unconnected, index)
                 : new Fwupdater("127.0.0.1", port, index);
    uploader->setOutput(out);
    uploader->setSilenceTimeout(1s);
    QSignalSpy size(uploader.data(), &Fwupdater::setSize);
    QSignalSpy progress(uploader.data(), &Fwupdater::progress);
    QList<int> status;
    QString reason;
    connect(uploader, &Fwupdater::done, this, [&](int result) {
        status << result;
        reason = uploader->failureReason();
        delete uploader; // a receiver may delete the uploader at once
    });
    if (borrowed)
        uploader->uploadFileOnSocket(path);
    else
        QCOMPARE(uploader->uploadFile(path), file.isEmpty() ? -2 : steps.isEmpty() ? -1 : 0);
    QVERIFY(status.isEmpty()); // reported from the event loop, after the call returned

    QTimer babble;
    QByteArray babbled;
    connect(&babble, &QTimer::timeout, [&] { board.send(babbled); });
    for (const auto &step : qAsConst(steps)) {
        if (step.first == kHangUp) {
            board.peer->close();
        } else if (step.first == kAbort) {
            uploader->abort();
        } else if (step.first.startsWith(kBabble)) {
            babbled = step.first.mid(kBabble.size());
            babble.start(100);
        } else if (!step.first.isEmpty()) {
            board.send(step.first);
        }
        if (!step.second.isEmpty())
            QCOMPARE(board.line(), step.second + "\r\n");
        babble.stop();
    }
    QTRY_VERIFY(!uploader); // gone after its end, whichever
    QCOMPARE(status, end == kAborted ? QList<int>() : QList<int>{end.isEmpty() ? 1 : 0});
    QVERIFY2(end.isEmpty() ? reason.isEmpty() : reason.contains(end) || status.isEmpty(),
             qPrintable(reason));
    QVERIFY(reason.size() < 200); // a board's long answer is quoted in part
    if (!file.isEmpty())
        QCOMPARE(size.value(0).value(0).toInt(), int(QFileInfo(path).size()));
    int sent = 2; // the first line counts its CR LF, the others do not
    for (int i = 0; i < progress.size(); ++i) {
        sent += file.value(i).size();
        QCOMPARE(progress.at(i).at(0).toInt(), sent);
    }
    if (end.isEmpty()) {
        QCOMPARE(out.str(), std::string("Connected starting bootloader\n"
                                        "Bootloader sending hexfile\n"
                                        "Sending checksum and flashing PCB\n"
                                        "Wait 1 minute. and then reconnect\n"
                                        "4c27\r\n"));
        QCOMPARE(readFile(QStringLiteral("fw.bin")), QByteArray("abc"));
    }
    if (reason.contains("answered the checksum"))
        QVERIFY(QString::fromStdString(out.str()).endsWith("Error:\n" + end + "\n"));
    if (channel == "own" && board.peer)
        QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
    if (!console)
        return;
    // The console is the caller's: still open, no longer read, and sent nothing more, so a
    // board that prompts again after a refused record gets no firmware with a hole.
    QSignalSpy readable(console.get(), &QIODevice::readyRead);
    board.send("BL>");
    QVERIFY(readable.wait(5000));
    QCOMPARE(console->readAll(), QByteArray("BL>"));
    QCOMPARE(board.unread, QByteArray());
}

QTEST_GUILESS_MAIN(TestFwupdater)
#include "tst_fwupdater.moc"
