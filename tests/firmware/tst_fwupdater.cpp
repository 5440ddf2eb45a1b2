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
const QByteArray kEof = ":00000001FF";
const QByteArray kAbc = record(0, 0, "abc");
const QByteArray kDef = record(0, 3, "def");
const QByteArray kChecksum = "$19495"; // Fletcher-16 of "abc": 0x4C27
const QByteArrayList kAbcFile = {kAbc, kEof};
// The rest of a good upload of kAbcFile once the bootloader runs.
const Steps kUploads = {{"BL>", kAbc}, {"BL>", kEof}, {"BL>", kChecksum}};

} // namespace

// The bootloader exchange against a board played by the test on loopback, on a connection of
// the uploader's own or on a borrowed console, to every end it can take.
class TestFwupdater : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QDir::setCurrent(scratchPath(QString())); }
    void exchange_data();
    void exchange();
    void failsBeforeExchange_data();
    void failsBeforeExchange();
};

void TestFwupdater::exchange_data()
{
    QTest::addColumn<bool>("borrowed");
    QTest::addColumn<int>("index"); // in the dialog's board list
    QTest::addColumn<QByteArrayList>("file");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("end"); // empty: uploaded; "aborted"; else part of the reason

    QByteArray broken = kDef;
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    const Steps bl = {{"", "bl"}}; // a borrowed console starts at once
    const Steps abc = {{"BL>", kAbc}};
    const Steps quits = {{"BL>", "q"}};
    const QByteArray x = QByteArray(3 * Fwupdater::kMaxReplyBuffer, 'x');
    QTest::newRow("own connection: greeting, records, checksum, success")
        << false << 0 << QByteArrayList{":020000040800F2", kAbc, kEof}
        << Steps{{"KORVO>", "bl"},
                 {"BL>", ":020000040800F2"},
                 {"BL>", kAbc},
                 {"\r\nBL>", kEof},
                 {"BL>", kChecksum}}
        << "";
    QTest::newRow("greeting split across reads: its stray prompt is let pass")
        << false << 0 << kAbcFile << Steps{{"KORVO\r", "bl"}, {">", ""}} + kUploads << "";
    QTest::newRow("borrowed console sends the start command at once")
        << true << 3 << kAbcFile << Steps{{"", "can_bl 2"}} + kUploads << "";
    QTest::newRow("line feeds vanish and a NUL byte ends a read")
        << true << 0 << kAbcFile
        << Steps{{"", "bl"},
                 {"\nBL\n>", kAbc},
                 {QByteArray("BL>\0ERR>", 8), kEof},
                 {"BL>", kChecksum}}
        << "";
    QTest::newRow("button panel is CAN node 0, abort quits and closes")
        << false << 1 << kAbcFile << Steps{{">", "can_bl 0"}, {"BL>", kAbc}, {kAbort, "q"}}
        << "aborted";
    QTest::newRow("Exp 7 is CAN node 7")
        << false << 8 << kAbcFile << Steps{{">", "can_bl 7"}, {"BL>", kAbc}, {kAbort, "q"}}
        << "aborted";
    QTest::newRow("index past the list sends no start command")
        << false << 9 << kAbcFile << Steps{{">", ""}, {"BL>", kAbc}, {kAbort, "q"}} << "aborted";
    QTest::newRow("negative index sends no start command")
        << false << -1 << kAbcFile << Steps{{">", ""}, {"BL>", kAbc}, {kAbort, "q"}} << "aborted";
    QTest::newRow("abort on a borrowed console leaves it open")
        << true << 0 << kAbcFile << bl + abc + Steps{{kAbort, "q"}} << "aborted";
    QTest::newRow("BL> inside a greeting is an unexpected reply")
        << false << 0 << kAbcFile << Steps{{">", "bl"}, {"Erasing done\r\nBL>", "q"}}
        << "Erasing done";
    QTest::newRow("a reply to the checksum fails")
        << true << 0 << kAbcFile << bl + kUploads + Steps{{"CRC ERROR\r", ""}} << "CRC ERROR";
    QTest::newRow("broken checksum on line 2")
        << true << 0 << QByteArrayList{kAbc, broken, kEof} << bl + abc + quits << "line 2";
    QTest::newRow("broken first line")
        << true << 0 << QByteArrayList{broken, kEof} << bl + quits << "line 1";
    QTest::newRow("blank line before the end")
        << true << 0 << QByteArrayList{kAbc, "", kEof} << bl + abc + quits << "line 2";
    QTest::newRow("one-line file read past its end")
        << true << 0 << QByteArrayList{kEof} << bl + Steps{{"BL>", kEof}} + quits << "line 2";
    QTest::newRow("no end-of-file record")
        << true << 0 << QByteArrayList{kAbc, kDef} << bl + abc + Steps{{"BL>", kDef}} + quits
        << "end-of-file";
    QTest::newRow("unexpected reply while sending")
        << true << 0 << QByteArrayList{kAbc, kDef, kEof}
        << bl + abc + Steps{{"FLASH WRITE ERROR>", "q"}} << "after line 1";
    QTest::newRow("board hanging up") << false << 0 << QByteArrayList{kAbc, kDef, kEof}
                                      << Steps{{">", "bl"}, {"BL>", kAbc}, {kHangUp, ""}}
                                      << "the board closed the connection after line 1";
    QTest::newRow("silent board is told to quit")
        << true << 0 << kAbcFile << bl + Steps{{"", "q"}} << "no answer";
    QTest::newRow("endless reply without a delimiter is cut")
        << true << 0 << kAbcFile << bl + Steps{{x + "BL>", "q"}} << "unexpected reply";
}

