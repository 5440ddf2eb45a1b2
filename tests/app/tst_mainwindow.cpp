#include "keypresseater.h"
#include "mainwindow.h"
#include "qdevicemachine.h"
#include "settingsstore.h"
#include "windowprobe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextEdit>
#include <QtTest>
#include <memory>

namespace {

constexpr quint16 kServerPort = 7123;
const QByteArray kDebugLevel("debug_level 128\r\n");

bool waitForRows(QSignalSpy &spy, int count)
{
    while (spy.count() < count) {
        if (!spy.wait(3000))
            return false;
    }
    return true;
}

bool enabled(const MainWindow &window, const QString &name)
{
    if (auto *action = window.findChild<QAction *>(name))
        return action->isEnabled();
    return child<QWidget>(window, name)->isEnabled();
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

// The main window's console: connecting, sending and receiving against real loopback peers.
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void formHoldsEveryNamedObject_data();
    void formHoldsEveryNamedObject();
    void startState();

    void wireBytes_data();
    void wireBytes();
    void receivedLinesAreCutAndShown();
    void overLongLineIsCut();
    void configDumpLinesAreRows();
    void announcementMakesMainDevice();
    void shortAnnouncementIsIgnored();
    void pacedScript();
    void hotkeyRunsItsCommands();

    void controlsFollowTheConnection();
    void failedConnectShowsLastConnection();
    void acceptedConnectionReplacesClient();
    void reconnectWithoutColonUsesPort23();
    void returnInHostFieldConnectsToPort23();
    void serverPortTakenLeavesClientWorking();

    void quickCommands_data();
    void quickCommands();
    void confirmedCommands_data();
    void confirmedCommands();

    void productionModeTitle();
    void closingChildIsReleased();
    void firmwareDialogClosingReattachesReader();
    void keyFilterReportsAndPassesKeys();

private:
    // Connects the window to a fresh peer and returns the peer's socket after the
    // greeting the window sends on every connection.
    QTcpSocket *connectPeer(MainWindow &window);

    std::unique_ptr<QTcpServer> peerServer;
    FakePrompter prompter;
};

void TestMainWindow::init()
{
    QSettings(QString::fromLatin1(SettingsStore::kOrganization),
              QString::fromLatin1(SettingsStore::kApplication))
        .clear();
    QDeviceMachine::instance()->setMainDevice(nullptr);
    prompter = FakePrompter();
    peerServer = std::make_unique<QTcpServer>();
}

QTcpSocket *TestMainWindow::connectPeer(MainWindow &window)
{
    if (!peerServer->isListening() && !peerServer->listen(QHostAddress::LocalHost))
        qFatal("peer cannot listen");
    if (!window.connectToDevice(QStringLiteral("127.0.0.1"), peerServer->serverPort(), nullptr))
        return nullptr;
    if (!peerServer->waitForNewConnection(3000))
        return nullptr;
    QTcpSocket *socket = peerServer->nextPendingConnection();
    if (readBytes(socket, kDebugLevel.size()) != kDebugLevel)
        return nullptr;
    return socket;
}

void TestMainWindow::formHoldsEveryNamedObject_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const QList<QPair<QString, QString>> objects = {
        {"btnSendSelected", "Send selection (ALT-Enter)"},
        {"btnSend", "Send all (Shift-Enter)"},
        {"cheLoopCommand", "Loop command"},
        {"btnHomeDirectory", "Home directory"},
        {"lblSubProj", "Sub proj"},
        {"cmAddMCRFile", "Add Macro file"},
        {"cmdCreateSCRFile", "Add scr file"},
        {"btnDeleteFile", "Delete File"},
        {"lblGit", "GIT comment"},
        {"cmdGitCommit", "GIT Local Commit"},
        {"lblShortCommand", "Hotkey"},
        {"cheAutoSwitch", "Autoswitch to Logdata"},
        {"btnMAC", "0x0011223344555"},
        {"btnStop2", "Stop"},
        {"btnDoBeep2", "Do Beep"},
        {"btnCanListDev", "Can list Devices"},
        {"resetMQTT", "Reset M2M settings to default"},
        {"btnRestart", "Restart"},
        {"btnRunBootMacro", "Run Bootmacro"},
        {"btnReicipeMaker", "Recipe runner"},
        {"pushButton_4", "FW Loader"},
        {"btn_tbConfig", "Get TB Config"},
        {"btnDoBeep", "Do Beep"},
        {"btnSendStop", "Stop"},
        {"lblETA", "00:00"},
        {"lblLogIP", "255.255.255.255"},
        {"lblCurState", "0"},
        {"lblTargetTemp", "0"},
        {"lblO11", "O11:0"},
        {"lblO18", "O18:0"},
        {"btnHotKey1", "Hotkey 1"},
        {"btnHotKey12", "Hotkey 12"},
        {"btnHotKey13", "Hotkey 13 (F5) "},
        {"actionUpdate_firmware", "Update firmware"},
        {"actionRescan_devicelist", "Rescan devicelist"},
        {"actionProduction_mode", "Production mode"},
        {"actionRecipe_runner", "Recipe runner"},
        {"actionRom_updater", "Rom updater"},
        {"actionTB_Admin", "TB Admin "},
        {"actionLog_data", "Log data"},
        {"actionPull_latest_from_server", "Pull latest from server"},
        {"actionPull_latest_local", "Pull latest local"},
        {"actionPush_to_server", "Push to server"},
        {"actionMacro_Editor", "Macro Editor"},
        {"actionControl_Center", "Control Center"},
        {"actionTB_Window", "TB_Window"},
        {"actionThermos_GUI", "Thermos GUI"},
        {"actionNTC_Curve_1", "NTC Curve 1"},
        {"actionNTC_Curve_5", "NTC Curve 5"},
        {"menuVORNE_Korvo_Commander", "Task"},
        {"menuTB", "Admin"},
        {"menuGit", "Git"},
    };
    for (const auto &object : objects)
        QTest::newRow(qPrintable(object.first)) << object.first << object.second;
}

