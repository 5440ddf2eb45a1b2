#include "consoleprogress.h"
#include "flashcommand.h"
#include "fletcher16.h"
#include "hextestfiles.h"
#include "romareas.h"
#include "scriptedboard.h"

#include <QtTest>

#include <sstream>

using namespace HexTestFiles;

// The vorne-flash command line: its arguments, its offline check, a hex upload and a ROM
// write against a board played by the test, and its progress bar.
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
    void parsesAddress_data();
    void parsesAddress();
    void findsRomArea_data();
    void findsRomArea();
    void refusesWrongUsage_data();
    void refusesWrongUsage();
    void helpExitsWithSuccess();
    void checkReportsImage();
    void checkListsRefusedLines_data();
    void checkListsRefusedLines();
    void hexUpload_data();
    void hexUpload();
    void romWrite_data();
    void romWrite();
    void progressBarMakesWayForTexts();
    void logMessagesGoAroundTheBar();
};

void TestFlashCommand::parsesHost_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("host"); // empty: refused
    QTest::newRow("name alone takes the console port") << "board" << 23 << "board";
    QTest::newRow("address and port") << "127.0.0.1:2323" << 2323 << "127.0.0.1";
    QTest::newRow("bracketed IPv6 with port") << "[::1]:2323" << 2323 << "::1";
    QTest::newRow("bracketed IPv6 alone") << "[::1]" << 23 << "::1";
    QTest::newRow("bare IPv6 takes the console port") << "::1" << 23 << "::1";
    QTest::newRow("empty port refused") << "board:" << 0 << "";
    QTest::newRow("port 0 refused") << "board:0" << 0 << "";
    QTest::newRow("port past 65535 refused") << "board:70000" << 0 << "";
    QTest::newRow("unclosed bracket refused") << "[::1:23" << 0 << "";
    QTest::newRow("port without host refused") << ":23" << 0 << "";
}

void TestFlashCommand::parsesHost()
{
    QFETCH(QString, value);
    QFETCH(int, port);
    QFETCH(QString, host);
    QString gotHost;
    int gotPort = 0;
    QCOMPARE(FlashCommand::parseHost(value, gotHost, gotPort), !host.isEmpty());
    if (!host.isEmpty()) {
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

void TestFlashCommand::parsesAddress_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<qint64>("address"); // -1: refused
    QTest::newRow("decimal") << "6053471" << qint64(6053471);
    QTest::newRow("hex") << "0x20000" << qint64(0x20000);
    QTest::newRow("hex with capital X and digits") << "0X5C5E5F" << qint64(0x5C5E5F);
    QTest::newRow("zero") << "0" << qint64(0);
    QTest::newRow("leading zero is decimal, not octal") << "0100" << qint64(100);
    QTest::newRow("highest 32-bit hex") << "0xFFFFFFFF" << qint64(0xFFFFFFFF);
    QTest::newRow("highest 32-bit decimal") << "4294967295" << qint64(0xFFFFFFFF);
    QTest::newRow("hex above 32 bits refused") << "0x100000000" << qint64(-1);
    QTest::newRow("decimal above 32 bits refused") << "4294967296" << qint64(-1);
    QTest::newRow("past 64 bits refused") << "99999999999999999999999" << qint64(-1);
    QTest::newRow("negative refused") << "-1" << qint64(-1);
    QTest::newRow("plus sign refused") << "+5" << qint64(-1);
    QTest::newRow("empty refused") << "" << qint64(-1);
    QTest::newRow("bare 0x refused") << "0x" << qint64(-1);
    QTest::newRow("hex digits without 0x refused") << "5C5E5F" << qint64(-1);
    QTest::newRow("trailing text refused") << "12k" << qint64(-1);
    QTest::newRow("blank around refused") << " 12" << qint64(-1);
    QTest::newRow("area name is not an address") << "ADDR_DB_TUBE1" << qint64(-1);
}

void TestFlashCommand::parsesAddress()
{
    QFETCH(QString, value);
    QFETCH(qint64, address);
    uint32_t got = 0x12345678;
    QCOMPARE(FlashCommand::parseAddress(value, got), address >= 0);
    if (address >= 0)
        QCOMPARE(qint64(got), address);
}

void TestFlashCommand::findsRomArea_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("area");
    QTest::newRow("full GUI name")
        << "GUI1_ADDR_BTN_START" << QStringLiteral("GUI1_ADDR_BTN_START");
    QTest::newRow("GUI caption") << "BTN_START" << QStringLiteral("GUI1_ADDR_BTN_START");
    QTest::newRow("fixed area caption in lower case")
        << "db_tube1" << QStringLiteral("ADDR_DB_TUBE1");
    QTest::newRow("fixed area full name") << "ADDR_FW_SPIDER" << QStringLiteral("ADDR_FW_SPIDER");
    QTest::newRow("full configuration") << "fullconfig" << QStringLiteral("FullConfig");
    QTest::newRow("GUI area with the fixed prefix refused") << "ADDR_BTN_START" << QString();
    QTest::newRow("unknown area") << "DB_TUBE5" << QString();
    QTest::newRow("empty name") << "" << QString();
}

