#include "boardsimprocess.h"
#include "telemetryrecord.h"
#include "windowprobe.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

namespace {

const QString kMac = QStringLiteral("00564f524e01");
const QString kOtherMac = QStringLiteral("00564f524e02");
constexpr int kTube = 2;

QDeviceMachine *registry()
{
    return QDeviceMachine::instance();
}

void announce(const QString &mac, const QString &ip, const QString &name)
{
    registry()->local_seenDevice(mac, ip, name, kTube, QStringLiteral("71405"),
                                 QStringLiteral("190918"));
}

QMenu *devicesMenu(const MainWindow &window)
{
    for (QAction *action : window.menuBar()->actions()) {
        if (action->text() == QLatin1String("Devices"))
            return action->menu();
    }
    qFatal("no Devices menu");
}

QList<QAction *> menuActions(const MainWindow &window)
{
    return devicesMenu(window)->actions();
}

QStringList entries(const MainWindow &window)
{
    QStringList texts;
    for (QAction *action : menuActions(window))
        texts << action->text();
    return texts;
}

QAction *entry(const MainWindow &window, const QString &label)
{
    for (QAction *action : menuActions(window)) {
        if (action->text() == label)
            return action;
    }
    qFatal("no entry %s", qPrintable(label));
}

// A telemetry record of a brew (macro 998) as the panel tests send it.
TBTubeLogData runningRecord(const QString &ip)
{
    TBTubeLogData record(0x00564f52, 0x4e01, recordIp(ip), 4, 20.4f, 90.f, 91.f, 85.f, 120.f, 5.26f,
                         250.f, 5.5f, 48.f, 2150.5f, 998, 1, 0.f, 0.f, 120.f, 1950);
    record.eta = 125;
    record.hwId = QStringLiteral("71405");
    record.logId = 17;
    return record;
}

} // namespace

// The live data of the main window: the "Devices" menu built from the registry, the
// status panel fed by telemetry and object reports, and the two session logs. The last
// tests run the simulated board.
class TestLiveData : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void menuFollowsLookupsAndAnnouncements();
    void thousandsOfBoardsCostOneEntryEach();
    void entryConnectsToItsBoardOnPort23();
    void entryOfABoardGoneMeanwhileDoesNothing();
    void firstLookupReconnectsOnceOnly();
    void boardMissingFromFirstLookupIsNeverReconnected();

    void onlyTheConnectedBoardsRecordsShownItsMacCopied();
    void idleRecordKeepsTheRunLabelsAndStartsNoLoop();
    void acceptedConnectionMatchesByMac();

    void udpLogFollowsLogData();
    void historyEntryCarriesTheShownMac();

    void simulatedBoardChosenFromTheMenuFillsThePanel();

private:
    // A window whose first lookup the given boards (MAC, IP, name) answered; null when the
    // lookup did not end.
    std::unique_ptr<MainWindow> windowAfterLookup(const QList<QStringList> &boards);

    FakePrompter prompter;
};

void TestLiveData::init()
{
    resetWindowState();
    QFile::remove(QString::fromLatin1("udp.log"));
}

std::unique_ptr<MainWindow> TestLiveData::windowAfterLookup(const QList<QStringList> &boards)
{
    QSignalSpy lookups(registry(), &QDeviceMachine::lookupDone);
    auto window = std::make_unique<MainWindow>(prompter);
    for (const QStringList &board : boards)
        announce(board.at(0), board.at(1), board.at(2));
    if (!entries(*window).isEmpty() || !lookups.wait(3000))
        return nullptr; // the menu is read from the registry when the lookup is done
    return window;
}

void TestLiveData::menuFollowsLookupsAndAnnouncements()
{
    const std::unique_ptr<MainWindow> window = windowAfterLookup({});
    QVERIFY(window);
    QVERIFY(entries(*window).isEmpty());

    // Two boards of the same name, told apart by their address.
    QSignalSpy lookups(registry(), &QDeviceMachine::lookupDone);
    child<QAction>(*window, "actionRescan_devicelist")->trigger();
    announce(kOtherMac, "10.0.0.12", "Tube");
    announce(kMac, "10.0.0.11", "Tube");
    QVERIFY(lookups.wait(3000));
    QCOMPARE(entries(*window), (QStringList{"Tube (10.0.0.11)", "Tube (10.0.0.12)"}));

    // An announcement after the lookup updates the menu at once.
    announce(kMac, "10.0.0.21", "Tube");
    QCOMPARE(entries(*window), (QStringList{"Tube (10.0.0.12)", "Tube (10.0.0.21)"}));

    // A rescan lists only the boards that answer it.
    child<QAction>(*window, "actionRescan_devicelist")->trigger();
    announce(kMac, "10.0.0.21", "Answered");
    QVERIFY(lookups.wait(3000));
    QCOMPARE(entries(*window), QStringList{"Answered (10.0.0.21)"});
}

