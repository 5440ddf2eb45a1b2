#include "consoleprogress.h"
#include "flashcommand.h"
#include "fletcher16.h"
#include "hextestfiles.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <sstream>

using namespace HexTestFiles;

namespace {

// A bootloader that greets with ">" and answers every line but the checksum with "BL>", or
// with "ERR>" from line number refuseAt on.
class AutoBootloader : public QObject
{
public:
    explicit AutoBootloader(int refuseFrom = 0)
        : refuseAt(refuseFrom)
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *board = server.nextPendingConnection();
            board->write(">");
            connect(board, &QTcpSocket::readyRead, board, [this, board] {
                while (board->canReadLine()) {
                    received.append(board->readLine());
                    if (received.last().startsWith('$'))
                        continue; // silence: the board is flashing
                    const bool refuse = refuseAt > 0 && received.size() >= refuseAt;
                    board->write(refuse ? "ERR>" : "BL>");
                }
            });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }

    QTcpServer server;
    QByteArrayList received;
    int refuseAt;
};

} // namespace

// The vorne-flash command line: its arguments, its offline check and a hex upload.
class TestFlashCommand : public QObject
{
    Q_OBJECT

private:
    std::ostringstream out;
    std::ostringstream err;

    int run(const QStringList &arguments)
    {
        out.str({});
        err.str({});
        FlashCommand command(out, err);
        return command.run(arguments);
    }
    QString output() const { return QString::fromStdString(out.str()); }
    QString errors() const { return QString::fromStdString(err.str()); }

private slots:
    void initTestCase() { QDir::setCurrent(scratchPath(QString())); }
    void parsesHost_data();
    void parsesHost();
    void parsesTarget_data();
    void parsesTarget();
    void refusesWrongUsage_data();
    void refusesWrongUsage();
    void helpExplainsEveryOption();
    void checkReportsImage();
    void checkListsRefusedLines_data();
    void checkListsRefusedLines();
    void checkCapsTheList();
    void hexUploadsAndReports();
    void hexFailureExitsWithReason();
    void progressBarMakesWayForTexts();
};

void TestFlashCommand::parsesHost_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("name alone takes the console port") << "board" << true << "board" << 23;
    QTest::newRow("address and port") << "127.0.0.1:2323" << true << "127.0.0.1" << 2323;
    QTest::newRow("bracketed IPv6 with port") << "[::1]:2323" << true << "::1" << 2323;
    QTest::newRow("bracketed IPv6 alone") << "[::1]" << true << "::1" << 23;
    QTest::newRow("bare IPv6 takes the console port") << "::1" << true << "::1" << 23;
    QTest::newRow("empty port refused") << "board:" << false << "" << 0;
    QTest::newRow("port 0 refused") << "board:0" << false << "" << 0;
    QTest::newRow("port past 65535 refused") << "board:70000" << false << "" << 0;
    QTest::newRow("unclosed bracket refused") << "[::1:23" << false << "" << 0;
    QTest::newRow("port without host refused") << ":23" << false << "" << 0;
}

void TestFlashCommand::parsesHost()
{
    QFETCH(QString, value);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString gotHost;
    int gotPort = 0;
    QCOMPARE(FlashCommand::parseHost(value, gotHost, gotPort), valid);
    if (valid) {
        QCOMPARE(gotHost, host);
        QCOMPARE(gotPort, port);
    }
}

void TestFlashCommand::parsesTarget_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("index");
    QTest::newRow("the board itself") << "0" << 0;
    QTest::newRow("last CAN board") << "8" << 8;
    QTest::newRow("past the list") << "9" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("named CAN board") << "Exp 3" << 4;
    QTest::newRow("name in any case") << "button panel" << 1;
    QTest::newRow("main board by its type name") << "Tube PCB" << 0;
    QTest::newRow("unknown name") << "Exp 8" << -1;
}

void TestFlashCommand::parsesTarget()
{
    QFETCH(QString, value);
    QFETCH(int, index);
    QCOMPARE(FlashCommand::targetIndex(value), index);
}

void TestFlashCommand::refusesWrongUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString file = QStringLiteral("fw.hex");
    QTest::newRow("no command") << QStringList();
    QTest::newRow("unknown command") << QStringList{"rom", file};
    QTest::newRow("hex without host") << QStringList{"hex", file};
    QTest::newRow("hex without file") << QStringList{"hex", "--host", "board"};
    QTest::newRow("hex with two files") << QStringList{"hex", file, file, "--host", "board"};
    QTest::newRow("hex with bad target")
        << QStringList{"hex", file, "--host", "board", "--target", "9"};
    QTest::newRow("hex with bad timeout")
        << QStringList{"hex", file, "--host", "board", "--timeout", "0"};
    QTest::newRow("unknown option") << QStringList{"check", file, "--fast"};
    QTest::newRow("check without file") << QStringList{"check"};
}

void TestFlashCommand::refusesWrongUsage()
{
    QFETCH(QStringList, arguments);
    QCOMPARE(run(arguments), int(FlashCommand::UsageError));
    QVERIFY(errors().contains("--help"));
    QCOMPARE(output(), QString());
}

