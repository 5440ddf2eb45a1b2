#include "consoleprogress.h"
#include "flashcommand.h"
#include "fletcher16.h"
#include "hextestfiles.h"
#include "romareas.h"

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

// A board that takes a "put_binary" ROM write: greets with ">", answers the command and every
// packet with ">", and the last packet with lastAnswer. Keeps the command and the data.
class RomBoard : public QObject
{
public:
    explicit RomBoard(const QByteArray &lastReply = ">")
        : lastAnswer(lastReply)
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *board = server.nextPendingConnection();
            board->write(">");
            connect(board, &QTcpSocket::readyRead, board, [this, board] { take(board); });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }

    QTcpServer server;
    QByteArray command;
    QByteArray data;
    QByteArray lastAnswer;

private:
    void take(QTcpSocket *board)
    {
        pending += board->readAll();
        if (command.isEmpty()) {
            const int end = pending.indexOf('\n');
            if (end < 0)
                return;
            command = pending.left(end + 1);
            pending.remove(0, end + 1);
            size = command.split(':').value(1).toInt();
            board->write(">");
        }
        // Packet: length byte (whole packet), 4 sequence bytes, data, 2 checksum bytes.
        while (!pending.isEmpty() && pending.size() >= quint8(pending.at(0))) {
            const int length = quint8(pending.at(0));
            data += pending.mid(5, length - 7);
            pending.remove(0, length);
            board->write(data.size() >= size ? lastAnswer : QByteArray(">"));
        }
    }

    QByteArray pending;
    int size = 0;
};

QByteArray romBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 256) & 0xFF);
    return bytes;
}

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
    void parsesAddress_data();
    void parsesAddress();
    void findsRomArea_data();
    void findsRomArea();
    void refusesWrongUsage_data();
    void refusesWrongUsage();
    void helpExplainsEveryOption();
    void checkReportsImage();
    void checkListsRefusedLines_data();
    void checkListsRefusedLines();
    void checkCapsTheList();
    void hexUploadsAndReports();
    void hexFailureExitsWithReason();
    void romWritesAtAddress_data();
    void romWritesAtAddress();
    void romFailureExitsWithReason_data();
    void romFailureExitsWithReason();
    void progressBarMakesWayForTexts();
    void logMessagesGoAroundTheBar();
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

void TestFlashCommand::parsesAddress_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qulonglong>("address");
    QTest::newRow("decimal") << "6053471" << true << 6053471ull;
    QTest::newRow("hex") << "0x20000" << true << 0x20000ull;
    QTest::newRow("hex with capital X and digits") << "0X5C5E5F" << true << 0x5C5E5Full;
    QTest::newRow("zero") << "0" << true << 0ull;
    QTest::newRow("leading zero is decimal, not octal") << "0100" << true << 100ull;
    QTest::newRow("highest 32-bit hex") << "0xFFFFFFFF" << true << 0xFFFFFFFFull;
    QTest::newRow("highest 32-bit decimal") << "4294967295" << true << 0xFFFFFFFFull;
    QTest::newRow("hex above 32 bits refused") << "0x100000000" << false << 0ull;
    QTest::newRow("decimal above 32 bits refused") << "4294967296" << false << 0ull;
    QTest::newRow("past 64 bits refused") << "99999999999999999999999" << false << 0ull;
    QTest::newRow("negative refused") << "-1" << false << 0ull;
    QTest::newRow("plus sign refused") << "+5" << false << 0ull;
    QTest::newRow("empty refused") << "" << false << 0ull;
    QTest::newRow("bare 0x refused") << "0x" << false << 0ull;
    QTest::newRow("hex digits without 0x refused") << "5C5E5F" << false << 0ull;
    QTest::newRow("trailing text refused") << "12k" << false << 0ull;
    QTest::newRow("blank around refused") << " 12" << false << 0ull;
    QTest::newRow("area name is not an address") << "ADDR_DB_TUBE1" << false << 0ull;
}