void TestLiveData::thousandsOfBoardsCostOneEntryEach()
{
    // Every announcement rebuilt the whole menu and freed the old entries only after the
    // burst: 3,000 boards froze the window for minutes and took gigabytes.
    const std::unique_ptr<MainWindow> window = windowAfterLookup({});
    QVERIFY(window);
    QMenu *menu = devicesMenu(*window);
    QElapsedTimer timer;
    timer.start();
    const int boards = QDeviceMachine::kMaxDevices + 1; // one more than the registry holds
    for (int i = 0; i < boards; ++i)
        announce(QStringLiteral("0056%1").arg(i, 8, 16, QLatin1Char('0')),
                 QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250 + 1), "Tube");
    // The first board, quiet the longest, left the full registry and the menu.
    QVERIFY(!entries(*window).contains(QStringLiteral("Tube (10.0.0.1)")));
    QPointer<QAction> replaced = entry(*window, QStringLiteral("Tube (10.0.0.3)"));
    announce(QStringLiteral("0056%1").arg(2, 8, 16, QLatin1Char('0')), "10.9.9.9", "Tube");
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(replaced.isNull()); // freed at once, not after the burst
    QCOMPARE(menu->actions().size(), boards - 1);
    QCOMPARE(menu->actions().last()->text(), QStringLiteral("Tube (10.9.9.9)"));
    QCOMPARE(menu->findChildren<QAction *>().size(), boards); // and the menu's own
}

void TestLiveData::entryConnectsToItsBoardOnPort23()
{
    const std::unique_ptr<MainWindow> window =
        windowAfterLookup({{kOtherMac, "10.0.0.12", "Other"}, {kMac, "127.0.0.1", "Tube"}});
    QVERIFY(window);
    // Nothing listens on port 23 yet: the failed connect names the chosen board, which is
    // the main device now but not remembered.
    entry(*window, "Tube (127.0.0.1)")->trigger();
    QCOMPARE(text(*window, "btnReconnect"), QStringLiteral("Reconnect (Host:Tube(127.0.0.1))"));
    QCOMPARE(registry()->mainDevice()->mac, kMac);
    QCOMPARE(SettingsStore::get("lastMac", "unset").toString(), QStringLiteral("unset"));

    QTcpServer board;
    if (!board.listen(QHostAddress::LocalHost, 23))
        QSKIP("port 23 cannot be bound here");
    entry(*window, "Tube (127.0.0.1)")->trigger();
    QVERIFY(board.waitForNewConnection(3000));
    QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
    QCOMPARE(text(*window, "btnReconnect"), QStringLiteral("Disconnect (Host:Tube(127.0.0.1))"));
    QCOMPARE(text(*window, "btnMAC"), kMac);
    QCOMPARE(SettingsStore::get("lastMac", QString()).toString(), kMac);
    QCOMPARE(SettingsStore::get("lastType", 0).toInt(), kTube);
}

void TestLiveData::entryOfABoardGoneMeanwhileDoesNothing()
{
    const std::unique_ptr<MainWindow> window = windowAfterLookup({{kMac, "127.0.0.1", "Tube"}});
    QVERIFY(window);
    // A rescan empties the registry at once; the menu follows when the lookup is done.
    child<QAction>(*window, "actionRescan_devicelist")->trigger();
    entry(*window, "Tube (127.0.0.1)")->trigger();
    QCOMPARE(text(*window, "btnReconnect"), QStringLiteral("Reconnect (localhost:23)"));
    QVERIFY(!registry()->mainDevice());
}

void TestLiveData::firstLookupReconnectsOnceOnly()
{
    QTcpServer board;
    if (!board.listen(QHostAddress::LocalHost, 23))
        QSKIP("port 23 cannot be bound here");
    SettingsStore::set("lastMac", kMac);
    SettingsStore::set("lastType", kTube);
    QSignalSpy lookups(registry(), &QDeviceMachine::lookupDone);
    MainWindow window(prompter);

    // The connection the command line opened is replaced.
    QTcpServer commandLine;
    QTcpSocket *first = connectClient(window, commandLine);
    QVERIFY(first);
    QSignalSpy firstClosed(first, &QTcpSocket::disconnected);

    announce(kOtherMac, "127.0.0.1", "Other");
    announce(kMac, "127.0.0.1", "Tube");
    QVERIFY(lookups.wait(3000));
    QVERIFY(board.waitForNewConnection(3000));
    QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
    QVERIFY(firstClosed.count() > 0 || firstClosed.wait(3000));
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Disconnect (Host:Tube(127.0.0.1))"));

    // Neither a later lookup nor an announcement reconnects by itself.
    child<QAction>(window, "actionRescan_devicelist")->trigger();
    announce(kMac, "127.0.0.1", "Tube");
    QVERIFY(lookups.wait(3000));
    announce(kMac, "127.0.0.1", "Tube");
    QCOMPARE(entries(window), QStringList{"Tube (127.0.0.1)"});
    QVERIFY(!board.waitForNewConnection(300));
}

