#include "fletcher16.h"
#include "fwupdater.h"
#include "hextestfiles.h"

#include <QPointer>
#include <QTcpServer>
#include <QtTest>

#include <sstream>

using namespace HexTestFiles;

namespace {

const QString kBoardSim = QStringLiteral(VORNE_BIN_DIR "/vorne-boardsim");
const QString kFlash = QStringLiteral(VORNE_BIN_DIR "/vorne-flash");

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The simulated board as a process on a free loopback port, keeping flashed images in romDir.
struct SimBoard
{
    QProcess process;
    quint16 port = 0;
    QString romDir;

    bool start(const QStringList &extra = {})
    {
        port = freePort();
        romDir = scratchPath(QStringLiteral("rom-%1").arg(port));
        QDir().mkpath(romDir);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(kBoardSim, QStringList{"--listen", QStringLiteral("127.0.0.1:%1").arg(port),
                                             "--rom-dir", romDir, "--announce-ms", "600000"} +
                                     extra);
        // It names its console address once it listens.
        QByteArray said;
        while (!said.contains("console")) {
            if (!process.waitForReadyRead(10000))
                return false;
            said += process.readAllStandardOutput();
        }
        return true;
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    QByteArray flashed(const QString &name = QStringLiteral("flash-board.bin")) const
    {
        return readFile(QDir(romDir).filePath(name));
    }
    ~SimBoard()
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

struct FlashRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

FlashRun runFlash(const QStringList &arguments)
{
    QProcess flash;
    flash.start(kFlash, arguments);
    FlashRun run;
    if (!flash.waitForFinished(120000))
        return run;
    run.exitCode = flash.exitStatus() == QProcess::NormalExit ? flash.exitCode() : -2;
    run.out = QString::fromUtf8(flash.readAllStandardOutput());
    run.err = QString::fromUtf8(flash.readAllStandardError());
    return run;
}

} // namespace

// Uploads and ROM writes to the simulated board end to end: the uploader class and
// vorne-flash, good files made by objcopy, broken files and a board that fails on purpose.
class TestFlashBoard : public QObject
{
    Q_OBJECT

private:
    QByteArray source; // the firmware bytes
    QString firmware;  // the same as an Intel HEX file made by objcopy

private slots:
    void initTestCase();
    void uploaderFlashesObjcopyFirmware();
    void uploaderFlashesCanBoardOnBorrowedSocket();
    void flashToolFlashesObjcopyFirmware();
    void flashToolFailsOnBrokenRecord();
    void flashToolFailsWhenBoardRefusesRecord();
    void flashToolFailsWhenBoardDropsConnection();
    void flashToolFailsWhenBoardIsSilent();
    void slowBoardWithinTimeoutSucceeds();
    void romWriteArrivesByteForByte_data();
    void romWriteArrivesByteForByte();
    void romWriteFailsWhenBoardDropsConnection();

private:
    static QByteArray romImage();
};

void TestFlashBoard::initTestCase()
{
    if (!QFileInfo::exists(kBoardSim))
        QSKIP("vorne-boardsim is not built");
    QDir::setCurrent(scratchPath(QString()));
    if (QStandardPaths::findExecutable(QStringLiteral("objcopy")).isEmpty()) {
        // The committed fixture was made by the same objcopy command.
        source = readFile(QFINDTESTDATA("data/small.bin"));
        firmware = QFINDTESTDATA("data/small.hex");
        return;
    }
    source.resize(70000); // crosses a 64 KiB boundary: two extended address records
    for (int i = 0; i < source.size(); ++i)
        source[i] = char((i * 131 + i / 251) & 0xFF);
    const QString bin = scratchPath(QStringLiteral("firmware.bin"));
    firmware = scratchPath(QStringLiteral("firmware.hex"));
    QVERIFY(writeFile(bin, source));
    QProcess objcopy;
    objcopy.start(QStringLiteral("objcopy"), {"-I", "binary", "-O", "ihex", "--change-addresses",
                                              "0x08000000", bin, firmware});
    QVERIFY(objcopy.waitForFinished(30000));
    QCOMPARE(objcopy.exitCode(), 0);
}

void TestFlashBoard::uploaderFlashesObjcopyFirmware()
{
    SimBoard board;
    QVERIFY(board.start());
    std::ostringstream out;
    QPointer<Fwupdater> uploader = new Fwupdater(QStringLiteral("127.0.0.1"), board.port, 0);
    uploader->setOutput(out);
    QSignalSpy done(uploader.data(), &Fwupdater::done);
    QString reason = QStringLiteral("not reported");
    connect(uploader, &Fwupdater::done, this, [&] { reason = uploader->failureReason(); });
    QCOMPARE(uploader->uploadFile(firmware), 0);
    QVERIFY(done.wait(60000));
    QVERIFY2(done.at(0).at(0).toInt() == 1, qPrintable(reason));

    // The board kept the image only because its own checksum matched the one sent.
    const quint16 checksum = Fletcher16::of(source);
    QVERIFY(out.str().find(QByteArray::number(checksum, 16).toStdString() + "\r\n") !=
            std::string::npos);
    QTRY_VERIFY(!board.flashed().isEmpty());
    QVERIFY(board.flashed() == source);
    QVERIFY(readFile(QStringLiteral("fw.bin")) == source);
}

void TestFlashBoard::uploaderFlashesCanBoardOnBorrowedSocket()
{
    SimBoard board;
    QVERIFY(board.start());
    // The console connection as the main window holds it: its greeting already read.
    QTcpSocket console;
    console.connectToHost(QHostAddress::LocalHost, board.port);
    QVERIFY(console.waitForConnected(5000));
    QByteArray greeting;
    QSignalSpy readable(&console, &QIODevice::readyRead);
    while (!greeting.endsWith('>')) {
        QVERIFY(console.bytesAvailable() > 0 || readable.wait(5000));
        greeting += console.readAll();
    }

    std::ostringstream out;
    QPointer<Fwupdater> uploader = new Fwupdater(&console, 3);
    uploader->setOutput(out);
    QSignalSpy done(uploader.data(), &Fwupdater::done);
    QString reason = QStringLiteral("not reported");
    connect(uploader, &Fwupdater::done, this, [&] { reason = uploader->failureReason(); });
    uploader->uploadFileOnSocket(firmware);
    QVERIFY(done.wait(60000));
    QVERIFY2(done.at(0).at(0).toInt() == 1, qPrintable(reason));
    QTRY_VERIFY(board.flashed(QStringLiteral("flash-can2.bin")) == source);
    QCOMPARE(console.state(), QAbstractSocket::ConnectedState);
}

void TestFlashBoard::flashToolFlashesObjcopyFirmware()
{
    SimBoard board;
    QVERIFY(board.start());
    const FlashRun run = runFlash({"hex", firmware, "--host", board.address()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const quint16 checksum = Fletcher16::of(source);
    QVERIFY2(run.out.contains(QString::number(checksum, 16) + "\r\n"), qPrintable(run.out));
    QVERIFY(run.err.contains("100%"));
    QTRY_VERIFY(board.flashed() == source);
}

void TestFlashBoard::flashToolFailsOnBrokenRecord()
{
    SimBoard board;
    QVERIFY(board.start());
    QByteArrayList lines = readFile(firmware).split('\n');
    QByteArray &victim = lines[5]; // a data record: one data digit changed, checksum kept
    victim[12] = victim[12] == '0' ? '1' : '0';
    const QString broken = scratchPath(QStringLiteral("broken.hex"));
    QVERIFY(writeFile(broken, lines.join('\n')));

    const FlashRun run = runFlash({"hex", broken, "--host", board.address()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("line 6 of the file refused: record checksum wrong"),
             qPrintable(run.err));
    QVERIFY(board.flashed().isEmpty());
}

void TestFlashBoard::flashToolFailsWhenBoardRefusesRecord()
{
    SimBoard board;
    QVERIFY(board.start({"--fault", "refuse-record=4"}));
    const FlashRun run = runFlash({"hex", firmware, "--host", board.address()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("unexpected reply") && run.err.contains("after line 4"),
             qPrintable(run.err));
    QVERIFY(board.flashed().isEmpty());
}

void TestFlashBoard::flashToolFailsWhenBoardDropsConnection()
{
    SimBoard board;
    QVERIFY(board.start({"--fault", "drop-after=20"}));
    const FlashRun run = runFlash({"hex", firmware, "--host", board.address()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("closed the connection"), qPrintable(run.err));
    QVERIFY(board.flashed().isEmpty());
}

void TestFlashBoard::flashToolFailsWhenBoardIsSilent()
{
    SimBoard board;
    QVERIFY(board.start({"--fault", "slow=3000"}));
    const FlashRun run = runFlash({"hex", firmware, "--host", board.address(), "--timeout", "1"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("no answer from the board for 1 s"), qPrintable(run.err));
}

void TestFlashBoard::slowBoardWithinTimeoutSucceeds()
{
    // Every answer comes 150 ms late: the whole upload takes several times the time-out, but
    // the board is never silent for that long.
    SimBoard board;
    QVERIFY(board.start({"--fault", "slow=150"}));
    const QString small = QFINDTESTDATA("data/small.hex");
    const FlashRun run = runFlash({"hex", small, "--host", board.address(), "--timeout", "0.6"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QTRY_VERIFY(board.flashed() == readFile(QFINDTESTDATA("data/small.bin")));
}

// 300 KiB: 1280 packets, the last one full.
QByteArray TestFlashBoard::romImage()
{
    QByteArray bytes(300 * 1024, Qt::Uninitialized);
    quint32 state = 2024;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 16);
    }
    return bytes;
}

void TestFlashBoard::romWriteArrivesByteForByte_data()
{
    QTest::addColumn<QStringList>("target");
    QTest::addColumn<bool>("fromFolder");
    QTest::addColumn<QString>("romFile");
    QTest::newRow("hex address") << QStringList{"--address", "0x20000"} << false
                                 << "rom-020000.bin";
    QTest::newRow("GUI 2 area with its file from a folder")
        << QStringList{"--area", "GUI1_ADDR_BTN_START", "--gui2"} << true << "rom-5c5e5f.bin";
}

void TestFlashBoard::romWriteArrivesByteForByte()
{
    QFETCH(QStringList, target);
    QFETCH(bool, fromFolder);
    QFETCH(QString, romFile);
    const QByteArray image = romImage();
    const QString folder = scratchPath(QStringLiteral("romset"));
    QVERIFY(QDir().mkpath(folder + "/gui"));
    QVERIFY(writeFile(folder + "/gui/btn_start.bin", image));
    SimBoard board;
    QVERIFY(board.start());

    const QString file = fromFolder ? folder : folder + "/gui/btn_start.bin";
    const FlashRun run = runFlash(QStringList{"rom", file, "--host", board.address()} + target);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.err.contains("100% 307200/307200 bytes"), qPrintable(run.err.right(300)));
    QVERIFY(board.flashed(romFile) == image);
}

void TestFlashBoard::romWriteFailsWhenBoardDropsConnection()
{
    const QString file = scratchPath(QStringLiteral("dropped.bin"));
    QVERIFY(writeFile(file, romImage()));
    SimBoard board;
    QVERIFY(board.start({"--fault", "drop-after=50"}));
    const QString host = board.address();
    const FlashRun run = runFlash({"rom", file, "--address", "0x20000", "--host", host});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("failed: The connection to the board was lost"),
             qPrintable(run.err.right(300)));
    QVERIFY(!QFileInfo::exists(QDir(board.romDir).filePath("rom-020000.bin")));
}

QTEST_GUILESS_MAIN(TestFlashBoard)
#include "tst_flashboard.moc"