void TestMainWindow::formHoldsEveryNamedObject()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    MainWindow window(&prompter);
    QObject *object = window.findChild<QObject *>(name);
    QVERIFY2(object, qPrintable(name));
    const char *property = object->inherits("QMenu") ? "title" : "text";
    QCOMPARE(object->property(property).toString(), caption);
}

void TestMainWindow::startState()
{
    MainWindow window(&prompter);
    QCOMPARE(window.windowTitle(), QStringLiteral("VORNE -- Vozoru Rarevorad [Ver: 190918.01]"));
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (localhost:23)"));
    auto *loopTime = child<QComboBox>(window, "cboLoopTime");
    QCOMPARE(loopTime->count(), 8);
    QCOMPARE(loopTime->currentText(), QStringLiteral("15 sec"));
    QCOMPARE(loopTime->currentData().toInt(), 15);
    QCOMPARE(loopTime->itemData(7).toInt(), 7200);
    QCOMPARE(child<QTabWidget>(window, "tabWidget")->currentIndex(), 0);
    QVERIFY(!child<QAction>(window, "actionTB_Admin")->isVisible());
    QVERIFY(!enabled(window, "btnSend"));
    QVERIFY(!enabled(window, "txtHotkey7"));
    QVERIFY(!enabled(window, "actionTB_Window"));
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    const QStringList menus = [&] {
        QStringList titles;
        for (QAction *action : window.menuBar()->actions())
            titles << action->text();
        return titles;
    }();
    QCOMPARE(menus, (QStringList{"Task", "Admin", "Git", "Devices"}));
}

void TestMainWindow::wireBytes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("stop") << "stop" << QByteArray("stop\r\n");
    QTest::newRow("stop with its own CR LF gives the same six bytes") << "stop\r\n"
                                                                      << QByteArray("stop\r\n");
    QTest::newRow("CR and LF inside a command removed") << "led\r\n 1" << QByteArray("led 1\r\n");
    QTest::newRow("Latin-1 on the wire")
        << QString::fromUtf8("name M\u00fcller") << QByteArray("name M\xfcller\r\n");
}

void TestMainWindow::wireBytes()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, wire);
    MainWindow window(&prompter);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    window.sendData(command);
    window.sendData(QStringLiteral("end"));
    QCOMPARE(readBytes(peer, wire.size() + 5), wire + "end\r\n");
}

