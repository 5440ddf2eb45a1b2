#include "fwupdatedialog.h"
#include "keypresseater.h"
#include "windowprobe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
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

// Opens a child window the way the user does: an action of the menus or a form button.
QDialog *open(MainWindow &window, const QString &opener)
{
    if (auto *action = window.findChild<QAction *>(opener))
        action->trigger();
    else
        child<QPushButton>(window, opener)->click();
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

// What the main window does with its console: controls, texts and child windows that
// follow the connection, confirmations, and the console lent to the firmware dialogs.
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void startState();
    void controlsFollowTheConnection();
    void failedConnectShowsLastConnection();
    void acceptedConnectionReplacesClient();
    void reconnectButtonAndHostField();
    void serverPortTakenLeavesClientWorking();
    void confirmedCommands_data();
    void confirmedCommands();
    void productionModeTitle();
    void firmwareDialogsNeedAnOpenConsole();
    void borrowedConsoleIsReadAgainAfterClosing_data();
    void borrowedConsoleIsReadAgainAfterClosing();
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
    QCOMPARE(window.windowTitle(), QStringLiteral("VORNE -- Vozoru Rarevorad [Ver: 190918.01]"));
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (localhost:23)"));
    auto *loopTime = child<QComboBox>(window, "cboLoopTime");
    QCOMPARE(loopTime->count(), 8);
    QCOMPARE(loopTime->currentData().toInt(), 15);
    QVERIFY(!child<QAction>(window, "actionTB_Admin")->isVisible());
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    QStringList menus;
    for (QAction *action : window.menuBar()->actions())
        menus << action->text();
    QCOMPARE(menus, (QStringList{"Task", "Admin", "Git", "Devices"}));
}

void TestMainWindow::controlsFollowTheConnection()
{
    MainWindow window(prompter);
    QSignalSpy closeChildren(&window, &MainWindow::close_clilds);
    const QStringList boardControls = {"btnSend",         "txtCommand",   "actionTB_Window",
                                       "cboScriptfiles",  "txtHotkey1",   "btnHotKey13",
                                       "btnRunBootMacro", "btn_tbConfig", "actionUpdate_firmware"};
    for (const QString &name : boardControls)
        QVERIFY2(!enabled(window, name), qPrintable(name));

    QTcpServer server;
    QTcpSocket *peer = connectClient(window, server);
    QVERIFY(peer);
    for (const QString &name : boardControls + QStringList{"btnSendStop"})
        QVERIFY2(enabled(window, name), qPrintable(name));
    const QString connection = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    QCOMPARE(text(window, "btnReconnect"), QStringLiteral("Disconnect (IP:%1)").arg(connection));
    QCOMPARE(SettingsStore::get("lastConnection", QString()).toString(), connection);
    QCOMPARE(text(window, "btnMAC"), QStringLiteral("N/A"));
    QCOMPARE(text(window, "lblETA"), QStringLiteral("N/A"));

    // The lines shown are the last four, newest first.
    peer->write("one\ntwo\nthree\nfour\nfive\n");
    QTRY_COMPARE(text(window, "lblRes1"), QStringLiteral("five"));
    QCOMPARE(text(window, "lblRes4"), QStringLiteral("two"));

    peer->close();
    QTRY_COMPARE(text(window, "btnReconnect"), QStringLiteral("Reconnect (%1)").arg(connection));
    QCOMPARE(closeChildren.count(), 1);
    for (const char *name :
         {"btnSend", "btnSendStop", "txtHotkey1", "cboScriptfiles", "actionTB_Window"})
        QVERIFY2(!enabled(window, name), name);
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
    QSignalSpy closeChildren(&c.window, &MainWindow::close_clilds);
    const std::unique_ptr<QTcpSocket> incoming = connectBoard(c.window);
    QVERIFY(incoming);
    QTRY_COMPARE(c.peer->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(closeChildren.count(), 1); // the client's full teardown ran first
    QCOMPARE(text(c.window, "lblLogIP"), QStringLiteral("SERVER"));
    QCOMPARE(text(c.window, "lblCurState"), QStringLiteral("N/A"));
    QVERIFY(!enabled(c.window, "actionTB_Admin"));
    QVERIFY(enabled(c.window, "txtHotkey5"));
    c.window.sendData(QStringLiteral("stop"));
    QCOMPARE(readBytes(incoming.get(), 6), QByteArray("stop\r\n"));
}

void TestMainWindow::reconnectButtonAndHostField()
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

void TestMainWindow::serverPortTakenLeavesClientWorking()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, kServerPort));
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    const QString message = c.window.statusBar()->currentMessage();
    QVERIFY2(message.contains("7123") && message.contains("client only"), qPrintable(message));
}

