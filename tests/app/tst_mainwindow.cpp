#include "fwupdatedialog.h"
#include "keypresseater.h"
#include "windowprobe.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>

namespace {

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

// What the main window does with its console: controls and texts that follow the
// connection, confirmations, child windows and the console lent to the firmware dialogs.
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

    void acceptedConnectionReplacesClient()
    {
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        QSignalSpy closeChildren(&c.window, &MainWindow::close_clilds);
        const std::unique_ptr<QTcpSocket> incoming = connectBoard(c.window);
        QVERIFY(incoming);
        QTRY_COMPARE(c.peer->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(closeChildren.count(), 1); // the client's full teardown ran first
        QCOMPARE(text(c.window, "lblLogIP"), QStringLiteral("SERVER"));
        QVERIFY(!enabled(c.window, "actionTB_Admin") && enabled(c.window, "txtHotkey5"));
        c.window.sendData(QStringLiteral("stop"));
        QCOMPARE(readBytes(incoming.get(), 6), QByteArray("stop\r\n"));
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
        QCOMPARE(rowTexts(rows), QStringList{"while lent"});
        board->write("after\n");
        QVERIFY(rows.wait(3000));
        QVERIFY(!rows.wait(200));
        QCOMPARE(rowTexts(rows), (QStringList{"while lent", "after"}));
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

private:
    FakePrompter prompter;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
