#include "keypresseater.h"
#include "windowprobe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {

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
    void startState();

    void wireBytes_data();
    void wireBytes();
    void receivedLinesAreCutAndShown();
    void overLongLineIsCut();
    void configDumpLinesAreRows();
    void onlyAFullAnnouncementMakesTheMainDevice();
    void pacedScript();
    void hotkeyRunsItsCommands();

    void controlsFollowTheConnection();
    void failedConnectShowsLastConnection();
    void acceptedConnectionReplacesClient();
    void hostWithoutPortUsesPort23();
    void serverPortTakenLeavesClientWorking();

    void quickCommands_data();
    void quickCommands();
    void confirmedCommands_data();
    void confirmedCommands();

    void productionModeTitle();
    void closingChildIsReleased();
    void keyFilterReportsAndPassesKeys();

private:
    QTcpSocket *connectPeer(MainWindow &window) { return connectClient(window, *peerServer); }

    std::unique_ptr<QTcpServer> peerServer;
    FakePrompter prompter;
};

void TestMainWindow::init()
{
    resetWindowState();
    prompter = FakePrompter();
    peerServer = std::make_unique<QTcpServer>();
}

void TestMainWindow::startState()
{
    MainWindow window(&prompter);
    // Form objects the window's slots and the child windows are bound to by name.
    const QStringList names =
        QStringLiteral(
            "btnSendSelected btnSend cheLoopCommand btnHomeDirectory lblSubProj cmAddMCRFile "
            "cmdCreateSCRFile btnDeleteFile lblGit cmdGitCommit lblShortCommand "
            "cheAutoSwitch btnMAC btnStop2 btnDoBeep2 btnCanListDev resetMQTT btnRestart "
            "btnRunBootMacro btnReicipeMaker pushButton_4 btn_tbConfig btnDoBeep btnSendStop "
            "lblETA lblLogIP lblCurState lblTargetTemp lblO11 lblO18 btnHotKey1 btnHotKey13 "
            "txtHotkey12 actionUpdate_firmware actionRescan_devicelist actionProduction_mode "
            "actionRecipe_runner actionRom_updater actionTB_Admin actionLog_data "
            "actionPull_latest_from_server actionPull_latest_local actionPush_to_server "
            "actionMacro_Editor actionControl_Center actionTB_Window actionThermos_GUI "
            "actionNTC_Curve_1 actionNTC_Curve_5 menuVORNE_Korvo_Commander menuTB menuGit")
            .split(QLatin1Char(' '));
    for (const QString &name : names)
        QVERIFY2(window.findChild<QObject *>(name), qPrintable(name));

    QCOMPARE(window.windowTitle(), QStringLiteral("VORNE -- Vozoru Rarevorad [Ver: 190918.01]"));
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (localhost:23)"));
    auto *loopTime = child<QComboBox>(window, "cboLoopTime");
    QCOMPARE(loopTime->count(), 8);
    QCOMPARE(loopTime->currentData().toInt(), 15);
    QCOMPARE(child<QTabWidget>(window, "tabWidget")->currentIndex(), 0);
    QVERIFY(!child<QAction>(window, "actionTB_Admin")->isVisible());
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    QStringList menus;
    for (QAction *action : window.menuBar()->actions())
        menus << action->text();
    QCOMPARE(menus, (QStringList{"Task", "Admin", "Git", "Devices"}));
}

void TestMainWindow::wireBytes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("stop") << "stop" << QByteArray("stop\r\n");
    QTest::newRow("stop with its own CR LF: same six bytes") << "stop\r\n"
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
    QTRY_COMPARE(rows.size(), 2);
    peer->write(QByteArray("ee\na\0b\r\n", 8));
    QTRY_COMPARE(rows.size(), 4);
    QCOMPARE(rowTexts(rows), (QStringList{"one", "two", "three", "a b"}));
    QStringList shown;
    for (const char *name : {"lblRes1", "lblRes2", "lblRes3", "lblRes4"})
        shown << text(window, name);
    QCOMPARE(shown, (QStringList{"a b", "three", "two", "one"}));
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
    QTRY_VERIFY_WITH_TIMEOUT(!rows.isEmpty() && rows.last().at(0).toString() == "ok", 20000);
    int total = 0;
    for (int i = 0; i + 1 < rows.count(); ++i) {
        const int length = rows.at(i).at(0).toString().size();
        QVERIFY(length <= 64 * 1024);
        total += length;
    }
    QCOMPARE(total, size);
}

void TestMainWindow::configDumpLinesAreRows()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    peer->write("board CONFIG_START [MAC:0011AA]\r\na\r\nCONFIG_END\r\n");
    QTRY_COMPARE(rows.size(), 3);
    QCOMPARE(rowTexts(rows), (QStringList{"board CONFIG_START [MAC:0011AA]", "a", "CONFIG_END"}));
}