void TestFlashCommand::findsRomArea()
{
    QFETCH(QString, name);
    QFETCH(QString, area);
    const RomArea *found = FlashCommand::romArea(name);
    QCOMPARE(found ? QString::fromLatin1(found->name) : QString(), area);
}

void TestFlashCommand::refusesWrongUsage_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::newRow("no command") << "";
    QTest::newRow("unknown command") << "erase fw.hex";
    QTest::newRow("hex without host") << "hex fw.hex";
    QTest::newRow("hex without file") << "hex --host board";
    QTest::newRow("hex with two files") << "hex fw.hex fw.hex --host board";
    QTest::newRow("hex with bad target") << "hex fw.hex --host board --target 9";
    QTest::newRow("hex with bad timeout") << "hex fw.hex --host board --timeout 0";
    QTest::newRow("hex with timeout past a day") << "hex fw.hex --host board --timeout 1e300";
    QTest::newRow("unknown option") << "check fw.hex --fast";
    QTest::newRow("check without file") << "check";
    QTest::newRow("rom without address") << "rom fw.bin --host board";
    QTest::newRow("rom with address that is no number") << "rom f --host b --address start";
    QTest::newRow("rom with address above 32 bits") << "rom f --host b --address 0x100000000";
    QTest::newRow("rom with address and area") << "rom f --host b --address 0 --area DB_TUBE1";
    QTest::newRow("rom with unknown area") << "rom f --host b --area DB_TUBE9";
    QTest::newRow("rom with GUI2 and a plain address") << "rom f --host b --address 0 --gui2";
    QTest::newRow("rom with GUI2 on a fixed area") << "rom f --host b --area DB_TUBE1 --gui2";
    QTest::newRow("rom without host") << "rom f --address 0";
    QTest::newRow("rom without file") << "rom --host b --address 0";
    QTest::newRow("rom with bad timeout") << "rom f --host b --address 0 --timeout x";
}

void TestFlashCommand::refusesWrongUsage()
{
    QFETCH(QString, arguments);
    QCOMPARE(run(arguments.split(' ', Qt::SkipEmptyParts)), int(FlashCommand::UsageError));
    QVERIFY(errors().contains("--help"));
    QCOMPARE(output(), QString());
}

void TestFlashCommand::helpExitsWithSuccess()
{
    for (const char *arguments : {"--help", "-h", "hex --help", "rom --help"}) {
        QCOMPARE(run(QString::fromLatin1(arguments).split(' ')), int(FlashCommand::Success));
        QVERIFY2(output().contains("--host HOST[:PORT]"), arguments);
    }
}

void TestFlashCommand::checkReportsImage()
{
    const QByteArray source = readFile(QFINDTESTDATA("data/small.bin"));
    const quint16 sum = Fletcher16::of(source);
    QCOMPARE(run({"check", QFINDTESTDATA("data/small.hex")}), int(FlashCommand::Success));
    QVERIFY2(output().contains("image size:    300 bytes (0x12C)"), qPrintable(output()));
    QVERIFY(output().contains("flash address 0x0800012B"));
    QVERIFY(output().contains(QString::asprintf("checksum:      0x%04x (%u)", sum, sum)));
}

void TestFlashCommand::checkListsRefusedLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("listed");
    const QByteArray abc = record(0, 0, "abc") + '\n';
    QTest::newRow("bad type on line 2") << abc + ":0000000AF6\n:00000001FF\n"
                                        << "line 2: record type above 06";
    QTest::newRow("blank last line") << QByteArray(":00000001FF\n\n") << "line 2: empty line";
    QTest::newRow("no end-of-file record") << abc << "no end-of-file record";
    QTest::newRow("list capped") << QByteArray(200, '\n') << "... and 150 more refused lines";
}

void TestFlashCommand::checkListsRefusedLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, listed);
    QVERIFY(writeFile(QStringLiteral("refused.hex"), content));
    QCOMPARE(run({"check", "refused.hex"}), int(FlashCommand::Failed));
    QVERIFY2((output() + errors()).contains(listed), qPrintable(output() + errors()));
    QVERIFY(output().count("empty line") <= FlashCommand::kMaxListedRefusals);
}

void TestFlashCommand::hexUpload_data()
{
    QTest::addColumn<int>("refuseFromLine"); // 0: the board takes every line
    QTest::addColumn<QString>("told");
    QTest::newRow("uploaded to a CAN board") << 0 << "uploaded";
    QTest::newRow("refused record") << 2 << "failed: unexpected reply \"ERR>\" after line 1";
}

