#include "fakeprompter.h"
#include "fwupdatedialog.h"
#include "qdevicemachine.h"
#include "romtransfer.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

// ROM writes end to end against the simulated board: the bytes that reach its ROM folder
// are the file's, and a board that drops the connection is reported as a failure.
class TestRomBoardSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void romWriteArrivesByteForByte_data();
    void romWriteArrivesByteForByte();
    void droppedConnectionEndsInFailure_data();
    void droppedConnectionEndsInFailure();
    void firmwareDialogWritesTubeImage();

private:
    bool startSim(const QStringList &extra);
    std::unique_ptr<RomTransfer> startBoard(bool borrowed, const QStringList &faults);
    QString romFile(uint32_t address) const;

    QString simPath;
    QString romDir;
    quint16 simPort = 0;
    QProcess sim;
    QTcpServer consoleServer; // the program's console server the board dials in to
    std::unique_ptr<QTcpSocket> console;
};

static quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

static QByteArray romImage(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

static QString writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
    return name;
}

void TestRomBoardSim::initTestCase()
{
    simPath = QStringLiteral(VORNE_BIN_DIR "/vorne-boardsim");
    if (!QFileInfo(simPath).isExecutable())
        QSKIP("vorne-boardsim is not built");
    romDir = QDir::current().absoluteFilePath(QStringLiteral("rom-out"));
    QLoggingCategory::setFilterRules(QStringLiteral("vorne.*.debug=false"));
    QDeviceMachine::setReceivePort(std::nullopt);
    QVERIFY(consoleServer.listen(QHostAddress::LocalHost, 0));
}

void TestRomBoardSim::cleanup()
{
    console.reset();
    if (sim.state() != QProcess::NotRunning) {
        sim.terminate();
        if (!sim.waitForFinished(5000))
            sim.kill();
        sim.waitForFinished(5000);
    }
    QDir(romDir).removeRecursively();
}

// Starts the board and waits for its summary, printed once it listens.
bool TestRomBoardSim::startSim(const QStringList &extra)
{
    simPort = freePort();
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(simPath,
              QStringList{QStringLiteral("--type"), QStringLiteral("spider"),
                          QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(simPort),
                          QStringLiteral("--discovery-port"), QStringLiteral("0"),
                          QStringLiteral("--rom-dir"), romDir} +
                  extra);
    return sim.waitForStarted(10000) && sim.waitForReadyRead(10000);
}

// Starts the board and a transfer to it, over a connection of its own or over the console
// of the board that dialled in to this program.
std::unique_ptr<RomTransfer> TestRomBoardSim::startBoard(bool borrowed, const QStringList &faults)
{
    QStringList extra = faults;
    if (borrowed)
        extra << QStringLiteral("--connect")
              << QStringLiteral("127.0.0.1:%1").arg(consoleServer.serverPort());
    if (!startSim(extra))
        return nullptr;
    if (!borrowed)
        return std::make_unique<RomTransfer>(QStringLiteral("127.0.0.1"), simPort);
    // Play the main window: take the board's connection and read its greeting first.
    if (!consoleServer.hasPendingConnections() && !consoleServer.waitForNewConnection(10000))
        return nullptr;
    console.reset(consoleServer.nextPendingConnection());
    console->setParent(nullptr);
    QByteArray shown;
    while (!shown.endsWith('>') && console->waitForReadyRead(10000))
        shown += console->readAll();
    return std::make_unique<RomTransfer>(console.get());
}

QString TestRomBoardSim::romFile(uint32_t address) const
{
    return QDir(romDir).filePath(
        QStringLiteral("rom-%1.bin").arg(address, 6, 16, QLatin1Char('0')));
}

void TestRomBoardSim::romWriteArrivesByteForByte_data()
{
    QTest::addColumn<bool>("borrowed");
    QTest::addColumn<QStringList>("faults");
    QTest::newRow("own connection") << false << QStringList();
    QTest::newRow("console of a board that dialled in") << true << QStringList();
    QTest::newRow("junk line before a packet's prompt")
        << false << QStringList{"--fault", "noise-packet=3"};
}

void TestRomBoardSim::romWriteArrivesByteForByte()
{
    QFETCH(bool, borrowed);
    QFETCH(QStringList, faults);
    const QByteArray image = romImage(300 * 1024 + 17);
    const QString fileName = writeFile(QStringLiteral("image.bin"), image);
    auto transfer = startBoard(borrowed, faults);
    QVERIFY(transfer);
    QSignalSpy doneSpy(transfer.get(), &RomTransfer::done);
    QSignalSpy progressSpy(transfer.get(), &RomTransfer::progress);

    const uint32_t address = 0x5C5E5F; // BTN_START of GUI2
    QVERIFY(transfer->transferFile(address, fileName));
    // A real event loop: the polling of QTRY_ would add a pause to every packet.
    QVERIFY(doneSpy.wait(60000));
    QVERIFY2(doneSpy.at(0).at(0).toInt() == 1, qPrintable(transfer->failureReason()));
    QCOMPARE(progressSpy.size(), (image.size() + 239) / 240);
    QCOMPARE(progressSpy.last().at(0).toInt(), image.size() + 7 * progressSpy.size());
    QFile written(romFile(address));
    QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(written.fileName()));
    QVERIFY(written.readAll() == image);
    if (borrowed)
        QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
}

void TestRomBoardSim::droppedConnectionEndsInFailure_data()
{
    QTest::addColumn<bool>("borrowed");
    QTest::newRow("own connection dropped after a few packets") << false;
    QTest::newRow("console dropped after a few packets") << true;
}

void TestRomBoardSim::droppedConnectionEndsInFailure()
{
    QFETCH(bool, borrowed);
    const QString fileName = writeFile(QStringLiteral("drop.bin"), romImage(100 * 1024));
    auto transfer =
        startBoard(borrowed, {QStringLiteral("--fault"), QStringLiteral("drop-after=6")});
    QVERIFY(transfer);
    QSignalSpy doneSpy(transfer.get(), &RomTransfer::done);
    QVERIFY(transfer->transferFile(0x0C0000, fileName));
    QVERIFY(doneSpy.wait(30000));
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY2(transfer->failureReason().contains(QLatin1String("lost")),
             qPrintable(transfer->failureReason()));
    QVERIFY(!QFile::exists(romFile(0x0C0000)));
}

void TestRomBoardSim::firmwareDialogWritesTubeImage()
{
    const Device tube(2, QStringLiteral("00564f524e01"), QStringLiteral("127.0.0.1"),
                      QStringLiteral("71405"), QStringLiteral("190918"), QStringLiteral("T"));
    QDeviceMachine::instance()->setMainDevice(&tube);
    const QByteArray image = romImage(64 * 1024);
    writeFile(QStringLiteral("tube.bin"), image);
    QVERIFY(startSim({}));
    FakePrompter prompter;
    FWUpdateDialog dialog(nullptr, &prompter);
    dialog.showWithHost(QStringLiteral("127.0.0.1:%1").arg(simPort));
    dialog.findChild<QLineEdit *>(QStringLiteral("txtFilename"))->setText("tube.bin");
    dialog.findChild<QAbstractButton *>(QStringLiteral("btnStart"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(prompter.shown.size(), 1, 60000);
    QCOMPARE(prompter.shown.at(0), QStringLiteral("Status OK|New firmware uploaded OK"));
    QFile written(romFile(0x020000));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll() == image);
}

QTEST_MAIN(TestRomBoardSim)
#include "tst_romboardsim.moc"
