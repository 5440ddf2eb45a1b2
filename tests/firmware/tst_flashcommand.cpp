#include "boardsimprocess.h"
#include "connectiontext.h"
#include "consoleaddress.h"
#include "consoleprogress.h"
#include "flashcommand.h"
#include "hexfile.h"
#include "hexrecordchecker.h"
#include "hexrecords.h"

#include <QtTest>

#include <sstream>
#include <unistd.h>

using namespace HexTestFiles;
using R = IntelHexReader::Refusal;

// HEX files as vorne-flash and the uploader read them: line by line, each record judged, the
// image the records build. The vorne-flash command line: its arguments, its offline check,
// how a failed transfer ends, its progress bar, and one run of each transfer against the
// simulated board; and how it reads "host:port" beside the other programs that do.
class TestFlashCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsLines_data();
    void readsLines();
    void recordTable_data();
    void recordTable();
    void buildsImage_data();
    void buildsImage();
    void runs_data();
    void runs();
    void hostPortOfEachCaller_data();
    void hostPortOfEachCaller();
    void progressBarMakesWayForTexts();
    void endToEnd_data();
    void endToEnd();
};

void TestFlashCommand::initTestCase()
{
    QVERIFY(writeFile(QStringLiteral("noeof.hex"), record(0, 0, "a") + '\n' + record(0, 1, "b")));
    QVERIFY(writeFile(QStringLiteral("blank.hex"), QByteArray(200, '\n')));
    QVERIFY(writeFile(QStringLiteral("escape.hex"), ":\x1b[2J\\\n:00000001FF\n"));
    QVERIFY(writeFile(QStringLiteral("small.hex"), readFile(QFINDTESTDATA("data/small.hex"))));
    QVERIFY(QDir().mkpath(QStringLiteral("romset")));
}

void TestFlashCommand::readsLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("piped"); // -1: a file; else the most the pipe may give
    const auto row = [](const char *name, const QByteArray &content, const QByteArrayList &lines,
                        const QList<int> &lengths, int piped = -1) {
        QTest::newRow(name) << content << lines << lengths << piped;
    };
    const QByteArrayList two = {":00", ":01"};
    const QByteArray longLine = ':' + QByteArray(5000, '0');
    row("LF line ends", ":00\n:01\n", two, {3, 3});
    row("CR LF line ends not counted", ":00\r\n:01\r\n", two, {3, 3});
    row("blank line read as empty", ":00\n\n:01\n", {":00", "", ":01"}, {3, 0, 3});
    row("overlong line cut but counted", longLine + "\r\n:00000001FF\n",
        {longLine.left(HexFile::kMaxKeptLine), ":00000001FF"}, {5001, 11});
    row("a pipe read whole", ":00\n:01\n", two, {3, 3}, 8);
    row("a pipe giving more than its limit refused", ":00\n:01\n", {}, {}, 7);
}

void TestFlashCommand::readsLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArrayList, lines);
    QFETCH(QList<int>, lengths);
    QFETCH(int, piped);
    QString path = QStringLiteral("lines.hex");
    QVERIFY(writeFile(path, content));
    int ends[2]; // a pipe that has given content and ended, opened by its name (Linux)
    if (piped >= 0) {
        QVERIFY(::pipe(ends) == 0 && ::write(ends[1], content.data(), size_t(content.size())) > 0);
        ::close(ends[1]);
        path = QStringLiteral("/dev/fd/%1").arg(ends[0]); // open until the test ends
    }
    HexFile file;
    const bool opened = file.open(path, piped < 0 ? HexFile::kMaxPiped : piped);
    QCOMPARE(opened, !lines.isEmpty());
    if (!opened) {
        QVERIFY(file.errorString().contains("more than 7 bytes"));
        return;
    }
    QByteArray line;
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY(!file.atEnd());
        QCOMPARE(file.readLine(line), lengths.at(i));
        QCOMPARE(line, lines.at(i));
    }
    QVERIFY(file.atEnd());
    QCOMPARE(file.readLine(line), 0); // past the end: an empty line
    QCOMPARE(line, QByteArray());
}

// Every row of the shared table judged three ways side by side: the reader's refusal and its
// text, the simulated bootloader's verdict, and `vorne-flash check` of the whole file, which
// the board must never refuse when check finds it fit.
void TestFlashCommand::recordTable_data()
{
    HexRecords::addRows();
}