void TestFlashCommand::hexUpload()
{
    QFETCH(int, refuseFromLine);
    QFETCH(QString, told);
    ScriptedBoard board(ScriptedBoard::Answers::Bootloader);
    board.refuseFromLine = refuseFromLine;
    const QString path = hexFile("upload.hex", {record(0, 0, "abc"), ":00000001FF"});
    const int status = run({"hex", path, "--host", board.connection(), "--target", "Exp 2"});
    QCOMPARE(status, int(refuseFromLine ? FlashCommand::Failed : FlashCommand::Success));
    QVERIFY2(errors().contains(told), qPrintable(errors()));
    QVERIFY(board.received.startsWith("can_bl 2\r\n"));
    if (refuseFromLine) {
        QVERIFY(board.received.endsWith("\r\nq\r\n"));
        return;
    }
    QVERIFY(board.received.endsWith("\r\n$19495\r\n"));
    QVERIFY2(output().contains("4c27\r\n"), qPrintable(output()));
    QVERIFY2(errors().contains("100%"), qPrintable(errors()));
}

void TestFlashCommand::romWrite_data()
{
    QTest::addColumn<QString>("arguments"); // FILE and where it goes
    QTest::addColumn<QByteArray>("lastAnswer");
    QTest::addColumn<qint64>("address"); // -1: the write fails
    QTest::addColumn<QString>("told");
    const QByteArray ok = ">";
    QTest::newRow("hex address") << "plain.bin --address 0x20000" << ok << qint64(0x20000)
                                 << "ROM address 0x020000 of";
    QTest::newRow("decimal address")
        << "plain.bin --address 6053471" << ok << qint64(6053471) << "ROM address 0x5C5E5F of";
    QTest::newRow("area caption with GUI2 takes its file from the folder")
        << "romset --area btn_start --gui2" << ok << qint64(6053471)
        << "ROM address 0x5C5E5F (GUI1_ADDR_BTN_START, GUI2) of";
    QTest::newRow("fixed area with a file of its own")
        << "plain.bin --area ADDR_DB_TUBE1" << ok << qint64(6231422) << "(ADDR_DB_TUBE1) of";
    QTest::newRow("missing file fails before any connection")
        << "missing.bin --address 0" << ok << qint64(-1) << "failed: Cannot open";
    QTest::newRow("board refuses the file after the last packet")
        << "plain.bin --address 0" << QByteArray("ERROR: ROM transfer: checksum") << qint64(-1)
        << "failed: The board answered \"ERROR: ROM transfer: checksum\"";
}

void TestFlashCommand::romWrite()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, lastAnswer);
    QFETCH(qint64, address);
    QFETCH(QString, told);
    const QByteArray bytes = noise(241); // a full packet and a one-byte packet
    QVERIFY(writeFile(QStringLiteral("romset/gui/btn_start.bin"), bytes));
    QVERIFY(writeFile(QStringLiteral("plain.bin"), bytes));
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    board.lastPacketAnswer = lastAnswer;
    const int status =
        run(QStringList{"rom"} + arguments.split(' ') + QStringList{"--host", board.connection()});
    QVERIFY2(errors().contains(told), qPrintable(errors()));
    if (address < 0) {
        QCOMPARE(status, int(FlashCommand::Failed));
        return;
    }
    QCOMPARE(status, int(FlashCommand::Success));
    QCOMPARE(board.commands, QByteArrayList{"put_binary " + QByteArray::number(address) + ":241:" +
                                            QByteArray::number(Fletcher16::of(bytes)) + "\r\n"});
    QVERIFY(board.data() == bytes);
    // The bar counts the file's bytes, not the framing around them.
    QVERIFY2(errors().contains("100% 241/241 bytes"), qPrintable(errors()));
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

void TestFlashCommand::logMessagesGoAroundTheBar()
{
    std::ostringstream bar;
    std::ostringstream text;
    {
        ConsoleProgress progress(bar, text);
        progress.setTotal(100);
        progress.update(40);
        progress.takeLogMessages();
        qWarning("board gone");
        const std::string wiped = '\r' + std::string(ConsoleProgress::kBarWidth + 40, ' ') + '\r';
        QVERIFY(bar.str().find("40/100 bytes" + wiped + "board gone\n") != std::string::npos);
        progress.update(41);
        QVERIFY(bar.str().find("board gone\n\r[################") != std::string::npos);
        progress.finish(false);
    }
    QVERIFY(text.str().empty());
    // After finish() messages take their usual way again.
    QTest::ignoreMessage(QtWarningMsg, "after the bar");
    qWarning("after the bar");
    QVERIFY(bar.str().find("after the bar") == std::string::npos);
}

QTEST_GUILESS_MAIN(TestFlashCommand)
#include "tst_flashcommand.moc"
