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
    void onlyAFullAnnouncementMakesTheMainDevice();
    void pacedScript();
    void hotkeyRunsItsCommands();

    void controlsFollowTheConnection();
    void failedConnectShowsLastConnection();
    void acceptedConnectionReplacesClient();
    void hostWithoutPortUsesPort23();
    void serverPortTakenLeavesClientWorking();

    void commandButtons_data();
    void commandButtons();

    void productionModeTitle();
    void closingChildIsReleased();
    void keyFilterReportsAndPassesKeys();

private:
    FakePrompter prompter;
};

void TestMainWindow::init()
{
    resetWindowState();
    prompter = FakePrompter();
}

void TestMainWindow::startState()
{
    MainWindow window(prompter);
    // Form objects no test here drives yet, which the coming windows' slots are bound to.
    const QStringList names =
        QStringLiteral(
            "btnSendSelected btnHomeDirectory lblSubProj cmAddMCRFile cmdCreateSCRFile "
            "btnDeleteFile lblGit btnReicipeMaker btnHotKey1 txtHotkey12 actionPull_latest_local "
            "actionPull_latest_from_server actionPush_to_server actionMacro_Editor "
            "actionControl_Center actionThermos_GUI actionNTC_Curve_1 actionNTC_Curve_5 "
            "menuVORNE_Korvo_Commander menuTB menuGit")
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
    // The other rules of the wire bytes are the console line's, tested there.
    QTest::newRow("CR and LF inside a command removed") << "led\r\n 1" << QByteArray("led 1\r\n");
}

void TestMainWindow::wireBytes()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, wire);
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    c.window.sendData(command);
    c.window.sendData(QStringLiteral("end"));
    QCOMPARE(readBytes(c.peer, wire.size() + 5), wire + "end\r\n");
}

void TestMainWindow::receivedLinesAreCutAndShown()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);

    c.peer->write("one\r\ntwo\nthr");
    QTRY_COMPARE(c.rows.size(), 2);
    c.peer->write(QByteArray("ee\na\0b\r\n", 8));
    QTRY_COMPARE(c.rows.size(), 4);
    QCOMPARE(rowTexts(c.rows), (QStringList{"one", "two", "three", "a b"}));
    QStringList shown;
    for (const char *name : {"lblRes1", "lblRes2", "lblRes3", "lblRes4"})
        shown << text(c.window, name);
    QCOMPARE(shown, (QStringList{"a b", "three", "two", "one"}));

    // The lines of a configuration dump are rows too.
    c.peer->write("board CONFIG_START [MAC:0011AA]\r\nk\r\nCONFIG_END\r\n");
    QTRY_COMPARE(c.rows.size(), 7);
    QCOMPARE(rowTexts(c.rows).mid(4),
             (QStringList{"board CONFIG_START [MAC:0011AA]", "k", "CONFIG_END"}));
}

void TestMainWindow::overLongLineIsCut()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);

    // Four megabytes without a line feed, then a normal line.
    const int size = 4 * 1024 * 1024 + 7;
    c.peer->write(QByteArray(size, 'x'));
    c.peer->write("\nok\n");
    QTRY_VERIFY_WITH_TIMEOUT(!c.rows.isEmpty() && c.rows.last().at(0).toString() == "ok", 20000);
    int total = 0;
    for (int i = 0; i + 1 < c.rows.count(); ++i) {
        const int length = c.rows.at(i).at(0).toString().size();
        QVERIFY(length <= 64 * 1024);
        total += length;
    }
    QCOMPARE(total, size);
}

void TestMainWindow::onlyAFullAnnouncementMakesTheMainDevice()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    c.peer->write("x|MAC:0011|y\r\n"); // fewer than seven fields: a plain line
    QTRY_COMPARE(c.rows.size(), 1);
    QCOMPARE(c.rows.at(0).at(0).toString(), QStringLiteral("x|MAC:0011|y"));
    QVERIFY(!QDeviceMachine::instance()->mainDevice());
    QCOMPARE(text(c.window, "btnMAC"), QStringLiteral("N/A"));

    c.peer->write("BOOT|1|HW:71405-2:|SW:2.13:|NAME:tube one:|MAC:0011aabbccdd:|IP:0:\r\n");
    QTRY_COMPARE(c.rows.size(), 2);
    const Device *device = QDeviceMachine::instance()->mainDevice();
    QVERIFY(device);
    QCOMPARE(device->type, 2);
    QCOMPARE(device->name, QStringLiteral("tube one"));
    QStringList shown;
    for (const char *name : {"btnMAC", "lblHWID", "lblSWID"})
        shown << text(c.window, name);
    QCOMPARE(shown, (QStringList{"0011aabbccdd", "71405-2", "2.13"}));
}