void TestMainWindow::onlyAFullAnnouncementMakesTheMainDevice()
{
    MainWindow window(&prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    peer->write("x|MAC:0011|y\r\n"); // fewer than seven fields: a plain line
    QTRY_COMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("x|MAC:0011|y"));
    QVERIFY(!QDeviceMachine::instance()->mainDevice());
    QCOMPARE(text(window, "btnMAC"), QStringLiteral("N/A"));

    peer->write("BOOT|1|HW:71405-2:|SW:2.13:|NAME:tube one:|MAC:0011aabbccdd:|IP:0:\r\n");
    QTRY_COMPARE(rows.size(), 2);
    const Device *device = QDeviceMachine::instance()->mainDevice();
    QVERIFY(device);
    QCOMPARE(device->type, 2);
    QCOMPARE(device->name, QStringLiteral("tube one"));
    QStringList shown;
    for (const char *name : {"btnMAC", "lblHWID", "lblSWID"})
        shown << text(window, name);
    QCOMPARE(shown, (QStringList{"0011aabbccdd", "71405-2", "2.13"}));
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
    QTRY_COMPARE(rows.size(), 1);
    QCOMPARE(readBytes(peer, 3), QByteArray("b\r\n"));
    peer->write("ok\r\n");
    QTRY_COMPARE(rows.size(), 2);
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
    QTRY_COMPARE(rows.size(), 1);
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
    for (const char *name : {"btnSend", "btnSendStop", "pushButton_4"})
        QVERIFY2(!enabled(window, name), name);
    QCOMPARE(SettingsStore::get("lastConnection", "unset").toString(), QStringLiteral("unset"));
}

void TestMainWindow::acceptedConnectionReplacesClient()
{
    MainWindow window(&prompter);
    QSignalSpy closeChildren(&window, &MainWindow::close_clilds);
    QTcpSocket *clientPeer = connectPeer(window);
    QVERIFY(clientPeer);
    QSignalSpy clientGone(clientPeer, &QTcpSocket::disconnected);

    const std::unique_ptr<QTcpSocket> incoming = connectBoard(window);
    QVERIFY(incoming);
    QVERIFY(clientGone.count() > 0 || clientGone.wait(3000));
    QCOMPARE(closeChildren.count(), 1);
    QCOMPARE(text(window, "btnMAC"), QStringLiteral("SERVER"));
    QCOMPARE(text(window, "lblLogIP"), QStringLiteral("SERVER"));
    QCOMPARE(text(window, "lblCurState"), QStringLiteral("N/A"));
    QVERIFY(!enabled(window, "actionTB_Admin"));
    QVERIFY(enabled(window, "btnSend"));
    QVERIFY(enabled(window, "txtHotkey5"));

    window.sendData(QStringLiteral("stop"));
    QCOMPARE(readBytes(incoming.get(), 6), QByteArray("stop\r\n"));
}

void TestMainWindow::hostWithoutPortUsesPort23()
{
    if (!peerServer->listen(QHostAddress::LocalHost, 23))
        QSKIP("port 23 cannot be bound here");
    SettingsStore::set("lastConnection", "127.0.0.1");
    MainWindow window(&prompter);
    auto *reconnect = child<QPushButton>(window, "btnReconnect");
    QCOMPARE(reconnect->text(), QStringLiteral("Reconnect (127.0.0.1)"));
    reconnect->click();
    QVERIFY(peerServer->waitForNewConnection(3000));
    QCOMPARE(readBytes(peerServer->nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
    QCOMPARE(reconnect->text(), QStringLiteral("Disconnect (IP:127.0.0.1:23)"));

    // The same button now disconnects; Return in the host field connects again.
    reconnect->click();
    QCOMPARE(reconnect->text(), QStringLiteral("Reconnect (127.0.0.1:23)"));
    QVERIFY(!enabled(window, "btnSend"));
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
    QTest::newRow("Stop on Tools unchecks the loop") << "btnSendStop" << QByteArray("stop\r\n");
    QTest::newRow("Stop on Logdata unchecks the loop") << "btnStop2" << QByteArray("stop\r\n");
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
    QTest::addColumn<QString>("question");
    QTest::addColumn<QByteArray>("wire"); // sent when the answer is Yes
    const auto row = [](const char *name, const char *button, const char *title,
                        const char *question, const char *wire) {
        QTest::newRow(name) << button << QString("%1|PLEASE CONFIRM: %2").arg(title, question)
                            << QByteArray(wire);
    };
    row("bootmacro", "btnRunBootMacro", "Run bootmacro", "Do you want to reexecute the bootmacro?",
        "run_boot_macro\r\n");
    row("restart", "btnRestart", "Restart board", "Do you want to restart the machine?",
        "restart\r\n");
    row("M2M reset", "resetMQTT", "Reset M2M settings.",
        "Do you want to reset M2M settings to default?", "mqtt_rest\r\n");
}

void TestMainWindow::confirmedCommands()
{
    QFETCH(QString, button);
    QFETCH(QString, question);
    QFETCH(QByteArray, wire);
    MainWindow window(&prompter);
    QTcpSocket *peer = connectPeer(window);
    QVERIFY(peer);
    // Answered No it sends nothing, answered Yes the command; a marker shows exactly what.
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        prompter.answer = answer;
        child<QPushButton>(window, button)->click();
        window.sendData(QStringLiteral("end"));
        const QByteArray sent = answer == QMessageBox::Yes ? wire : QByteArray();
        QCOMPARE(readBytes(peer, sent.size() + 5), sent + "end\r\n");
    }
    QCOMPARE(prompter.asked, (QStringList{question, question}));
    QCOMPARE(prompter.defaults,
             (QList<QMessageBox::StandardButton>{QMessageBox::No, QMessageBox::No}));
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
    QTRY_COMPARE(rows.size(), 1);
    QCOMPARE(runner.rows, 1);
    emit runner.closing(5);
    peer->write("after\n");
    QTRY_COMPARE(rows.size(), 2);
    QCOMPARE(runner.rows, 1);
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