void TestFwupdater::exchange()
{
    QFETCH(bool, borrowed);
    QFETCH(int, index);
    QFETCH(QByteArrayList, file);
    QFETCH(Steps, steps);
    QFETCH(QString, end);

    const QString path = hexFile("upload.hex", file);
    QFile::remove(QStringLiteral("fw.bin"));
    ScriptedBoard board;
    std::unique_ptr<QTcpSocket> console = borrowed ? board.dialIn() : nullptr;
    std::ostringstream out;
    QPointer<Fwupdater> uploader = borrowed ? new Fwupdater(console.get(), index)
                                            : new Fwupdater("127.0.0.1", board.port(), index);
    uploader->setOutput(out);
    uploader->setSilenceTimeout(1s);
    QSignalSpy size(uploader.data(), &Fwupdater::setSize);
    QSignalSpy progress(uploader.data(), &Fwupdater::progress);
    QList<int> status;
    QString reason;
    connect(uploader, &Fwupdater::done, this, [&](int result) {
        status << result;
        reason = uploader->failureReason();
    });
    if (borrowed)
        uploader->uploadFileOnSocket(path);
    else
        QCOMPARE(uploader->uploadFile(path), 0);

    for (const auto &step : qAsConst(steps)) {
        if (step.first == kHangUp)
            board.peer->close();
        else if (step.first == kAbort)
            uploader->abort();
        else if (!step.first.isEmpty())
            board.send(step.first);
        if (!step.second.isEmpty())
            QCOMPARE(board.line(), step.second + "\r\n");
    }
    QTRY_VERIFY(!uploader); // gone after its end, whichever
    QCOMPARE(status, end == "aborted" ? QList<int>() : QList<int>{end.isEmpty() ? 1 : 0});
    QVERIFY2(end.isEmpty() ? reason.isEmpty() : reason.contains(end) || status.isEmpty(),
             qPrintable(reason));
    QVERIFY(reason.size() < 200);
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

    if (!borrowed) {
        QTRY_COMPARE(board.peer->state(), QAbstractSocket::UnconnectedState);
        return;
    }
    // The console is the caller's: still open, no longer read, and sent nothing more, so a
    // board that prompts again after a refused record gets no firmware with a hole.
    QSignalSpy readable(console.get(), &QIODevice::readyRead);
    board.send("BL>");
    QVERIFY(readable.wait(5000));
    QCOMPARE(console->readAll(), QByteArray("BL>"));
    QCOMPARE(board.unread, QByteArray());
}

void TestFwupdater::failsBeforeExchange_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("port"); // -1: a console socket that is not connected
    QTest::addColumn<int>("returned");
    QTest::addColumn<QString>("reason");
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const int port = closed.serverPort();
    closed.close();
    QTest::newRow("file that cannot be opened") << "no-such.hex" << port << -2 << "no-such.hex";
    QTest::newRow("connection refused") << "eof.hex" << port << -1 << "cannot connect";
    QTest::newRow("console socket not open") << "eof.hex" << -1 << 0 << "not open";
}

void TestFwupdater::failsBeforeExchange()
{
    QFETCH(QString, file);
    QFETCH(int, port);
    QFETCH(int, returned);
    QFETCH(QString, reason);
    hexFile("eof.hex", {kEof});
    QTcpSocket unconnected;
    QPointer<Fwupdater> uploader =
        port < 0 ? new Fwupdater(&unconnected, 0) : new Fwupdater("127.0.0.1", port, 0);
    QList<int> status;
    QString said;
    connect(uploader, &Fwupdater::done, this, [&](int result) {
        status << result;
        said = uploader->failureReason();
        delete uploader; // a receiver may delete the uploader at once
    });
    if (port < 0)
        uploader->uploadFileOnSocket(scratchPath(file));
    else
        QCOMPARE(uploader->uploadFile(scratchPath(file)), returned);
    QVERIFY(status.isEmpty()); // reported from the event loop, after the call returned
    QTRY_COMPARE(status, QList<int>{0});
    QVERIFY2(said.contains(reason), qPrintable(said));
    QVERIFY(!uploader);
}

QTEST_GUILESS_MAIN(TestFwupdater)
#include "tst_fwupdater.moc"