void TestMainWindow::pacedScript()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);

    QVERIFY(c.window.queueLines({"a", "", "#comment", "b"}));
    QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
    QCOMPARE(c.peer->bytesAvailable(), 0);
    c.peer->write("ok\r\n");
    QTRY_COMPARE(c.rows.size(), 1);
    QCOMPARE(readBytes(c.peer, 3), QByteArray("b\r\n"));
    c.peer->write("ok\r\n");
    QTRY_COMPARE(c.rows.size(), 2);
    QVERIFY(!c.peer->waitForReadyRead(200));
}

void TestMainWindow::hotkeyRunsItsCommands()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    child<QLineEdit>(c.window, "txtHotkey2")->setText(QStringLiteral("led 1;;#off;led 0"));
    child<QCheckBox>(c.window, "cheAutoSwitch")->setChecked(true);
    child<QTabWidget>(c.window, "tabWidget")->setCurrentIndex(1);

    child<QPushButton>(c.window, "btnHotKey2")->click();
    QCOMPARE(readBytes(c.peer, 7), QByteArray("led 1\r\n"));
    QCOMPARE(child<QTabWidget>(c.window, "tabWidget")->currentIndex(), 0);
    c.peer->write("done\n");
    QTRY_COMPARE(c.rows.size(), 1);
    QCOMPARE(readBytes(c.peer, 7), QByteArray("led 0\r\n"));
}

void TestMainWindow::controlsFollowTheConnection()
{
    MainWindow window(prompter);
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

    QTcpServer server;
    QTcpSocket *peer = connectClient(window, server);
    QVERIFY(peer);
    for (const QString &name : boardControls)
        QVERIFY2(enabled(window, name), qPrintable(name));
    QVERIFY(!child<QAction>(window, "actionTB_Admin")->isVisible());
    const QString connection = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
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
    MainWindow window(prompter);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 closedPort = server.serverPort();
    server.close();
    QVERIFY(!window.connectToDevice(QStringLiteral("127.0.0.1"), closedPort, nullptr));
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (IP:localhost:23)"));
    for (const char *name : {"btnSend", "btnSendStop", "pushButton_4"})
        QVERIFY2(!enabled(window, name), name);
    QCOMPARE(SettingsStore::get("lastConnection", "unset").toString(), QStringLiteral("unset"));
}

void TestMainWindow::acceptedConnectionReplacesClient()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    const MainWindow &window = c.window;
    QSignalSpy closeChildren(&window, &MainWindow::close_clilds);
    QSignalSpy clientGone(c.peer, &QTcpSocket::disconnected);

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

    c.window.sendData(QStringLiteral("stop"));
    QCOMPARE(readBytes(incoming.get(), 6), QByteArray("stop\r\n"));
}

void TestMainWindow::hostWithoutPortUsesPort23()
{
    QTcpServer board;
    if (!board.listen(QHostAddress::LocalHost, 23))
        QSKIP("port 23 cannot be bound here");
    SettingsStore::set("lastConnection", "127.0.0.1");
    MainWindow window(prompter);
    auto *reconnect = child<QPushButton>(window, "btnReconnect");
    QCOMPARE(reconnect->text(), QStringLiteral("Reconnect (127.0.0.1)"));
    reconnect->click();
    QVERIFY(board.waitForNewConnection(3000));
    QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
    QCOMPARE(reconnect->text(), QStringLiteral("Disconnect (IP:127.0.0.1:23)"));

    // The same button now disconnects; Return in the host field connects again.
    reconnect->click();
    QCOMPARE(reconnect->text(), QStringLiteral("Reconnect (127.0.0.1:23)"));
    QVERIFY(!enabled(window, "btnSend"));
    auto *host = child<QLineEdit>(window, "lineEdit");
    host->setText(QStringLiteral("127.0.0.1"));
    QTest::keyClick(host, Qt::Key_Return);
    QVERIFY(board.waitForNewConnection(3000));
    QCOMPARE(readBytes(board.nextPendingConnection(), kDebugLevel.size()), kDebugLevel);
}

