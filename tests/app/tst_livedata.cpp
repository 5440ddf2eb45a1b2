#include "plottab.h"
#include "telemetryrecord.h"
#include "windowprobe.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
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

void announce(const QString &mac, const QString &ip, const QString &name = "Tube")
{
    registry()->local_seenDevice(mac, ip, name, kTube, "71405", "190918");
}

QMenu *devicesMenu(const MainWindow &window)
{
    return window.menuBar()->actions().last()->menu(); // "Devices" is added last
}

QStringList entries(const MainWindow &window)
{
    QStringList texts;
    for (QAction *action : devicesMenu(window)->actions())
        texts << action->text();
    return texts;
}

QAction *entry(const MainWindow &window, const QString &label)
{
    for (QAction *action : devicesMenu(window)->actions()) {
        if (action->text() == label)
            return action;
    }
    qFatal("no entry %s", qPrintable(label));
}

// A telemetry record of a brew (macro 998).
TBTubeLogData runningRecord(const QString &ip)
{
    TBTubeLogData record(0x00564f52, 0x4e01, recordIp(ip), 4, 20.4f, 90.f, 91.f, 85.f, 120.f, 5.26f,
                         250.f, 5.5f, 48.f, 2150.5f, 998, 1, 0.f, 0.f, 120.f, 1950);
    record.eta = 125;
    return record;
}

} // namespace