void TestLiveData::boardMissingFromFirstLookupIsNeverReconnected()
{
    SettingsStore::set("lastMac", kMac);
    SettingsStore::set("lastType", kTube);
    const std::unique_ptr<MainWindow> window = windowAfterLookup({});
    QVERIFY(window);
    // Announced after the first lookup: listed, not connected (a try would name it here).
    announce(kMac, "127.0.0.1", "Tube");
    QCOMPARE(entries(*window), QStringList{"Tube (127.0.0.1)"});
    QCOMPARE(text(*window, "btnReconnect"), QStringLiteral("Reconnect (localhost:23)"));
    QVERIFY(!registry()->mainDevice());
}

void TestLiveData::onlyTheConnectedBoardsRecordsShownItsMacCopied()
{
    SettingsStore::set("lastConnection", "10.0.0.50:23");
    MainWindow window(prompter);
    QSignalSpy progress(&window, &MainWindow::progress);
    // x.x.x.5 is a text prefix of x.x.x.50 but another board.
    emit registry()->logReceived(runningRecord("10.0.0.5"));
    QCOMPARE(text(window, "lblCurState"), QStringLiteral("0"));

    emit registry()->logReceived(runningRecord("10.0.0.50"));
    QStringList shown;
    for (const char *name : {"lblCurState", "lblCurrFlow", "lblETA", "lblLogID", "btnMAC"})
        shown << text(window, name);
    QCOMPARE(shown, (QStringList{"RUNNING", "5.3 ml/s", "02:05", "17", kMac}));
    // Without an open recipe runner nobody is told the progress.
    QCOMPARE(progress.count(), 0);

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    child<QPushButton>(window, "btnMAC")->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), kMac);
}

void TestLiveData::idleRecordKeepsTheRunLabelsAndStartsNoLoop()
{
    SettingsStore::set("lastConnection", "10.0.0.50:23");
    MainWindow window(prompter);
    child<QCheckBox>(window, "cheLoopCommand")->setChecked(true);
    emit registry()->logReceived(runningRecord("10.0.0.50"));
    TBTubeLogData idle = telemetryRecord("10.0.0.50");
    idle.state = 2;
    idle.eta = 300;
    emit registry()->logReceived(idle);
    QStringList shown;
    for (const char *name : {"lblCurState", "lblCurrFlow", "lblCurrTargetFlow", "lblCurrPower",
                             "lblCurrVol", "lblTargVol", "lblPercent", "lblCurrTempIn", "lblETA"})
        shown << text(window, name);
    QCOMPARE(shown, (QStringList{"IDLE", "5.3 ml/s", "5.5 ml/s", "2150.5 w", "120.0", "250.0",
                                 "48.0", "0.0 deg", "00:00"}));
    // The loop needs a send-all run while the box is checked, not the box alone.
    QVERIFY(!window.findChild<QTimer *>(QStringLiteral("waitLoopTimer")));
}