void TestFlashCommand::parsesAddress()
{
    QFETCH(QString, value);
    QFETCH(bool, valid);
    QFETCH(qulonglong, address);
    uint32_t got = 0x12345678;
    QCOMPARE(FlashCommand::parseAddress(value, got), valid);
    if (valid)
        QCOMPARE(qulonglong(got), address);
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
    QTest::addColumn<QStringList>("arguments");
    const QString file = QStringLiteral("fw.hex");
    QTest::newRow("no command") << QStringList();
    QTest::newRow("unknown command") << QStringList{"erase", file};
    QTest::newRow("hex without host") << QStringList{"hex", file};
    QTest::newRow("hex without file") << QStringList{"hex", "--host", "board"};
    QTest::newRow("hex with two files") << QStringList{"hex", file, file, "--host", "board"};
    QTest::newRow("hex with bad target")
        << QStringList{"hex", file, "--host", "board", "--target", "9"};
    QTest::newRow("hex with bad timeout")
        << QStringList{"hex", file, "--host", "board", "--timeout", "0"};
    QTest::newRow("hex with timeout past a day")
        << QStringList{"hex", file, "--host", "board", "--timeout", "1e300"};
    QTest::newRow("unknown option") << QStringList{"check", file, "--fast"};
    QTest::newRow("check without file") << QStringList{"check"};
    const QString rom = QStringLiteral("rom");
    const QString board = QStringLiteral("board");
    QTest::newRow("rom without address") << QStringList{rom, file, "--host", board};
    QTest::newRow("rom with address that is no number")
        << QStringList{rom, file, "--host", board, "--address", "start"};
    QTest::newRow("rom with address above 32 bits")
        << QStringList{rom, file, "--host", board, "--address", "0x100000000"};
    QTest::newRow("rom with address and area")
        << QStringList{rom, file, "--host", board, "--address", "0", "--area", "DB_TUBE1"};
    QTest::newRow("rom with unknown area")
        << QStringList{rom, file, "--host", board, "--area", "DB_TUBE9"};
    QTest::newRow("rom with GUI2 and a plain address")
        << QStringList{rom, file, "--host", board, "--address", "0", "--gui2"};
    QTest::newRow("rom with GUI2 on a fixed area")
        << QStringList{rom, file, "--host", board, "--area", "DB_TUBE1", "--gui2"};
    QTest::newRow("rom without host") << QStringList{rom, file, "--address", "0"};
    QTest::newRow("rom without file") << QStringList{rom, "--host", board, "--address", "0"};
    QTest::newRow("rom with bad timeout")
        << QStringList{rom, file, "--host", board, "--address", "0", "--timeout", "x"};
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
    const char *const words[] = {"hex FILE",       "check FILE",
                                 "rom FILE",       "--host HOST[:PORT]",
                                 "--target N",     "--timeout SECONDS",
                                 "--address ADDR", "--area NAME",
                                 "--gui2",         "Exp 7",
                                 "Button panel",   "Exit status"};
    for (const QStringList &arguments :
         {QStringList{"--help"}, QStringList{"-h"}, QStringList{"hex", "--help"},
          QStringList{"rom", "--help"}}) {
        QCOMPARE(run(arguments), int(FlashCommand::Success));
        for (const char *word : words)
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

void TestFlashCommand::romWritesAtAddress_data()
{
    QTest::addColumn<QStringList>("target");
    QTest::addColumn<QString>("file"); // under the scratch folder; FILE is the folder if empty
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("reported");
    // 241 bytes: a full packet and a one-byte packet.
    const QByteArray tail = ":241:" + QByteArray::number(Fletcher16::of(romBytes(241))) + "\r\n";
    QTest::newRow("hex address") << QStringList{"--address", "0x20000"} << "plain.bin"
                                 << "put_binary 131072" + tail << "ROM address 0x020000 of";
    QTest::newRow("decimal address") << QStringList{"--address", "6053471"} << "plain.bin"
                                     << "put_binary 6053471" + tail << "ROM address 0x5C5E5F of";
    QTest::newRow("area caption with GUI2 takes its file from the folder")
        << QStringList{"--area", "btn_start", "--gui2"} << ""
        << "put_binary 6053471" + tail << "ROM address 0x5C5E5F (GUI1_ADDR_BTN_START, GUI2) of";
    QTest::newRow("fixed area with a file of its own")
        << QStringList{"--area", "ADDR_DB_TUBE1"} << "plain.bin"
        << "put_binary 6231422" + tail << "ROM address 0x5F157E (ADDR_DB_TUBE1) of";
}

void TestFlashCommand::romWritesAtAddress()
{
    QFETCH(QStringList, target);
    QFETCH(QString, file);
    QFETCH(QByteArray, command);
    QFETCH(QString, reported);
    const QByteArray bytes = romBytes(241);
    const QString folder = scratchPath(QStringLiteral("romset"));
    QVERIFY(QDir().mkpath(folder + "/gui"));
    QVERIFY(writeFile(folder + "/gui/btn_start.bin", bytes));
    QVERIFY(writeFile(scratchPath("plain.bin"), bytes));
    RomBoard board;
    const QString path = file.isEmpty() ? folder : scratchPath(file);
    const int status = run(QStringList{"rom", path, "--host", board.address()} + target);
    QVERIFY2(status == FlashCommand::Success, qPrintable(errors()));
    QCOMPARE(board.command, command);
    QVERIFY(board.data == bytes);
    QVERIFY2(errors().contains(reported), qPrintable(errors()));
    // The bar counts the file's bytes, not the framing around them.
    QVERIFY2(errors().contains("100% 241/241 bytes"), qPrintable(errors()));
}

void TestFlashCommand::romFailureExitsWithReason_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("lastAnswer");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file fails before any connection")
        << "missing.bin" << QByteArray(">") << "failed: Cannot open";
    QTest::newRow("board refuses the file after the last packet")
        << "plain.bin" << QByteArray("ERROR: ROM transfer: checksum")
        << "failed: The board answered \"ERROR: ROM transfer: checksum\"";
}

void TestFlashCommand::romFailureExitsWithReason()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, lastAnswer);
    QFETCH(QString, reason);
    QVERIFY(writeFile(scratchPath("plain.bin"), romBytes(300)));
    RomBoard board(lastAnswer);
    QCOMPARE(run({"rom", scratchPath(file), "--host", board.address(), "--address", "0"}),
             int(FlashCommand::Failed));
    QVERIFY2(errors().contains(reason), qPrintable(errors()));
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