void TestFlashCommand::recordTable()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(IntelHexReader::Refusal, reader);
    QFETCH(QByteArray, readerSays);
    QFETCH(bool, boardAccepts);
    QFETCH(int, stopsAt);
    std::ostringstream out;
    IntelHexReader lineReader(out);
    HexRecordChecker board;
    for (int i = 0; i < lines.size(); ++i) {
        const bool judged = i == lines.size() - 1;
        out.str({});
        lineReader.nextLine();
        QCOMPARE(lineReader.parseHexLine(lines.at(i)), !judged || reader == R::None);
        QCOMPARE(board.check(lines.at(i)).accepted, !judged || boardAccepts);
    }
    QCOMPARE(lineReader.lastRefusal(), reader);
    if (!readerSays.isEmpty() && !readerSays.endsWith('\n'))
        readerSays += "not valid record at line " + QByteArray::number(lines.size()) + "\n";
    QCOMPARE(QByteArray::fromStdString(out.str()), readerSays);

    const QByteArrayList file = HexRecords::wholeFile(lines);
    QVERIFY(writeFile(QStringLiteral("judged.hex"), file.join('\n') + '\n'));
    std::ostringstream report;
    QCOMPARE(FlashCommand(report, report).run({"check", "judged.hex"}), stopsAt ? 1 : 0);
    const std::string stop = "an upload would stop at line " + std::to_string(stopsAt) + "\n";
    QVERIFY2(!stopsAt || report.str().find(stop) != std::string::npos, report.str().data());
    HexRecordChecker whole;
    for (const QByteArray &line : file)
        QVERIFY(stopsAt || whole.check(line).accepted);
}

void TestFlashCommand::buildsImage_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("image"); // the bytes 0 .. highest
    QTest::addColumn<quint32>("base");
    QTest::addColumn<quint16>("checksum");
    const QByteArray abc = record(0, 0, "abc");
    QByteArray wideImage(0x10011, '\0');
    wideImage[0] = 0x40;
    wideImage[0x10010] = 0x7E;
    QByteArray broken = abc;
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    const QByteArray none(1, 0);
    const auto row = [](const char *name, const QByteArrayList &lines, const QByteArray &image,
                        quint32 base, quint16 checksum) {
        QTest::newRow(name) << lines << image << base << checksum;
    };
    row("gap reads zero and moves the checksum", {abc, record(0, 5, "d")},
        QByteArray("abc\0\0d", 6), 0, 0x268B);
    row("second type 04 record moves the base",
        {":020000040800F2", record(0, 0, "\x40"), ":020000040801F1", record(0, 0x10, "\x7E")},
        wideImage, 0x10000, 0x03BE);
    row("empty data record leaves highest at zero", {":0000000000"}, none, 0, 0);
    row("refused line leaves the image unchanged", {broken}, none, 0, 0);
}

void TestFlashCommand::buildsImage()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, image);
    QFETCH(quint32, base);
    QFETCH(quint16, checksum);
    std::ostringstream out;
    IntelHexReader reader(out);
    for (const QByteArray &line : qAsConst(lines)) {
        reader.nextLine();
        reader.parseHexLine(line);
    }
    QVERIFY(reader.imageBytes() == image);
    QCOMPARE(reader.highest(), quint32(image.size() - 1));
    QCOMPARE(reader.base(), base);
    QCOMPARE(reader.imageChecksum(), checksum);
}

