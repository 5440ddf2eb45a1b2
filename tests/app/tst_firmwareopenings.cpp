#include "fwupdatedialog.h"
#include "windowprobe.h"

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

// Opens a child window the way the user does: an action of the menus or a form button.
void open(MainWindow &window, const QString &opener)
{
    if (auto *action = window.findChild<QAction *>(opener))
        action->trigger();
    else
        child<QPushButton>(window, opener)->click();
}

QDialog *openedDialog(const MainWindow &window)
{
    const auto dialogs = window.findChildren<QDialog *>();
    return dialogs.size() == 1 ? dialogs.first() : nullptr;
}

QString dialogText(const QDialog &dialog, const char *name)
{
    QObject *object = dialog.findChild<QObject *>(QLatin1String(name));
    return object ? object->property("text").toString() : QStringLiteral("<missing>");
}

} // namespace

// Opening the firmware dialog and the ROM manager from the main window: only on an open
// console, on its own connection or on the borrowed console socket, which the window reads
// again once the dialog closes.
class TestFirmwareOpenings : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void opensOnlyOnAnOpenClientConsole_data();
    void opensOnlyOnAnOpenClientConsole();
    void borrowedConsoleIsReadAgainAfterClosing_data();
    void borrowedConsoleIsReadAgainAfterClosing();
    void reopeningReplacesTheDialog();

private:
    FakePrompter prompter;
};

void TestFirmwareOpenings::init()
{
    resetWindowState();
    prompter = FakePrompter();
}

void TestFirmwareOpenings::opensOnlyOnAnOpenClientConsole_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("chooser"); // a button of the dialog that asks a question
    QTest::newRow("Update firmware") << QString("actionUpdate_firmware") << "pushButton";
    QTest::newRow("Rom updater") << QString("actionRom_updater") << "btnTargetWriteDir";
    QTest::newRow("FW Loader") << QString("pushButton_4") << "btnTargetWriteDir";
}

void TestFirmwareOpenings::opensOnlyOnAnOpenClientConsole()
{
    QFETCH(QString, opener);
    QFETCH(QString, chooser);
    MainWindow window(prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    // The form slot itself, not the disabled control: it must check the console on its own.
    const QByteArray slot =
        (QStringLiteral("on_") + opener + (opener.startsWith("action") ? "_triggered" : "_clicked"))
            .toLatin1();
    QVERIFY(QMetaObject::invokeMethod(&window, slot));
    QVERIFY(window.findChildren<QDialog *>().isEmpty());

    QTcpServer server;
    QTcpSocket *peer = connectClient(window, server);
    QVERIFY(peer);
    open(window, opener);
    QPointer<QDialog> dialog = openedDialog(window);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->isModal());
    const QString connection = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    if (qobject_cast<FWUpdateDialog *>(dialog))
        QCOMPARE(dialogText(*dialog, "txtConnection"), connection);
    else
        QVERIFY2(dialogText(*dialog, "lblStatus").contains(connection),
                 qPrintable(dialogText(*dialog, "lblStatus")));
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    // The dialog asks its questions through the window's prompter.
    dialog->findChild<QPushButton *>(chooser)->click();
    QCOMPARE(prompter.asked.size(), 1);
    // A dialog with its own connection leaves the console to the window.
    peer->write("still mine\n");
    QVERIFY(rows.wait(3000));
    QCOMPARE(rows.last().at(0).toString(), QStringLiteral("still mine"));

    // Closed, and with the console closed too, nothing opens.
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(dialog.isNull());
    peer->close();
    QTRY_VERIFY(text(window, "btnReconnect").startsWith(QLatin1String("Reconnect")));
    QVERIFY(QMetaObject::invokeMethod(&window, slot));
    QVERIFY(window.findChildren<QDialog *>().isEmpty());
}

void TestFirmwareOpenings::borrowedConsoleIsReadAgainAfterClosing_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("closer"); // a button of the dialog, or empty for Escape
    const auto row = [](const char *name, const char *opener, const char *closer) {
        QTest::newRow(name) << opener << closer;
    };
    row("firmware dialog closed with Close", "actionUpdate_firmware", "cmdCancel");
    row("firmware dialog closed with Escape", "actionUpdate_firmware", "");
    row("ROM manager closed on its write page", "actionRom_updater", "btnWriteClose");
    row("FW Loader closed on its read page", "pushButton_4", "btnReadClose");
    row("ROM manager closed with Escape", "actionRom_updater", "");
}

void TestFirmwareOpenings::borrowedConsoleIsReadAgainAfterClosing()
{
    QFETCH(QString, opener);
    QFETCH(QString, closer);
    MainWindow window(prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    std::unique_ptr<QTcpSocket> board = connectBoard(window);
    QVERIFY(board);
    auto *console = window.findChild<QTcpSocket *>();
    QVERIFY(console);

    open(window, opener);
    QDialog *dialog = openedDialog(window);
    QVERIFY(dialog);
    QVERIFY(dialog->isModal());
    if (auto *firmware = qobject_cast<FWUpdateDialog *>(dialog))
        QCOMPARE(dialogText(*firmware, "txtConnection"), QStringLiteral("REMOTE"));

    // Lent: what the board says now waits in the socket for the dialog.
    const QByteArray lent("while lent\n");
    board->write(lent);
    QTRY_COMPARE(console->bytesAvailable(), qint64(lent.size()));
    QVERIFY(rows.isEmpty());

    const QPointer<QDialog> closed = dialog;
    if (closer.isEmpty())
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        dialog->findChild<QPushButton *>(closer)->click();
    QTRY_VERIFY(closed.isNull());
    // Given back: the waiting line is read at once, and every line after it.
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("while lent"));
    board->write("after\n");
    QVERIFY(rows.wait(3000));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1).at(0).toString(), QStringLiteral("after"));
    QVERIFY(!rows.wait(200)); // read once, not by two readers
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
}

void TestFirmwareOpenings::reopeningReplacesTheDialog()
{
    MainWindow window(prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    std::unique_ptr<QTcpSocket> board = connectBoard(window);
    QVERIFY(board);

    open(window, QStringLiteral("actionRom_updater"));
    QPointer<QDialog> first = openedDialog(window);
    QVERIFY(first);
    // A second opening (the dialog is modal, so only a program can do it) replaces it.
    QVERIFY(QMetaObject::invokeMethod(&window, "on_actionRom_updater_triggered"));
    QTRY_VERIFY(first.isNull());
    QDialog *second = openedDialog(window);
    QVERIFY(second);
    board->write("lent\n");
    QTRY_COMPARE(window.findChild<QTcpSocket *>()->bytesAvailable(), qint64(5));

    second->findChild<QPushButton *>(QStringLiteral("btnWriteClose"))->click();
    QCOMPARE(rows.size(), 1);
    // Closed for good: the next opening is a fresh dialog again.
    open(window, QStringLiteral("actionUpdate_firmware"));
    QTRY_VERIFY(qobject_cast<FWUpdateDialog *>(openedDialog(window)));
}

QTEST_MAIN(TestFirmwareOpenings)
#include "tst_firmwareopenings.moc"