void TestMainWindow::confirmedCommands_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("question"); // asked first, No by default; empty: sent at once
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("bootmacro") << "btnRunBootMacro"
                               << "Run bootmacro|PLEASE CONFIRM: Do you want to reexecute the "
                                  "bootmacro?"
                               << QByteArray("run_boot_macro\r\n");
    QTest::newRow("restart") << "btnRestart"
                             << "Restart board|PLEASE CONFIRM: Do you want to restart the machine?"
                             << QByteArray("restart\r\n");
    QTest::newRow("M2M reset") << "resetMQTT"
                               << "Reset M2M settings.|PLEASE CONFIRM: Do you want to reset M2M "
                                  "settings to default?"
                               << QByteArray("mqtt_rest\r\n");
    QTest::newRow("Stop unchecks the loop, asks nothing")
        << "btnStop2" << QString() << QByteArray("stop\r\n");
}

void TestMainWindow::confirmedCommands()
{
    QFETCH(QString, button);
    QFETCH(QString, question);
    QFETCH(QByteArray, wire);
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    auto *loop = child<QCheckBox>(c.window, "cheLoopCommand");
    loop->setChecked(true);
    // Answered No nothing is sent; a marker after each click shows what was sent.
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
    QCOMPARE(loop->isChecked(), !question.isEmpty());
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
}

void TestMainWindow::firmwareDialogsNeedAnOpenConsole()
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
    // A second opening replaces the dialog; one with its own connection leaves the console
    // to the window.
    QVERIFY(QMetaObject::invokeMethod(&window, "on_actionRom_updater_triggered"));
    QTRY_VERIFY(first.isNull());
    QSignalSpy rows(&window, &MainWindow::gotRow);
    peer->write("still mine\n");
    QVERIFY(rows.wait(3000));
}

void TestMainWindow::borrowedConsoleIsReadAgainAfterClosing_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("closer"); // a button of the dialog, or empty for Escape
    QTest::newRow("firmware dialog closed with Close") << "actionUpdate_firmware"
                                                       << "cmdCancel";
    QTest::newRow("ROM manager closed with Escape") << "pushButton_4"
                                                    << "";
}

void TestMainWindow::borrowedConsoleIsReadAgainAfterClosing()
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
        QCOMPARE(firmware->findChild<QLineEdit *>("txtConnection")->text(), QString("REMOTE"));

    // Lent: what the board says now waits in the socket for the dialog.
    board->write("while lent\n");
    QTRY_COMPARE(window.findChild<QTcpSocket *>()->bytesAvailable(), qint64(11));
    QVERIFY(rows.isEmpty());
    if (closer.isEmpty())
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        dialog->findChild<QPushButton *>(closer)->click();
    QTRY_VERIFY(dialog.isNull());
    // Given back: the waiting line is read at once, and every line after it, once.
    QCOMPARE(rowTexts(rows), QStringList{"while lent"});
    board->write("after\n");
    QVERIFY(rows.wait(3000));
    QVERIFY(!rows.wait(200));
    QCOMPARE(rowTexts(rows), (QStringList{"while lent", "after"}));
}

void TestMainWindow::closingChildIsReleased()
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

void TestMainWindow::keyFilterReportsAndPassesKeys()
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

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