void TestMainWindow::receivedLinesAreCutAndShown()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);

    peer->write("one\r\ntwo\nthr");
    QVERIFY(waitForRows(rows, 2));
    QCOMPARE(rows.count(), 2);
    peer->write(QByteArray("ee\na\0b\r\n", 8));
    QVERIFY(waitForRows(rows, 4));

    QStringList got;
    for (const QList<QVariant> &row : rows)
        got << row.at(0).toString();
    QCOMPARE(got, (QStringList{"one", "two", "three", "a b"}));
    QCOMPARE(text(window, "lblRes1"), QStringLiteral("a b"));
    QCOMPARE(text(window, "lblRes2"), QStringLiteral("three"));
    QCOMPARE(text(window, "lblRes3"), QStringLiteral("two"));
    QCOMPARE(text(window, "lblRes4"), QStringLiteral("one"));
}

void TestMainWindow::overLongLineIsCut()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);

    // Four megabytes without a line feed, then a normal line.
    const int size = 4 * 1024 * 1024 + 7;
    peer->write(QByteArray(size, 'x'));
    peer->write("\nok\n");
    QElapsedTimer timer;
    timer.start();
    while (!(rows.count() > 0 && rows.last().at(0).toString() == QLatin1String("ok")) &&
           timer.elapsed() < 20000)
        rows.wait(1000);
    int total = 0;
    for (int i = 0; i + 1 < rows.count(); ++i) {
        const int length = rows.at(i).at(0).toString().size();
        QVERIFY(length <= 64 * 1024);
        total += length;
    }
    QCOMPARE(total, size);
    QCOMPARE(rows.last().at(0).toString(), QStringLiteral("ok"));
}

void TestMainWindow::configDumpLinesAreRows()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    peer->write("board CONFIG_START [MAC:0011AA]\r\na\r\nb\r\nCONFIG_END\r\n");
    QVERIFY(waitForRows(rows, 4));
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("board CONFIG_START [MAC:0011AA]"));
    QCOMPARE(rows.at(3).at(0).toString(), QStringLiteral("CONFIG_END"));
}

void TestMainWindow::announcementMakesMainDevice()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    peer->write("BOOT|1|HW:71405-2:|SW:2.13:|NAME:tube one:|MAC:0011aabbccdd:|IP:0:\r\n");
    QVERIFY(waitForRows(rows, 1));

    const Device *device = QDeviceMachine::instance()->mainDevice();
    QVERIFY(device);
    QCOMPARE(device->type, 2);
    QCOMPARE(device->mac, QStringLiteral("0011aabbccdd"));
    QCOMPARE(device->ip, QStringLiteral("1.1.1.1"));
    QCOMPARE(device->hw, QStringLiteral("71405-2"));
    QCOMPARE(device->sw, QStringLiteral("2.13"));
    QCOMPARE(device->name, QStringLiteral("tube one"));
    QCOMPARE(text(window, "btnMAC"), QStringLiteral("0011aabbccdd"));
    QCOMPARE(text(window, "lblHWID"), QStringLiteral("71405-2"));
    QCOMPARE(text(window, "lblSWID"), QStringLiteral("2.13"));
}

void TestMainWindow::shortAnnouncementIsIgnored()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    peer->write("x|MAC:0011|y\r\nafter\r\n");
    QVERIFY(waitForRows(rows, 2));
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("x|MAC:0011|y"));
    QVERIFY(!QDeviceMachine::instance()->mainDevice());
    QCOMPARE(text(window, "btnMAC"), QStringLiteral("N/A"));
}

void TestMainWindow::pacedScript()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);

    QVERIFY(window.queueLines({"a", "", "#comment", "b"}));
    QCOMPARE(readBytes(peer, 3), QByteArray("a\r\n"));
    QCOMPARE(peer->bytesAvailable(), 0);

    peer->write("ok\r\n");
    QVERIFY(waitForRows(rows, 1));
    QCOMPARE(readBytes(peer, 3), QByteArray("b\r\n"));

    peer->write("ok\r\n");
    QVERIFY(waitForRows(rows, 2));
    QVERIFY(!peer->waitForReadyRead(200));
}