// Whole command lines: the exit status and a text on standard output or error. No board is
// needed: every transfer here fails before it would connect.
void TestFlashCommand::runs_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told");
    const auto row = [](const char *name, const char *arguments, int status, const char *told) {
        QTest::newRow(name) << arguments << status << told;
    };
    const auto usage = [](const char *name, const char *arguments) {
        QTest::newRow(name) << arguments << int(FlashCommand::UsageError)
                            << "Try \"vorne-flash --help\".";
    };
    row("help of a command", "rom --help", 0, "--host HOST[:PORT]");
    // 7603 is the Fletcher-16 of small.bin, from which objcopy made small.hex.
    row("check of a file fit to upload", "check small.hex", 0,
        "small.hex: 22 lines\nimage size:    300 bytes (0x12C)\n"
        "highest:       offset 0x00012B, flash address 0x0800012B\n"
        "checksum:      0x1db3 (7603)\nstart address: 0x08000000\n");
    row("hex of a file that cannot be opened", "hex missing.hex --host 127.0.0.1:1", 1,
        "vorne-flash: upload of missing.hex to 127.0.0.1:1, target 0 (the connected board) "
        "failed: cannot open missing.hex");
    row("rom of a folder takes the area's file, to a GUI 2 area",
        "rom romset --area BTN_START --gui2 --host 127.0.0.1:1", 1,
        "vorne-flash: writing romset/gui/btn_start.bin to ROM address 0x5C5E5F "
        "(GUI1_ADDR_BTN_START, GUI2) of 127.0.0.1:1 failed: Cannot open romset/gui/btn_start.bin");
    row("rom address with a leading zero is decimal", "rom m --address 0100 --host b:1", 1,
        "to ROM address 0x000064 of");
    row("check of a file without an end-of-file record", "check noeof.hex", 1,
        "has no end-of-file record");
    row("check shows a refused line's bytes escaped", "check escape.hex", 1,
        ": :\\x1B[2J\\\\\nescape.hex: 2 lines");
    row("check lists 50 refused lines, then counts", "check blank.hex", 1,
        "line 50: empty line (a blank line, or read past the end of the file): \n"
        "... and 150 more refused lines");
    usage("no command", "");
    usage("unknown command", "erase fw.hex");
    usage("hex without host", "hex fw.hex");
    usage("hex with bad target", "hex fw.hex --host board --target 9");
    usage("hex with timeout past a day", "hex fw.hex --host board --timeout 1e300");
    usage("hex with timeout nan", "hex fw.hex --host board --timeout nan");
    usage("rom with a timeout under a millisecond", "rom f --host b --address 0 --timeout 1e-4");
    usage("rom without address", "rom fw.bin --host board");
    usage("rom address above 32 bits", "rom f --host b --address 0x100000000");
    usage("rom address of hex digits without 0x", "rom f --host b --address 5C5E5F");
    usage("rom with address and area", "rom f --host b --address 0 --area DB_TUBE1");
    usage("rom with a GUI area under the fixed prefix", "rom f --host b --area ADDR_BTN_START");
    usage("rom with GUI2 on a fixed area", "rom f --host b --area DB_TUBE1 --gui2");
}

void TestFlashCommand::runs()
{
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, told);
    std::ostringstream out;
    std::ostringstream err;
    QCOMPARE(FlashCommand(out, err).run(arguments.split(' ', Qt::SkipEmptyParts)), status);
    const QString said = QString::fromStdString(out.str() + err.str());
    QVERIFY2(said.contains(told), qPrintable(said));
    QVERIFY(out.str().find('\x1b') == std::string::npos); // no terminal escape from a file
    QVERIFY(status != FlashCommand::UsageError || out.str().empty());
}

// One "host:port" text read by each caller with its own rule for a missing or bad port: the
// console (port 23 when none is given, 0 when it is no port), the firmware dialogs (a port is
// needed) and vorne-flash's --host (port 23 when none is given, a bad one refused).
void TestFlashCommand::hostPortOfEachCaller_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("dialogs"); // empty: no connection can be opened
    QTest::addColumn<QString>("flasher"); // empty: a usage error
    const auto row = [](const char *name, const char *text, const char *console,
                        const char *dialogs, const char *flasher) {
        QTest::newRow(name) << text << console << dialogs << flasher;
    };
    row("name alone", "board", "board:23", "", "board:23");
    row("address and port", "10.0.0.5:2323", "10.0.0.5:2323", "10.0.0.5:2323", "10.0.0.5:2323");
    row("bracketed IPv6 with port", "[::1]:7123", "::1:7123", "::1:7123", "::1:7123");
    row("bare IPv6 is all host", "::1", "::1:23", "", "::1:23");
    row("empty port", "board:", "board:0", "", "");
    row("port not a number", "board:telnet", "board:0", "", "");
    row("port past 65535", "board:70000", "board:0", "", "");
    row("unclosed bracket", "[::1:23", ":23", "", "");
    row("port without host", ":23", ":23", "", "");
}