void TestFlashCommand::helpExplainsEveryOption()
{
    for (const QStringList &arguments :
         {QStringList{"--help"}, QStringList{"-h"}, QStringList{"hex", "--help"}}) {
        QCOMPARE(run(arguments), int(FlashCommand::Success));
        for (const char *word : {"hex FILE", "check FILE", "--host HOST[:PORT]", "--target N",
                                 "--timeout SECONDS", "Exp 7", "Button panel", "Exit status"})
            QVERIFY2(output().contains(QLatin1String(word)), word);
    }
}

void TestFlashCommand::checkReportsImage()
{
    const QByteArray source = readFile(QFINDTESTDATA("data/small.bin"));
    const quint16 checksum = Fletcher16::of(source);
    QCOMPARE(run({"check", QFINDTESTDATA("data/small.hex")}), int(FlashCommand::Success));
    QVERIFY2(output().contains("image size:    300 bytes (0x12C)"), qPrintable(output()));
    QVERIFY(output().contains("flash address 0x0800012B"));
    QVERIFY(output().contains(QString::asprintf("checksum:      0x%04x (%u)", checksum, checksum)));
}

void TestFlashCommand::checkListsRefusedLines_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QString>("listed");
    const QByteArray eof = ":00000001FF";
    QTest::newRow("bad type on line 2") << QByteArrayList{record(0, 0, "abc"), ":0000000AF6", eof}
                                        << QStringLiteral("line 2: record type above 06");
    QTest::newRow("blank line at the end")
        << QByteArrayList{eof, QByteArray()} << QStringLiteral("line 2: empty line");
    QTest::newRow("no end-of-file record")
        << QByteArrayList{record(0, 0, "abc")} << QStringLiteral("no end-of-file record");
}

void TestFlashCommand::checkListsRefusedLines()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QString, listed);
    const QString path = scratchPath("refused.hex");
    QVERIFY(writeFile(path, lines.join('\n') + '\n'));
    QCOMPARE(run({"check", path}), int(FlashCommand::Failed));
    QVERIFY2((output() + errors()).contains(listed), qPrintable(output() + errors()));
}

void TestFlashCommand::checkCapsTheList()
{
    const QString path = scratchPath("noise.hex");
    QVERIFY(writeFile(path, QByteArray(200, '\n')));
    QCOMPARE(run({"check", path}), int(FlashCommand::Failed));
    QCOMPARE(output().count("empty line"), FlashCommand::kMaxListedRefusals);
    QVERIFY(output().contains(QStringLiteral("... and %1 more refused lines")
                                  .arg(200 - FlashCommand::kMaxListedRefusals)));
}

void TestFlashCommand::hexUploadsAndReports()
{
    AutoBootloader board;
    const QString path = hexFile("upload.hex", {record(0, 0, "abc"), ":00000001FF"});
    const int status = run({"hex", path, "--host", board.address(), "--target", "Exp 2"});
    QVERIFY2(status == FlashCommand::Success, qPrintable(errors()));
    QCOMPARE(board.received.value(0), QByteArray("can_bl 2\r\n"));
    QCOMPARE(board.received.value(3), QByteArray("$19495\r\n"));
    QVERIFY2(output().contains("4c27\r\n"), qPrintable(output()));
    QVERIFY2(errors().contains("100%"), qPrintable(errors()));
    QVERIFY(errors().contains("uploaded"));
}

void TestFlashCommand::hexFailureExitsWithReason()
{
    AutoBootloader board(2);
    const QString path = hexFile("refused-upload.hex", {record(0, 0, "abc"), ":00000001FF"});
    QCOMPARE(run({"hex", path, "--host", board.address()}), int(FlashCommand::Failed));
    QVERIFY2(errors().contains("failed: unexpected reply \"ERR>\" after line 1"),
             qPrintable(errors()));
    QCOMPARE(board.received.value(2), QByteArray("q\r\n"));
}

void TestFlashCommand::progressBarMakesWayForTexts()
{
    std::ostringstream bar;
    std::ostringstream text;
    ConsoleProgress progress(bar, text);
    std::ostream texts(&progress);
    progress.setTotal(200);
    progress.update(50);
    progress.update(51); // same percent: not redrawn
    QCOMPARE(QString::fromStdString(bar.str()).count('['), 1);
    QVERIFY(bar.str().find("25% 50/200 bytes") != std::string::npos);
    texts << "Bootloader sending hexfile\n" << std::flush;
    QCOMPARE(text.str(), std::string("Bootloader sending hexfile\n"));
    // The bar was wiped (carriage return, blanks, carriage return) and is drawn again.
    QVERIFY(bar.str().back() == '\r');
    progress.update(52);
    QVERIFY(bar.str().find("26% 52/200 bytes") != std::string::npos);
    progress.finish(true);
    QVERIFY(bar.str().find("100% 200/200 bytes\n") != std::string::npos);
}

QTEST_GUILESS_MAIN(TestFlashCommand)
#include "tst_flashcommand.moc"