void TestMainWindow::hotkeyRunsItsCommands()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    child<QLineEdit>(window, "txtHotkey2")->setText(QStringLiteral("led 1;;#off;led 0"));
    child<QCheckBox>(window, "cheAutoSwitch")->setChecked(true);
    child<QTabWidget>(window, "tabWidget")->setCurrentIndex(1);

    child<QPushButton>(window, "btnHotKey2")->click();
    QCOMPARE(readBytes(peer, 7), QByteArray("led 1\r\n"));
    QCOMPARE(child<QTabWidget>(window, "tabWidget")->currentIndex(), 0);
    peer->write("done\n");
    QVERIFY(waitForRows(rows, 1));
    QCOMPARE(readBytes(peer, 7), QByteArray("led 0\r\n"));
}

void TestMainWindow::controlsFollowTheConnection()
{
    MainWindow window(&prompter);
    QSignalSpy closeChildren(&window, &MainWindow::close_clilds);
    const QStringList boardControls = {"btnSend",
                                       "txtCommand",
                                       "actionTB_Window",
                                       "cboScriptfiles",
                                       "cmdGitCommit",
                                       "btnSendStop",
                                       "txtHotkey1",
                                       "btnHotKey13",
                                       "btnRunBootMacro",
                                       "btn_tbConfig",
                                       "lblShortCommand",
                                       "actionRecipe_runner",
                                       "actionUpdate_firmware"};
    for (const QString &name : boardControls)
        QVERIFY2(name == QLatin1String("btnSendStop") || !enabled(window, name), qPrintable(name));

    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    for (const QString &name : boardControls)
        QVERIFY2(enabled(window, name), qPrintable(name));
    QVERIFY(!child<QAction>(window, "actionTB_Admin")->isVisible());
    const QString connection = QStringLiteral("127.0.0.1:%1").arg(peerServer->serverPort());
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Disconnect (IP:%1)").arg(connection));
    QCOMPARE(SettingsStore::get("lastConnection", QString()).toString(), connection);
    QCOMPARE(text(window, "lblCurrTempIn"), QStringLiteral("N/A"));
    QCOMPARE(text(window, "lblETA"), QStringLiteral("N/A"));

    peer->close();
    QTRY_COMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (%1)").arg(connection));
    QCOMPARE(closeChildren.count(), 1);
    for (const char *name : {"btnSend", "txtCommand", "btnSendStop", "txtHotkey1", "btnHotKey13",
                             "cboScriptfiles", "actionTB_Window"})
        QVERIFY2(!enabled(window, name), name);
    // Sending without a connection writes nothing and does not fail.
    window.sendData(QStringLiteral("stop"));
}

void TestMainWindow::failedConnectShowsLastConnection()
{
    MainWindow window(&prompter);
    QVERIFY(peerServer->listen(QHostAddress::LocalHost));
    const quint16 closedPort = peerServer->serverPort();
    peerServer->close();
    QVERIFY(!window.connectToDevice(QStringLiteral("127.0.0.1"), closedPort, nullptr));
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (IP:localhost:23)"));
    QVERIFY(!enabled(window, "btnSend"));
    QVERIFY(!enabled(window, "btnSendStop"));
    QVERIFY(!enabled(window, "pushButton_4"));
    QCOMPARE(SettingsStore::get("lastConnection", "unset").toString(), QStringLiteral("unset"));
}

void TestMainWindow::acceptedConnectionReplacesClient()
{
    MainWindow window(&prompter);
    QSignalSpy closeChildren(&window, &MainWindow::close_clilds);
    QTcpSocket *clientPeer = connectPeer(window);
    QVERIFY(clientPeer);
    QSignalSpy clientGone(clientPeer, &QTcpSocket::disconnected);

    QTcpSocket incoming;
    incoming.connectToHost(QHostAddress::LocalHost, kServerPort);
    QVERIFY(incoming.waitForConnected(3000));
    QTRY_COMPARE(text(window, "btnReconnect"), QStringLiteral("Disconnect serversocket"));
    QCOMPARE(readBytes(&incoming, kDebugLevel.size()), kDebugLevel);
    QVERIFY(clientGone.count() > 0 || clientGone.wait(3000));
    QCOMPARE(closeChildren.count(), 1);

    QCOMPARE(text(window, "btnMAC"), QStringLiteral("SERVER"));
    QCOMPARE(text(window, "lblLogIP"), QStringLiteral("SERVER"));
    QCOMPARE(text(window, "lblCurState"), QStringLiteral("N/A"));
    QVERIFY(!enabled(window, "actionTB_Admin"));
    QVERIFY(enabled(window, "btnSend"));
    QVERIFY(enabled(window, "txtHotkey5"));

    window.sendData(QStringLiteral("stop"));
    QCOMPARE(readBytes(&incoming, 6), QByteArray("stop\r\n"));
}