// The live data of the main window: the "Devices" menu built from the registry and the
// connections made from it, the status panel fed by telemetry, and the two session logs.
class TestLiveData : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetWindowState();
        QFile::remove(QString::fromLatin1("udp.log"));
    }

    void menuFollowsTheRegistry()
    {
        const std::unique_ptr<MainWindow> window = windowAfterLookup({{kMac, "10.0.0.11"}});
        QVERIFY(window);
        QCOMPARE(entries(*window), QStringList{"Tube (10.0.0.11)"});
        // An announcement after the lookup changes its board's entry at once.
        announce(kMac, "10.0.0.21");
        QCOMPARE(entries(*window), QStringList{"Tube (10.0.0.21)"});
        // A rescan empties the registry at once: an entry of a board gone does nothing.
        QSignalSpy lookups(registry(), &QDeviceMachine::lookupDone);
        use(*window, "actionRescan_devicelist");
        entry(*window, "Tube (10.0.0.21)")->trigger();
        QCOMPARE(text(*window, "btnReconnect"), QStringLiteral("Reconnect (localhost:23)"));
        QVERIFY(!registry()->mainDevice());
        // The menu then lists only the boards that answered.
        announce(kOtherMac, "127.0.0.2", "Answered");
        QVERIFY(lookups.wait(3000));
        QCOMPARE(entries(*window), QStringList{"Answered (127.0.0.2)"});
        // Nothing listens on its port 23: the failed connect names the chosen board, which is
        // the main device now but not remembered for the next start.
        entry(*window, "Answered (127.0.0.2)")->trigger();
        QCOMPARE(text(*window, "btnReconnect"), "Reconnect (Host:Answered(127.0.0.2))");
        QCOMPARE(registry()->mainDevice()->mac, kOtherMac);
        QCOMPARE(SettingsStore::get("lastMac", "unset").toString(), QStringLiteral("unset"));
    }

    void thousandsOfBoardsCostOneEntryEach()
    {
        // Every announcement rebuilt the whole menu and freed the old entries only after the
        // burst: 3,000 boards froze the window for minutes and took gigabytes.
        const std::unique_ptr<MainWindow> window = windowAfterLookup({});
        QVERIFY(window);
        QMenu *menu = devicesMenu(*window);
        QElapsedTimer timer;
        timer.start();
        const int boards = QDeviceMachine::kMaxDevices + 1; // one more than the registry holds
        const auto mac = [](int i) { return QStringLiteral("0056%1").arg(i, 8, 16, QChar('0')); };
        for (int i = 0; i < boards; ++i)
            announce(mac(i), QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250 + 1));
        // The first board, quiet the longest, left the full registry and the menu.
        QVERIFY(!entries(*window).contains(QStringLiteral("Tube (10.0.0.1)")));
        QPointer<QAction> replaced = entry(*window, QStringLiteral("Tube (10.0.0.3)"));
        announce(mac(2), "10.9.9.9");
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(replaced.isNull()); // freed at once, not after the burst
        QCOMPARE(menu->actions().size(), boards - 1);
        QCOMPARE(menu->actions().last()->text(), QStringLiteral("Tube (10.9.9.9)"));
        QCOMPARE(menu->findChildren<QAction *>().size(), boards); // and the menu's own
    }

    void firstLookupReconnectsOnceOnly()
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
        announce(kMac, "127.0.0.1");
        QVERIFY(lookups.wait(3000));
        QVERIFY(board.waitForNewConnection(3000));
        QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
        QVERIFY(firstClosed.count() > 0 || firstClosed.wait(3000));
        QCOMPARE(text(window, "btnReconnect"), "Disconnect (Host:Tube(127.0.0.1))");
        // Neither a later lookup nor an announcement reconnects by itself.
        use(window, "actionRescan_devicelist");
        announce(kMac, "127.0.0.1");
        QVERIFY(lookups.wait(3000));
        announce(kMac, "127.0.0.1");
        QVERIFY(!board.waitForNewConnection(300));
    }

    void boardMissingFromFirstLookupIsNeverReconnected()
    {
        SettingsStore::set("lastMac", kMac);
        SettingsStore::set("lastType", kTube);
        const std::unique_ptr<MainWindow> window = windowAfterLookup({});
        QVERIFY(window);
        // Announced after the first lookup: listed, not connected (a try would name it).
        announce(kMac, "127.0.0.1");
        QCOMPARE(entries(*window), QStringList{"Tube (127.0.0.1)"});
        QCOMPARE(text(*window, "btnReconnect"), QStringLiteral("Reconnect (localhost:23)"));
    }

    void onlyTheShownBoardsRecordsFillThePanel()
    {
        SettingsStore::set("lastConnection", "10.0.0.50:23");
        MainWindow window(prompter);
        QSignalSpy progress(&window, &MainWindow::progress);
        child<QCheckBox>(window, "cheLoopCommand")->setChecked(true);
        emit registry()->logReceived(runningRecord("10.0.0.5"));
        QCOMPARE(text(window, "lblCurState"), QStringLiteral("0"));
        emit registry()->logReceived(runningRecord("10.0.0.50"));
        QCOMPARE(text(window, "lblCurState") + ' ' + text(window, "lblETA"), "RUNNING 02:05");
        QCOMPARE(progress.count(), 0); // without an open recipe runner nobody is told
        // An idle record leaves the run's values as they were; the loop needs a send-all run
        // while the box is checked, not the box alone.
        TBTubeLogData idle = telemetryRecord("10.0.0.50");
        idle.state = 2;
        emit registry()->logReceived(idle);
        QCOMPARE(text(window, "lblCurState") + ' ' + text(window, "lblCurrFlow"), "IDLE 5.3 ml/s");
        QVERIFY(!window.findChild<QTimer *>(QStringLiteral("waitLoopTimer")));
        QCOMPARE(window.findChild<PlotTab *>()->samples().size(), 2); // the plot takes the same
        use(window, "btnMAC");
        QCOMPARE(QGuiApplication::clipboard()->text(), kMac);
    }

    void acceptedBoardAnnouncesItselfAndDumpsItsConfig()
    {
        MainWindow window(prompter);
        QSignalSpy rows(&window, &MainWindow::gotRow);
        const std::unique_ptr<QTcpSocket> board = connectBoard(window);
        QVERIFY(board);
        emit registry()->logReceived(runningRecord("10.1.2.3")); // nothing is this board's yet
        QCOMPARE(text(window, "lblLogIP"), QStringLiteral("SERVER"));
        board->write("BOOT|1|HW:71405-2:|SW:2.13:|NAME:tube:|MAC:00564f524e01:|IP:0:\r\n");
        QVERIFY(rows.wait(3000));
        QCOMPARE(text(window, "btnMAC"), kMac);
        emit registry()->logReceived(runningRecord("10.1.2.3"));
        QCOMPARE(text(window, "lblLogIP"), QStringLiteral("10.1.2.3"));

        // The configuration dump is shown in the loaded-macro dialog, without its markers.
        use(window, "btn_tbConfig");
        QCOMPARE(readBytes(board.get(), 17), QByteArray("print_tb_config\r\n"));
        board->write("> TUBE CONFIG_START [MAC:00564f524e01]\r\nNAME:tube\r\nCONFIG_END\r\n");
        QTRY_VERIFY(window.findChild<QWidget *>(QStringLiteral("txtLoadedMacro")));
        const QString dump =
            window.findChild<QWidget *>("txtLoadedMacro")->property("plainText").toString();
        QVERIFY2(dump.startsWith("MAC:00564f524e01") && dump.contains("NAME:tube") &&
                     !dump.contains("CONFIG_"),
                 qPrintable(dump));
        // The record's address is the connection's from then on.
        board->close();
        QTRY_COMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (10.1.2.3)"));
    }

    void udpLogFollowsLogData()
    {
        MainWindow window(prompter);
        emit registry()->udpPacketRecived(QStringLiteral("not logged\r\n"));
        use(window, "actionLog_data");
        emit registry()->udpPacketRecived(QString::fromLatin1("\xa4:101:1:$\r\n"));
        emit registry()->udpPacketRecived(QStringLiteral("@:2:x:$"));
        use(window, "actionLog_data");
        emit registry()->udpPacketRecived(QStringLiteral("after\r\n"));
        QCOMPARE(fileBytes(QStringLiteral("udp.log")),
                 QByteArray("\xc2\xa4:101:1:$\r\n@:2:x:$\r\n"));
    }

    void historyEntryCarriesTheShownMac()
    {
        SettingsStore::set("lastConnection", "10.0.0.50:23");
        MainWindow window(prompter);
        QVERIFY(QDir().mkdir(QStringLiteral("log"))); // the default workspace's log folder
        window.writeHistory(QStringLiteral("led 1\n"));
        emit registry()->logReceived(runningRecord("10.0.0.50"));
        window.writeHistory(QString::fromLatin1("name M\xfcller"));
        const QByteArray bytes = fileBytes(QStringLiteral("log/history.log"));
        QVERIFY2(bytes.startsWith("[Logdate:") && bytes.contains("[MAC:]\t\t[]\t[./]\r\nled 1\n"),
                 bytes.constData());
        QVERIFY(bytes.endsWith("[MAC:00564f524e01]\t\t[00564f524e01]\t[./]\r\nname M\xfcller"));
    }

private:
    // A window whose first lookup the given boards (MAC, IP) answered; null when the lookup
    // did not end.
    std::unique_ptr<MainWindow> windowAfterLookup(const QList<QStringList> &boards)
    {
        QSignalSpy lookups(registry(), &QDeviceMachine::lookupDone);
        auto window = std::make_unique<MainWindow>(prompter);
        for (const QStringList &board : boards)
            announce(board.at(0), board.at(1));
        if (!entries(*window).isEmpty() || !lookups.wait(3000))
            return nullptr; // the menu is read from the registry when the lookup is done
        return window;
    }

    FakePrompter prompter;
};

QTEST_MAIN(TestLiveData)
#include "tst_livedata.moc"
