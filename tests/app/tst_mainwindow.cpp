#include "fwupdatedialog.h"
#include "keypresseater.h"
#include "plottab.h"
#include "telemetryrecord.h"
#include "windowprobe.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
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

// Opens a child window as the user does; the one dialog then open, or null.
QDialog *open(MainWindow &window, const QString &opener)
{
    use(window, opener);
    const auto dialogs = window.findChildren<QDialog *>();
    return dialogs.size() == 1 ? dialogs.first() : nullptr;
}

// A child window as the main window sees it: it reports its closing and takes rows.
class FakeChildWindow : public QObject
{
    Q_OBJECT
public:
    int rows = 0;
signals:
    void closing(int id);
public slots:
    void gotRow(QString) { ++rows; }
};

} // namespace

// What the main window does with its console and its live data: controls and texts that
// follow the connection, confirmations, child windows and the console lent to the firmware
// dialogs; the "Devices" menu and the connections made from it, the status panel fed by
// telemetry, and the two session logs.
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetWindowState();
        prompter = FakePrompter();
    }

    void controlsFollowTheConnection()
    {
        QTcpServer squatter; // the console server's port is taken: the window is a client only
        QVERIFY(squatter.listen(QHostAddress::Any, kServerPort));
        MainWindow window(prompter);
        const QString message = window.statusBar()->currentMessage();
        QVERIFY2(message.contains("7123") && message.contains("client only"), qPrintable(message));
        QSignalSpy closeChildren(&window, &MainWindow::close_clilds);
        const QStringList controls = {"btnSend", "txtHotkey1", "cboScriptfiles", "actionTB_Window",
                                      "btnSendStop"};
        // A failed connect names the last connection and stores nothing.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 closedPort = server.serverPort();
        server.close();
        QVERIFY(!window.connectToDevice(QStringLiteral("127.0.0.1"), closedPort, nullptr));
        QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (IP:localhost:23)"));
        QCOMPARE(SettingsStore::get("lastConnection", "unset").toString(), QStringLiteral("unset"));
        for (const QString &name : controls + QStringList{"pushButton_4"})
            QVERIFY2(!enabled(window, name), qPrintable(name));

        QTcpSocket *peer = connectClient(window, server); // listening again, on a free port
        QVERIFY(peer);
        for (const QString &name : controls + QStringList{"pushButton_4"})
            QVERIFY2(enabled(window, name), qPrintable(name));
        const QString connection = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
        QCOMPARE(text(window, "btnReconnect"), "Disconnect (IP:" + connection + ')');
        QCOMPARE(SettingsStore::get("lastConnection", QString()).toString(), connection);
        // The lines shown are the last four, newest first.
        peer->write("one\ntwo\nthree\nfour\nfive\n");
        QTRY_COMPARE(text(window, "lblRes1"), QStringLiteral("five"));
        QCOMPARE(text(window, "lblRes4"), QStringLiteral("two"));

        peer->close();
        QTRY_COMPARE(text(window, "btnReconnect"), "Reconnect (" + connection + ')');
        QCOMPARE(closeChildren.count(), 1);
        for (const QString &name : controls)
            QVERIFY2(!enabled(window, name), qPrintable(name));
    }

    void reconnectButtonAndHostField()
    {
        QTcpServer board;
        if (!board.listen(QHostAddress::LocalHost, 23))
            QSKIP("port 23 cannot be bound here");
        SettingsStore::set("lastConnection", "127.0.0.1"); // a bare IP, as the status panel stores
        MainWindow window(prompter);
        auto *reconnect = child<QPushButton>(window, "btnReconnect");
        reconnect->click();
        QVERIFY(board.waitForNewConnection(3000));
        QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
        QCOMPARE(reconnect->text(), QStringLiteral("Disconnect (IP:127.0.0.1:23)"));
        // The same button now disconnects; Return in the host field connects again.
        reconnect->click();
        QCOMPARE(reconnect->text(), QStringLiteral("Reconnect (127.0.0.1:23)"));
        auto *host = child<QLineEdit>(window, "lineEdit");
        host->setText(QStringLiteral("127.0.0.1"));
        QTest::keyClick(host, Qt::Key_Return);
        QVERIFY(board.waitForNewConnection(3000));
        QVERIFY(enabled(window, "btnSend"));
    }

    void confirmedCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("asked"); // asked first, No by default; else sent at once
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("boot macro")
            << "btnRunBootMacro" << true << QByteArray("run_boot_macro\r\n");
        QTest::newRow("restart") << "btnRestart" << true << QByteArray("restart\r\n");
        QTest::newRow("M2M reset") << "resetMQTT" << true << QByteArray("mqtt_rest\r\n");
        QTest::newRow("Stop unchecks the loop") << "btnStop2" << false << QByteArray("stop\r\n");
    }
    void confirmedCommands()
    {
        QFETCH(QString, button);
        QFETCH(bool, asked);
        QFETCH(QByteArray, wire);
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        auto *loop = child<QCheckBox>(c.window, "cheLoopCommand");
        loop->setChecked(true);
        // Answered No nothing is sent; a marker after each click shows what was sent.
        const QList<QMessageBox::StandardButton> answers = {QMessageBox::No, QMessageBox::Yes};
        for (const QMessageBox::StandardButton answer : answers.mid(asked ? 0 : 1)) {
            prompter.answer(answer);
            use(c.window, button);
            c.window.sendData(QStringLiteral("end"));
            const QByteArray sent = answer == QMessageBox::Yes ? wire : QByteArray();
            QCOMPARE(readBytes(c.peer, sent.size() + 5), sent + "end\r\n");
        }
        QCOMPARE(prompter.asked.size(), asked ? 2 : 0);
        for (const FakePrompter::Asked &item : prompter.asked) {
            QVERIFY(item.detail.startsWith(QLatin1String("PLEASE CONFIRM: Do you want")));
            QCOMPARE(item.defaultButton, QMessageBox::No);
        }
        QCOMPARE(loop->isChecked(), asked);
    }

    void productionModeTitle()
    {
        const QString normal = QStringLiteral("VORNE -- Vozoru Rarevorad [Ver: 190918.01]");
        SettingsStore::set("prod_mode", "1");
        MainWindow window(prompter);
        QCOMPARE(window.windowTitle(), normal + QStringLiteral(" -- PROD-MODE --"));
        auto *mode = child<QAction>(window, "actionProduction_mode");
        QVERIFY(mode->isChecked());
        mode->setChecked(false);
        QCOMPARE(window.windowTitle(), normal);
        QCOMPARE(SettingsStore::get("prod_mode", QString()).toString(), QStringLiteral("0"));
    }

    void firmwareDialogsNeedAnOpenConsole()
    {
        MainWindow window(prompter);
        // The form slot itself, not the disabled control: it checks the console on its own.
        QVERIFY(QMetaObject::invokeMethod(&window, "on_actionUpdate_firmware_triggered"));
        QVERIFY(QMetaObject::invokeMethod(&window, "on_actionRom_updater_triggered"));
        QVERIFY(window.findChildren<QDialog *>().isEmpty());

        QTcpServer server;
        QTcpSocket *peer = connectClient(window, server);
        QVERIFY(peer);
        QPointer<QDialog> first = open(window, QStringLiteral("actionRom_updater"));
        QVERIFY(first && first->isModal());
        // A second opening replaces the dialog; one with its own connection leaves the
        // console to the window.
        QVERIFY(QMetaObject::invokeMethod(&window, "on_actionRom_updater_triggered"));
        QTRY_VERIFY(first.isNull());
        QSignalSpy rows(&window, &MainWindow::gotRow);
        peer->write("still mine\n");
        QVERIFY(rows.wait(3000));
    }

    void borrowedConsoleIsReadAgainAfterClosing_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("closer"); // a button of the dialog, or empty for Escape
        QTest::newRow("firmware dialog closed with Close")
            << QString("actionUpdate_firmware") << QString("cmdCancel");
        QTest::newRow("ROM manager closed with Escape") << QString("pushButton_4") << QString();
    }
    void borrowedConsoleIsReadAgainAfterClosing()
    {
        QFETCH(QString, opener);
        QFETCH(QString, closer);
        MainWindow window(prompter);
        QSignalSpy rows(&window, &MainWindow::gotRow);
        std::unique_ptr<QTcpSocket> board = connectBoard(window);
        QVERIFY(board);
        QPointer<QDialog> dialog = open(window, opener);
        QVERIFY(dialog && dialog->isModal());
        if (auto *firmware = qobject_cast<FWUpdateDialog *>(dialog))
            QCOMPARE(child<QLineEdit>(*firmware, "txtConnection")->text(), QString("REMOTE"));

        // Lent: what the board says now waits in the socket for the dialog.
        board->write("while lent\n");
        QTRY_COMPARE(window.findChild<QTcpSocket *>()->bytesAvailable(), qint64(11));
        QVERIFY(rows.isEmpty());
        if (closer.isEmpty())
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            use(*dialog, closer);
        QTRY_VERIFY(dialog.isNull());
        // Given back: the waiting line is read at once, and every line after it, once.
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("while lent"));
        board->write("after\n");
        QVERIFY(rows.wait(3000));
        QVERIFY(!rows.wait(200));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1).at(0).toString(), QStringLiteral("after"));
    }

    void closingChildIsReleased()
    {
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        FakeChildWindow runner;
        connect(&runner, &FakeChildWindow::closing, &c.window, &MainWindow::frmClosing);
        connect(&c.window, &MainWindow::gotRow, &runner, &FakeChildWindow::gotRow);
        c.peer->write("before\n");
        QTRY_COMPARE(runner.rows, 1);
        emit runner.closing(int(ChildWindowId::RecipeRunner));
        c.peer->write("after\n");
        QTRY_COMPARE(c.rows.size(), 2);
        QCOMPARE(runner.rows, 1);
    }

    void keyFilterReportsAndPassesKeys()
    {
        QTextEdit editor;
        KeyPressEater filter;
        editor.installEventFilter(&filter);
        QSignalSpy keys(&filter, &KeyPressEater::action);
        QTest::keyClick(&editor, Qt::Key_A);
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(keys.count(), 2);
        QCOMPARE(editor.toPlainText(), QStringLiteral("a\n")); // not consumed
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
        emit registry()->logReceived(runningRecord("10.0.0.5"));
        QCOMPARE(text(window, "lblCurState"), QStringLiteral("0"));
        emit registry()->logReceived(runningRecord("10.0.0.50"));
        QCOMPARE(text(window, "lblCurState") + ' ' + text(window, "lblETA"), "RUNNING 02:05");
        QCOMPARE(progress.count(), 0); // without an open recipe runner nobody is told
        // An idle record leaves the run's values as they were.
        TBTubeLogData idle = telemetryRecord("10.0.0.50");
        idle.state = 2;
        emit registry()->logReceived(idle);
        QCOMPARE(text(window, "lblCurState") + ' ' + text(window, "lblCurrFlow"), "IDLE 5.3 ml/s");
        QCOMPARE(window.findChild<PlotTab *>()->samples().size(), 2); // the plot takes the same
        use(window, "btnMAC");
        QCOMPARE(QGuiApplication::clipboard()->text(), kMac);
    }

    void acceptedBoardReplacesTheClientAndAnnouncesItself()
    {
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        MainWindow &window = c.window;
        QSignalSpy closeChildren(&window, &MainWindow::close_clilds);
        const std::unique_ptr<QTcpSocket> board = connectBoard(window);
        QVERIFY(board);
        QTRY_COMPARE(c.peer->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(closeChildren.count(), 1); // the client's full teardown ran first
        QVERIFY(!enabled(window, "actionTB_Admin") && enabled(window, "txtHotkey5"));
        emit registry()->logReceived(runningRecord("10.1.2.3")); // nothing is this board's yet
        QCOMPARE(text(window, "lblLogIP"), QStringLiteral("SERVER"));
        board->write("BOOT|1|HW:71405-2:|SW:2.13:|NAME:tube:|MAC:00564f524e01:|IP:0:\r\n");
        QVERIFY(c.rows.wait(3000));
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

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