void TestMainWindow::reconnectWithoutColonUsesPort23()
{
    if (!peerServer->listen(QHostAddress::LocalHost, 23))
        QSKIP("port 23 cannot be bound here");
    SettingsStore::set("lastConnection", "127.0.0.1");
    MainWindow window(&prompter);
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (127.0.0.1)"));
    child<QPushButton>(window, "btnReconnect")->click();
    QVERIFY(peerServer->waitForNewConnection(3000));
    QCOMPARE(readBytes(peerServer->nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Disconnect (IP:127.0.0.1:23)"));

    // The same button now disconnects.
    child<QPushButton>(window, "btnReconnect")->click();
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (127.0.0.1:23)"));
    QVERIFY(!enabled(window, "btnSend"));
}

void TestMainWindow::returnInHostFieldConnectsToPort23()
{
    if (!peerServer->listen(QHostAddress::LocalHost, 23))
        QSKIP("port 23 cannot be bound here");
    MainWindow window(&prompter);
    auto *host = child<QLineEdit>(window, "lineEdit");
    host->setText(QStringLiteral("127.0.0.1"));
    QTest::keyClick(host, Qt::Key_Return);
    QVERIFY(peerServer->waitForNewConnection(3000));
    QCOMPARE(readBytes(peerServer->nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
}

void TestMainWindow::serverPortTakenLeavesClientWorking()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, kServerPort));
    MainWindow window(&prompter);
    QVERIFY(window.statusBar()->currentMessage().contains(QLatin1String("7123")));
    QVERIFY(window.statusBar()->currentMessage().contains(QLatin1String("client only")));
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    window.sendData(QStringLiteral("print_tb_config"));
    QCOMPARE(readBytes(peer, 17), QByteArray("print_tb_config\r\n"));
}

void TestMainWindow::quickCommands_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("Get TB Config") << "btn_tbConfig" << QByteArray("print_tb_config\r\n");
    QTest::newRow("Do Beep on Tools") << "btnDoBeep" << QByteArray("do_beep 62415\r\n");
    QTest::newRow("Do Beep on Logdata") << "btnDoBeep2" << QByteArray("do_beep 62415\r\n");
    QTest::newRow("Can list Devices") << "btnCanListDev" << QByteArray("can_list_devices\r\n");
    QTest::newRow("Stop on Tools") << "btnSendStop" << QByteArray("stop\r\n");
    QTest::newRow("Stop on Logdata") << "btnStop2" << QByteArray("stop\r\n");
}

void TestMainWindow::quickCommands()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, wire);
    MainWindow window(&prompter);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    auto *loop = child<QCheckBox>(window, "cheLoopCommand");
    loop->setChecked(true);
    child<QPushButton>(window, button)->click();
    QCOMPARE(readBytes(peer, wire.size()), wire);
    QCOMPARE(loop->isChecked(), !wire.startsWith("stop"));
    QVERIFY(prompter.asked.isEmpty());
}

void TestMainWindow::confirmedCommands_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QByteArray>("wire");
    const QString boot = "Run bootmacro|PLEASE CONFIRM: Do you want to reexecute the bootmacro?";
    const QString restart = "Restart board|PLEASE CONFIRM: Do you want to restart the machine?";
    const QString mqtt =
        "Reset M2M settings.|PLEASE CONFIRM: Do you want to reset M2M settings to default?";
    QTest::newRow("bootmacro answered No sends nothing")
        << "btnRunBootMacro" << int(QMessageBox::No) << boot << QByteArray();
    QTest::newRow("bootmacro answered Yes")
        << "btnRunBootMacro" << int(QMessageBox::Yes) << boot << QByteArray("run_boot_macro\r\n");
    QTest::newRow("restart answered No sends nothing")
        << "btnRestart" << int(QMessageBox::No) << restart << QByteArray();
    QTest::newRow("restart answered Yes")
        << "btnRestart" << int(QMessageBox::Yes) << restart << QByteArray("restart\r\n");
    QTest::newRow("M2M reset answered No sends nothing")
        << "resetMQTT" << int(QMessageBox::No) << mqtt << QByteArray();
    QTest::newRow("M2M reset answered Yes")
        << "resetMQTT" << int(QMessageBox::Yes) << mqtt << QByteArray("mqtt_rest\r\n");
}