void TestLiveData::acceptedConnectionMatchesByMac()
{
    MainWindow window(prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    const std::unique_ptr<QTcpSocket> board = connectBoard(window);
    QVERIFY(board);

    // No main device yet: nothing is this board's.
    emit registry()->logReceived(runningRecord("10.1.2.3"));
    QCOMPARE(text(window, "lblLogIP"), QStringLiteral("SERVER"));

    board->write("BOOT|1|HW:71405-2:|SW:2.13:|NAME:tube:|MAC:00564f524e01:|IP:0:\r\n");
    QVERIFY(rows.wait(3000));
    emit registry()->logReceived(telemetryRecord("10.1.2.4", kOtherMac));
    QCOMPARE(text(window, "lblLogIP"), QStringLiteral("SERVER"));
    emit registry()->logReceived(runningRecord("10.1.2.3"));
    QCOMPARE(text(window, "lblLogIP"), QStringLiteral("10.1.2.3"));

    // Its address now decides, for any MAC.
    TBTubeLogData sameAddress = telemetryRecord("10.1.2.3", kOtherMac);
    sameAddress.logId = 99;
    emit registry()->logReceived(sameAddress);
    QCOMPARE(text(window, "lblLogID"), QStringLiteral("99"));

    board->close();
    QTRY_COMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (10.1.2.3)"));
}

void TestLiveData::udpLogFollowsLogData()
{
    MainWindow window(prompter);
    auto *logData = child<QAction>(window, "actionLog_data");
    QVERIFY(logData->isCheckable());
    QVERIFY(!logData->isChecked());

    emit registry()->udpPacketRecived(QStringLiteral("not logged\r\n"));
    QVERIFY(!QFile::exists(QStringLiteral("udp.log")));

    logData->trigger();
    emit registry()->udpPacketRecived(QString::fromLatin1("\xa4:101:1:$\r\n"));
    emit registry()->udpPacketRecived(QStringLiteral("@:2:x:$"));
    logData->trigger();
    emit registry()->udpPacketRecived(QStringLiteral("after\r\n"));
    QCOMPARE(fileBytes(QStringLiteral("udp.log")), QByteArray("\xc2\xa4:101:1:$\r\n@:2:x:$\r\n"));
}

void TestLiveData::historyEntryCarriesTheShownMac()
{
    SettingsStore::set("lastConnection", "10.0.0.50:23");
    MainWindow window(prompter);
    // The default workspace keeps its log folder below the current directory; without the
    // folder the record is lost silently.
    window.writeHistory(QStringLiteral("lost"));
    QVERIFY(QDir().mkdir(QStringLiteral("log")));

    window.writeHistory(QStringLiteral("led 1\n"));
    emit registry()->logReceived(runningRecord("10.0.0.50"));
    window.writeHistory(QString::fromLatin1("name M\xfcller"));

    const QString date = QStringLiteral("\\[Logdate:\\d{4}:\\d\\d:\\d\\d \\d\\d:\\d\\d:\\d\\d\\]");
    const QRegularExpression expected(
        QStringLiteral(
            "^%1\\[MAC:\\]\t\t\\[\\]\t\\[\\./\\]\r\nled 1\n"
            "%1\\[MAC:00564f524e01\\]\t\t\\[00564f524e01\\]\t\\[\\./\\]\r\nname M\u00fcller$")
            .arg(date));
    const QByteArray bytes = fileBytes(QStringLiteral("log/history.log"));
    QVERIFY(bytes.endsWith("name M\xfcller")); // ISO 8859-1
    QVERIFY2(expected.match(QString::fromLatin1(bytes)).hasMatch(), bytes.constData());
}

void TestLiveData::simulatedBoardChosenFromTheMenuFillsThePanel()
{
    BoardSimProcess sim;
    if (!sim.start({"--listen", "127.0.0.1:23", "--announce-ms", "300", "--telemetry-ms", "200",
                    "--program-seconds", "30"}))
        QSKIP("the simulator cannot listen on port 23 here");

    // Chosen from the menu the board is the main device, whose object reports are shown.
    QSignalSpy lookups(registry(), &QDeviceMachine::lookupDone);
    MainWindow window(prompter);
    QVERIFY(lookups.wait(3000));
    QTRY_VERIFY_WITH_TIMEOUT(entries(window).contains(QStringLiteral("SimTube (127.0.0.1)")), 5000);
    entry(window, "SimTube (127.0.0.1)")->trigger();
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Disconnect (Host:SimTube(127.0.0.1))"));
    child<QAction>(window, "actionLog_data")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(text(window, "lblCurState"), QStringLiteral("IDLE"), 5000);
    QCOMPARE(text(window, "lblLogIP"), QStringLiteral("127.0.0.1"));
    QCOMPARE(text(window, "btnMAC"), kMac);
    QCOMPARE(text(window, "lblHWID"), QStringLiteral("71405"));
    QCOMPARE(text(window, "lblSWID"), QStringLiteral("190918"));
    QVERIFY(text(window, "lblCurrTempIn").endsWith(QLatin1String(" deg")));
    QTRY_VERIFY_WITH_TIMEOUT(
        text(window, "lblTargetTemp").contains(QRegularExpression("^\\d{3}\\.0$")), 5000);

    // A program run shows in the panel as it goes.
    window.sendData(QStringLiteral("/em 1"));
    QTRY_COMPARE_WITH_TIMEOUT(text(window, "lblCurState"), QStringLiteral("RUNNING"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(text(window, "lblCurrFlow").endsWith(QLatin1String(" ml/s")), 5000);
    QCOMPARE(text(window, "lbllogMacro"), QStringLiteral("1"));
    QTRY_VERIFY_WITH_TIMEOUT(text(window, "lblO11") != QLatin1String("O11:0"), 5000);

    const QByteArray log = fileBytes(QStringLiteral("udp.log"));
    QVERIFY2(log.contains(QByteArray("\xc2\xa4:101:86:79:82:19969:1:0:0:127:")), log.constData());
    QVERIFY(log.endsWith("\r\n") && !log.contains("\r\n\r\n"));
}

QTEST_MAIN(TestLiveData)
#include "tst_livedata.moc"