void TestMainWindow::serverPortTakenLeavesClientWorking()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, kServerPort));
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    const QString message = c.window.statusBar()->currentMessage();
    QVERIFY2(message.contains("7123") && message.contains("client only"), qPrintable(message));
    c.window.sendData(QStringLiteral("print_tb_config"));
    QCOMPARE(readBytes(c.peer, 17), QByteArray("print_tb_config\r\n"));
}

void TestMainWindow::commandButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("question"); // asked first, No by default; empty: sent at once
    QTest::addColumn<QByteArray>("wire");
    const auto row = [](const char *name, const char *button, const char *question,
                        const char *wire) {
        QTest::newRow(name) << button << question << QByteArray(wire);
    };
    row("Get TB Config", "btn_tbConfig", "", "print_tb_config\r\n");
    row("Do Beep on Tools", "btnDoBeep", "", "do_beep 62415\r\n");
    row("Do Beep on Logdata", "btnDoBeep2", "", "do_beep 62415\r\n");
    row("Can list Devices", "btnCanListDev", "", "can_list_devices\r\n");
    row("Stop on Tools unchecks the loop", "btnSendStop", "", "stop\r\n");
    row("Stop on Logdata unchecks the loop", "btnStop2", "", "stop\r\n");
    row("bootmacro confirmed", "btnRunBootMacro",
        "Run bootmacro|PLEASE CONFIRM: Do you want to reexecute the bootmacro?",
        "run_boot_macro\r\n");
    row("restart confirmed", "btnRestart",
        "Restart board|PLEASE CONFIRM: Do you want to restart the machine?", "restart\r\n");
    row("M2M reset confirmed", "resetMQTT",
        "Reset M2M settings.|PLEASE CONFIRM: Do you want to reset M2M settings to default?",
        "mqtt_rest\r\n");
}

void TestMainWindow::commandButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, question);
    QFETCH(QByteArray, wire);
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    auto *loop = child<QCheckBox>(c.window, "cheLoopCommand");
    loop->setChecked(true);
    // A question answered No sends nothing; a marker after each click shows what was sent.
    const QList<QMessageBox::StandardButton> answers =
        question.isEmpty() ? QList<QMessageBox::StandardButton>{QMessageBox::Yes}
                           : QList<QMessageBox::StandardButton>{QMessageBox::No, QMessageBox::Yes};
    for (const QMessageBox::StandardButton answer : answers) {
        prompter.answer(answer);
        child<QPushButton>(c.window, button)->click();
        c.window.sendData(QStringLiteral("end"));
        const QByteArray sent = answer == QMessageBox::Yes ? wire : QByteArray();
        QCOMPARE(readBytes(c.peer, sent.size() + 5), sent + "end\r\n");
    }
    QStringList asked;
    for (const FakePrompter::Asked &item : prompter.asked) {
        asked << item.text + QLatin1Char('|') + item.detail;
        QCOMPARE(item.defaultButton, QMessageBox::No);
    }
    QCOMPARE(asked, question.isEmpty() ? QStringList() : (QStringList{question, question}));
    QCOMPARE(loop->isChecked(), !wire.startsWith("stop"));
}

void TestMainWindow::productionModeTitle()
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
    mode->setChecked(true);
    QCOMPARE(window.windowTitle(), normal + QStringLiteral(" -- PROD-MODE --"));
    QCOMPARE(SettingsStore::get("prod_mode", QString()).toString(), QStringLiteral("1"));
}

void TestMainWindow::closingChildIsReleased()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    FakeChildWindow runner;
    connect(&runner, &FakeChildWindow::closing, &c.window, &MainWindow::frmClosing);
    connect(&c.window, &MainWindow::gotRow, &runner, &FakeChildWindow::gotRow);

    c.peer->write("before\n");
    QTRY_COMPARE(c.rows.size(), 1);
    QCOMPARE(runner.rows, 1);
    emit runner.closing(5);
    c.peer->write("after\n");
    QTRY_COMPARE(c.rows.size(), 2);
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