void TestMainWindow::confirmedCommands()
{
    QFETCH(QString, button);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QByteArray, wire);
    MainWindow window(&prompter);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    prompter.answer = QMessageBox::StandardButton(answer);
    child<QPushButton>(window, button)->click();
    QCOMPARE(prompter.asked, QStringList{question});
    QCOMPARE(prompter.defaults, QList<QMessageBox::StandardButton>{QMessageBox::No});
    // A marker after the command shows exactly what the button sent.
    window.sendData(QStringLiteral("end"));
    QCOMPARE(readBytes(peer, wire.size() + 5), wire + "end\r\n");
}

void TestMainWindow::productionModeTitle()
{
    const QString normal = QStringLiteral("VORNE -- Vozoru Rarevorad [Ver: 190918.01]");
    SettingsStore::set("prod_mode", "1");
    MainWindow window(&prompter);
    QCOMPARE(window.windowTitle(), normal + QStringLiteral(" -- PROD-MODE --"));
    auto *mode = child<QAction>(window, "actionProduction_mode");
    QVERIFY(mode->isChecked());

    mode->setChecked(false);
    QCOMPARE(window.windowTitle(), normal);
    QCOMPARE(SettingsStore::get("prod_mode", QString()).toString(), QStringLiteral("0"));
    mode->setChecked(true);
    QCOMPARE(window.windowTitle(), normal + QStringLiteral(" -- PROD-MODE --"));
    QCOMPARE(SettingsStore::get("prod_mode", QString()).toString(), QStringLiteral("1"));
}

void TestMainWindow::closingChildIsReleased()
{
    MainWindow window(&prompter);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    FakeChildWindow runner;
    connect(&runner, &FakeChildWindow::closing, &window, &MainWindow::frmClosing);
    connect(&window, &MainWindow::gotRow, &runner, &FakeChildWindow::gotRow);
    QSignalSpy rows(&window, &MainWindow::gotRow);

    peer->write("before\n");
    QVERIFY(waitForRows(rows, 1));
    QCOMPARE(runner.rows, 1);
    emit runner.closing(5);
    peer->write("after\n");
    QVERIFY(waitForRows(rows, 2));
    QCOMPARE(runner.rows, 1);
}

void TestMainWindow::firmwareDialogClosingReattachesReader()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket board;
    board.connectToHost(QHostAddress::LocalHost, kServerPort);
    QVERIFY(board.waitForConnected(3000));
    QTRY_COMPARE(text(window, "btnReconnect"), QStringLiteral("Disconnect serversocket"));

    // The firmware dialog borrows the accepted socket and reads it itself...
    auto *console = window.findChild<QTcpSocket *>();
    QVERIFY(console);
    disconnect(console, &QTcpSocket::readyRead, &window, &MainWindow::readyRead);
    // ...and gives it back when it closes.
    FakeChildWindow dialog;
    connect(&dialog, &FakeChildWindow::closing, &window, &MainWindow::frmClosing);
    emit dialog.closing(3);
    emit dialog.closing(3); // a second report must not read every line twice

    board.write("BL>\nok\n");
    QVERIFY(waitForRows(rows, 2));
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("BL>"));
    QCOMPARE(rows.at(1).at(0).toString(), QStringLiteral("ok"));
}

void TestMainWindow::keyFilterReportsAndPassesKeys()
{
    QTextEdit editor;
    KeyPressEater filter;
    editor.installEventFilter(&filter);
    QSignalSpy keys(&filter, &KeyPressEater::action);
    QTest::keyClick(&editor, Qt::Key_A);
    QTest::keyClick(&editor, Qt::Key_Return);
    QCOMPARE(keys.count(), 2);
    // Not consumed: the editor still got both keys.
    QCOMPARE(editor.toPlainText(), QStringLiteral("a\n"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