void TestFlashCommand::hostPortOfEachCaller()
{
    QFETCH(QString, text);
    QFETCH(QString, console);
    QFETCH(QString, dialogs);
    QFETCH(QString, flasher);
    const auto joined = [](const QString &host, int port) {
        return QStringLiteral("%1:%2").arg(host).arg(port);
    };
    const ConsoleAddress address = ConsoleAddress::fromText(text);
    QCOMPARE(joined(address.host, address.port), console);
    const ConnectionText connection = ConnectionText::parse(text);
    QCOMPARE(connection.isValid() ? joined(connection.host, connection.port) : QString(), dialogs);
    QString host;
    int port = 0;
    QCOMPARE(FlashCommand::parseHost(text, host, port) ? joined(host, port) : QString(), flasher);
}

// The bar is redrawn in place on standard error; texts and log messages wipe it first and
// stand on lines of their own.
void TestFlashCommand::progressBarMakesWayForTexts()
{
    std::ostringstream bar;
    std::ostringstream text;
    ConsoleProgress progress(bar, text);
    std::ostream texts(&progress);
    progress.setTotal(200);
    progress.update(50);
    progress.update(51); // same percent: not redrawn
    texts << "Bootloader sending hexfile\n" << std::flush;
    progress.takeLogMessages();
    qWarning("board gone");
    progress.finish(true);
    QCOMPARE(text.str(), std::string("Bootloader sending hexfile\n"));
    const std::string wiped = '\r' + std::string(ConsoleProgress::kBarWidth + 40, ' ') + '\r';
    QCOMPARE(bar.str(), "\r[##########" + std::string(30, '.') + "] 25% 50/200 bytes" + wiped +
                            "board gone\n\r[" + std::string(40, '#') + "] 100% 200/200 bytes\n");
    QTest::ignoreMessage(QtWarningMsg, "after the bar"); // the usual way again after finish()
    qWarning("after the bar");
}

// vorne-flash against the simulated board, once for each kind of transfer: the objcopy
// fixture flashed into a board behind the connected one (Exp 2 is CAN node 2), and a GUI 2
// area written from a pipe, read whole first.
void TestFlashCommand::endToEnd_data()
{
    QTest::addColumn<QStringList>("arguments"); // without --host
    QTest::addColumn<QByteArray>("input");      // on standard input; also what the board keeps
    QTest::addColumn<QString>("told");          // on standard error
    QTest::addColumn<QString>("kept");          // the board's file of what it received
    QTest::newRow("hex to Exp 2, flashed under a matching checksum")
        << QStringList{"hex", "small.hex", "--target", "Exp 2"} << QByteArray()
        << "small.hex uploaded to"
        << "flash-can2.bin";
    QTest::newRow("rom of a GUI 2 area from a pipe")
        << QStringList{"rom", "/dev/stdin", "--area", "BTN_START", "--gui2"} << noise(300 * 1024)
        << "100% 307200/307200 bytes\nvorne-flash: /dev/stdin (307200 bytes) written to ROM "
           "address 0x5C5E5F"
        << "rom-5c5e5f.bin";
}

void TestFlashCommand::endToEnd()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, told);
    QFETCH(QString, kept);
    const QByteArray image = input.isEmpty() ? readFile(QFINDTESTDATA("data/small.bin")) : input;
    const QString romDir = QStringLiteral("board");
    BoardSimProcess board;
    QVERIFY(board.start(BoardSimProcess::quietArguments() << "--rom-dir" << romDir));
    QProcess flash;
    flash.start(QStringLiteral(VORNE_BIN_DIR "/vorne-flash"),
                arguments << "--host" << QStringLiteral("127.0.0.1:%1").arg(board.ports.first()));
    flash.write(input);
    flash.closeWriteChannel();
    QVERIFY(flash.waitForFinished(120000));
    const QString err = QString::fromUtf8(flash.readAllStandardError());
    QVERIFY2(err.contains(told), qPrintable(err.right(300)));
    QCOMPARE(flash.exitStatus(), QProcess::NormalExit);
    QCOMPARE(flash.exitCode(), 0);
    // A board keeps new firmware only when its own checksum matches the one sent.
    QTRY_VERIFY(readFile(QDir(romDir).filePath(kept)) == image);
}

QTEST_GUILESS_MAIN(TestFlashCommand)
#include "tst_flashcommand.moc"
