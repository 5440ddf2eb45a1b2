#include "boardsimprocess.h"
#include "fletcher16.h"
#include "hextestfiles.h"

#include <QtTest>

using namespace HexTestFiles;

// vorne-flash against the simulated board end to end: firmware made by objcopy, broken
// records, ROM writes of 300 KiB, and a board that fails on purpose in each way it can.
class TestFlashBoard : public QObject
{
    Q_OBJECT

private:
    QByteArray source;   // the firmware bytes, firmware.hex made of them by objcopy
    QByteArray small;    // the bytes of the committed fixture small.hex
    QByteArray romImage; // 300 KiB: 1280 packets, the last one full

private slots:
    void initTestCase();
    void flash_data();
    void flash();
};

void TestFlashBoard::initTestCase()
{
    if (!QFileInfo::exists(QStringLiteral(VORNE_BIN_DIR "/vorne-boardsim")))
        QSKIP("vorne-boardsim is not built");
    QDir::setCurrent(scratchPath(QString()));
    small = readFile(QFINDTESTDATA("data/small.bin"));
    QByteArray hex = readFile(QFINDTESTDATA("data/small.hex"));
    QVERIFY(writeFile(QStringLiteral("small.hex"), hex));
    source = small;
    if (!QStandardPaths::findExecutable(QStringLiteral("objcopy")).isEmpty()) {
        source = noise(70000); // crosses a 64 KiB boundary: two extended address records
        QVERIFY(writeFile(QStringLiteral("firmware.bin"), source));
        QProcess objcopy;
        objcopy.start(QStringLiteral("objcopy"),
                      {"-I", "binary", "-O", "ihex", "--change-addresses", "0x08000000",
                       "firmware.bin", "firmware.hex"});
        QVERIFY(objcopy.waitForFinished(30000));
        QCOMPARE(objcopy.exitCode(), 0);
        hex = readFile(QStringLiteral("firmware.hex"));
    } // else the committed fixture, made by the same objcopy command
    QVERIFY(writeFile(QStringLiteral("firmware.hex"), hex));
    QByteArrayList lines = hex.split('\n');
    QByteArray &victim = lines[5]; // a data record: one data digit changed, checksum kept
    victim[12] = victim[12] == '0' ? '1' : '0';
    QVERIFY(writeFile(QStringLiteral("broken.hex"), lines.join('\n')));
    romImage = noise(300 * 1024, 2024);
    QVERIFY(writeFile(QStringLiteral("romset/gui/btn_start.bin"), romImage));
}

void TestFlashBoard::flash_data()
{
    QTest::addColumn<QString>("arguments"); // without --host
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("told"); // on standard error
    QTest::addColumn<QString>("kept"); // the board's file of what it flashed; empty: nothing
    QTest::addColumn<QByteArray>("image");

    const QString gui = QStringLiteral("romset/gui/btn_start.bin");
    const QString all = QStringLiteral("100% 307200/307200 bytes");
    QTest::newRow("objcopy firmware flashed under a matching checksum")
        << "hex firmware.hex"
        << ""
        << "100%"
        << "flash-board.bin" << source;
    QTest::newRow("broken record refused before the board gets it")
        << "hex broken.hex"
        << ""
        << "line 6 of the file refused: record checksum wrong"
        << "" << QByteArray();
    QTest::newRow("board refusing a record") << "hex firmware.hex"
                                             << "refuse-record=4"
                                             << "after line 4"
                                             << "" << QByteArray();
    QTest::newRow("board dropping the connection") << "hex firmware.hex"
                                                   << "drop-after=20"
                                                   << "closed the connection"
                                                   << "" << QByteArray();
    QTest::newRow("silent board") << "hex firmware.hex --timeout 1"
                                  << "slow=3000"
                                  << "no answer from the board for 1 s"
                                  << "" << QByteArray();
    // The whole upload takes several times the time-out, but no answer comes that late.
    QTest::newRow("slow board within the time-out") << "hex small.hex --timeout 0.6"
                                                    << "slow=150"
                                                    << "100%"
                                                    << "flash-board.bin" << small;
    QTest::newRow("ROM file at a hex address") << "rom " + gui + " --address 0x20000"
                                               << "" << all << "rom-020000.bin" << romImage;
    QTest::newRow("ROM area of GUI 2 with its file from a folder")
        << "rom romset --area GUI1_ADDR_BTN_START --gui2"
        << "" << all << "rom-5c5e5f.bin" << romImage;
    QTest::newRow("ROM write with a junk line before a packet's prompt")
        << "rom " + gui + " --address 0"
        << "noise-packet=3" << all << "rom-000000.bin" << romImage;
    QTest::newRow("ROM write on a dropped connection")
        << "rom " + gui + " --address 0x20000"
        << "drop-after=50"
        << "failed: The connection to the board was lost"
        << "" << QByteArray();
}

void TestFlashBoard::flash()
{
    QFETCH(QString, arguments);
    QFETCH(QString, fault);
    QFETCH(QString, told);
    QFETCH(QString, kept);
    QFETCH(QByteArray, image);

    const QString romDir = scratchPath(QStringLiteral("board"));
    QDir(romDir).removeRecursively();
    QVERIFY(QDir().mkpath(romDir));
    BoardSimProcess board;
    QStringList options = BoardSimProcess::quietArguments() << "--rom-dir" << romDir;
    if (!fault.isEmpty())
        options << "--fault" << fault;
    QVERIFY(board.start(options));

    QProcess flash;
    flash.start(QStringLiteral(VORNE_BIN_DIR "/vorne-flash"),
                arguments.split(' ')
                    << "--host" << QStringLiteral("127.0.0.1:%1").arg(board.ports.first()));
    QVERIFY(flash.waitForFinished(120000));
    const QString out = QString::fromUtf8(flash.readAllStandardOutput());
    const QString err = QString::fromUtf8(flash.readAllStandardError());
    QVERIFY2(err.contains(told), qPrintable(err.right(300)));
    QCOMPARE(flash.exitStatus(), QProcess::NormalExit);
    QCOMPARE(flash.exitCode(), kept.isEmpty() ? 1 : 0);
    if (kept.isEmpty()) {
        QCOMPARE(QDir(romDir).entryList(QDir::Files), QStringList());
        return;
    }
    // A board keeps new firmware only when its own checksum matches the one sent.
    if (arguments.startsWith("hex"))
        QVERIFY2(out.contains(QString::number(Fletcher16::of(image), 16) + "\r\n"),
                 qPrintable(out));
    QTRY_VERIFY(readFile(QDir(romDir).filePath(kept)) == image);
}

QTEST_GUILESS_MAIN(TestFlashBoard)
#include "tst_flashboard.moc"
