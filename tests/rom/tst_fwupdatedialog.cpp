#include "fakeprompter.h"
#include "fletcher16.h"
#include "fwupdatedialog.h"
#include "hextestfiles.h"
#include "qdevicemachine.h"
#include "scriptedboard.h"
#include "settingsstore.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QtTest>

using HexTestFiles::writeFile;

namespace {

// "abc" at 0, then the end record.
const QByteArray kHexFile = ":03000000616263D7\r\n:00000001FF\r\n";
const QString kUploaded = QStringLiteral("Status OK|New firmware uploaded OK");

template<typename T = QAbstractButton> T *widget(QObject *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

QString fileName(QObject *dialog)
{
    return widget<QLineEdit>(dialog, "txtFilename")->text();
}

void setMainDevice(int type, const QString &sw = QStringLiteral("180101"))
{
    const Device device(type, QStringLiteral("0011223344aa"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("1"), sw, QStringLiteral("board"));
    QDeviceMachine::instance()->setMainDevice(type ? &device : nullptr);
}

bool idle(QObject *dialog)
{
    return widget(dialog, "cmdCancel")->text() == QLatin1String("Close") &&
           widget(dialog, "btnStart")->isEnabled() &&
           widget<QLabel>(dialog, "lblFirmwareDialog")->text() ==
               QLatin1String("Select firmware file and press start") &&
           widget<QProgressBar>(dialog, "progress")->isHidden();
}

// Shows the dialog with the console, or else in host mode with a connection text; then Start.
void start(FWUpdateDialog *dialog, const QString &file, const QString &connection,
           QTcpSocket *console = nullptr)
{
    if (console)
        dialog->showWithSocket(console);
    else
        dialog->showWithHost(connection);
    widget<QLineEdit>(dialog, "txtFilename")->setText(file);
    widget(dialog, "btnStart")->click();
}

} // namespace

// The firmware dialog driven by its object names: board list, remembered files, the choice
// between bootloader and ROM path, and that every upload ends back in the idle look.
class TestFWUpdateDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void boardList_data();
    void boardList();
    void chooserFilterAndKeys_data();
    void chooserFilterAndKeys();
    void entryLoadsItsLastFile();
    void binImage_data();
    void binImage();
    void cancelSendsQuitThenSecondUploadWorks();
    void failureEndsIdleWithReason_data();
    void failureEndsIdleWithReason();
    void statusBlinksAndCloseReportsClosing();

private:
    FakePrompter prompter;
};

void TestFWUpdateDialog::initTestCase()
{
    QDeviceMachine::setReceivePort(std::nullopt); // no UDP needed here
    QLoggingCategory::setFilterRules(QStringLiteral("vorne.*.debug=false"));
}

void TestFWUpdateDialog::init()
{
    prompter = FakePrompter();
    setMainDevice(2);
}

void TestFWUpdateDialog::boardList_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("firstEntry");
    QTest::newRow("main board") << 1 << "Main KORVO PCB";
    QTest::newRow("tube board") << 2 << "Tube PCB";
    QTest::newRow("spider board") << 3 << "Spider PCB";
    QTest::newRow("board of another type") << 9 << "Unknown PCB";
    QTest::newRow("no main device leaves the list empty") << 0 << "";
}

void TestFWUpdateDialog::boardList()
{
    QFETCH(int, type);
    QFETCH(QString, firstEntry);
    setMainDevice(type);
    FWUpdateDialog dialog(nullptr, prompter);
    auto *list = widget<QComboBox>(&dialog, "cboDevice");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    QStringList expected = {firstEntry, "Button panel"};
    for (int exp = 1; exp <= 7; ++exp)
        expected << QStringLiteral("Exp %1").arg(exp);
    QCOMPARE(entries, firstEntry.isEmpty() ? QStringList() : expected);
}

void TestFWUpdateDialog::chooserFilterAndKeys_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("filter"); // how the chooser's filter starts; empty: no chooser
    QTest::newRow("tube board, Exp 3 stored as lasttube4FW")
        << 2 << 4 << "lasttube4FW"
        << "TUBE fw files (*.tube);;BIN files (*.bin);;Intel HEX";
    QTest::newRow("main board") << 1 << 0 << "lastkorvo0FW"
                                << "KORVO_PCB fw files (*.kvo);;";
    QTest::newRow("spider board") << 3 << 1 << "lastspider1FW"
                                  << "SPIDER fw files (*.spider);;";
    QTest::newRow("no main device offers every kind")
        << 0 << 0 << "last0FW"
        << "Intel HEX files (*.hex);;BIN files (*.bin);;KORVO_PCB";
    QTest::newRow("unknown board shows no chooser") << 9 << 0 << "lastunknown0FW"
                                                    << "";
}

void TestFWUpdateDialog::chooserFilterAndKeys()
{
    QFETCH(int, type);
    QFETCH(int, entry);
    QFETCH(QString, key);
    QFETCH(QString, filter);
    setMainDevice(type);
    QDir().mkpath(QStringLiteral("images"));
    const QString chosen = QDir::current().absoluteFilePath(QStringLiteral("images/new.tube"));
    prompter.answer(chosen);
    FWUpdateDialog dialog(nullptr, prompter);
    dialog.on_cboDevice_activated(entry);
    SettingsStore::set(QStringLiteral("HEXFolder"), QStringLiteral("/start/here"));
    widget(&dialog, "pushButton")->click();
    if (filter.isEmpty()) {
        QVERIFY(prompter.shown().isEmpty());
        QVERIFY(!SettingsStore::get(key, QVariant()).isValid());
        return;
    }
    QCOMPARE(prompter.shown(), QStringList{"Open file|/start/here"});
    QVERIFY2(prompter.asked.at(0).detail.startsWith(filter), qPrintable(prompter.asked.at(0).detail));
    QCOMPARE(fileName(&dialog), chosen);
    QCOMPARE(SettingsStore::get(key, QString()).toString(), chosen);
    QCOMPARE(SettingsStore::get(QStringLiteral("HEXFolder"), QString()).toString(),
             QDir::current().absoluteFilePath(QStringLiteral("images")));
}

void TestFWUpdateDialog::entryLoadsItsLastFile()
{
    SettingsStore::set(QStringLiteral("lasttube2FW"), QStringLiteral("/fw/exp1.hex"));
    SettingsStore::set(QStringLiteral("lasttube0FW"), QStringLiteral("/fw/tube.hex"));
    FWUpdateDialog dialog(nullptr, prompter);
    dialog.showWithHost(QStringLiteral("10.0.0.5:23"));
    QVERIFY(dialog.isVisible() && dialog.isModal() && idle(&dialog));
    QCOMPARE(widget<QLineEdit>(&dialog, "txtConnection")->text(), QStringLiteral("10.0.0.5:23"));
    QCOMPARE(fileName(&dialog), QStringLiteral("/fw/tube.hex"));
    dialog.on_cboDevice_activated(2);
    QCOMPARE(fileName(&dialog), QStringLiteral("/fw/exp1.hex"));
    dialog.on_cboDevice_activated(6);
    QCOMPARE(fileName(&dialog), QString());
}

void TestFWUpdateDialog::binImage_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("software");
    QTest::addColumn<bool>("onConsole");
    QTest::addColumn<int>("address"); // 0: nothing happens
    QTest::newRow("software below 170507 does nothing") << 2 << "170506" << false << 0;
    QTest::newRow("shorter text sorts below and does nothing") << 2 << "17050" << false << 0;
    QTest::newRow("no main device does nothing") << 0 << "180101" << false << 0;
    QTest::newRow("software 170507 writes the tube address") << 2 << "170507" << false << 131072;
    QTest::newRow("text sorting above proceeds") << 2 << "2" << false << 131072;
    QTest::newRow("spider image on the console") << 3 << "180101" << true << 7864320;
}

void TestFWUpdateDialog::binImage()
{
    QFETCH(int, type);
    QFETCH(QString, software);
    QFETCH(bool, onConsole);
    QFETCH(int, address);
    setMainDevice(type, software);
    SettingsStore::set(QStringLiteral("lasttube0FW"), QString());
    const QByteArray image(300, 'i');
    QVERIFY(writeFile(QStringLiteral("fw.bin"), image));
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    auto console = onConsole ? board.dialIn() : nullptr;
    FWUpdateDialog dialog(nullptr, prompter);
    start(&dialog, "fw.bin", board.connection(), console.get());
    if (!address) {
        QVERIFY(idle(&dialog));
        QVERIFY(prompter.shown().isEmpty());
        QCOMPARE(board.connections, 0);
        for (const char *key : {"lasttube0FW", "last0FW"})
            QVERIFY(SettingsStore::get(QLatin1String(key), QString()) != QLatin1String("fw.bin"));
        return;
    }
    QCOMPARE(widget(&dialog, "cmdCancel")->text(), QStringLiteral("Cancel"));
    QCOMPARE(widget<QLabel>(&dialog, "lblFirmwareDialog")->text(),
             QStringLiteral("Update in progress"));
    QTRY_COMPARE(prompter.shown(), QStringList{kUploaded});
    QVERIFY(idle(&dialog));
    QCOMPARE(board.commands, QByteArrayList{"put_binary " + QByteArray::number(address) + ":300:" +
                                            QByteArray::number(Fletcher16::of(image)) + "\r\n"});
    if (console)
        QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    else
        QCOMPARE(SettingsStore::get(QStringLiteral("lasttube0FW"), QString()).toString(),
                 QStringLiteral("fw.bin"));
}

void TestFWUpdateDialog::cancelSendsQuitThenSecondUploadWorks()
{
    // On a tube board only ".bin" is a ROM image: "FW.BIN" goes the bootloader's way.
    QVERIFY(writeFile(QStringLiteral("FW.BIN"), kHexFile));
    ScriptedBoard board;
    FWUpdateDialog dialog(nullptr, prompter);
    start(&dialog, "FW.BIN", board.connection());
    board.send(">");
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    board.send("BL>");
    QCOMPARE(board.line(), QByteArray(":03000000616263D7\r\n"));
    widget(&dialog, "cmdCancel")->click();
    QVERIFY(idle(&dialog));
    QCOMPARE(board.line(), QByteArray("q\r\n"));
    QVERIFY(prompter.shown().isEmpty());

    board.answers = ScriptedBoard::Answers::Bootloader;
    board.received.clear();
    widget(&dialog, "btnStart")->click();
    QTRY_COMPARE(prompter.shown(), QStringList{kUploaded});
    QCOMPARE(board.connections, 2);
    QCOMPARE(board.received, "bl\r\n" + kHexFile + "$19495\r\n");
    QVERIFY(idle(&dialog));
}

void TestFWUpdateDialog::failureEndsIdleWithReason_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fault"); // of the connection or the board
    QTest::addColumn<QString>("told");
    const QString again = QStringLiteral("Something went wrong, try again\n");
    QTest::newRow("host mode without a port starts nothing") << 2 << "np.hex"
                                                             << "no port"
                                                             << "has no port";
    QTest::newRow("ROM image for a main board starts nothing")
        << 1 << "ok.bin"
        << ""
        << "can be written only to a tube or a spider";
    QTest::newRow("ROM image that cannot be opened") << 2 << "missing.bin"
                                                     << "" << again + "Cannot open";
    QTest::newRow("HEX file that cannot be opened") << 2 << "missing.hex"
                                                    << "" << again + "cannot open";
    QTest::newRow("connection that cannot be made") << 2 << "ok.bin"
                                                    << "refused" << again + "Cannot connect";
    QTest::newRow("connection lost mid-transfer")
        << 2 << "ok.bin"
        << "hang up" << again + "The connection to the board was lost";
    QTest::newRow("own connection ending on a non-prompt reply")
        << 2 << "ok.bin"
        << "WRITE FAILED" << again + "The board answered \"WRITE FAILED\"";
}

void TestFWUpdateDialog::failureEndsIdleWithReason()
{
    QFETCH(int, type);
    QFETCH(QString, file);
    QFETCH(QString, fault);
    QFETCH(QString, told);
    setMainDevice(type);
    QVERIFY(writeFile(QStringLiteral("ok.bin"), QByteArray(500, 'o')));
    QVERIFY(writeFile(QStringLiteral("np.hex"), kHexFile));
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    board.hangUpAtPacket = fault == "hang up" ? 2 : 0;
    if (fault == "WRITE FAILED")
        board.lastPacketAnswer = "WRITE FAILED\r\n";
    QString connection = fault == "no port" ? QStringLiteral("127.0.0.1") : board.connection();
    if (fault == "refused") {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        connection = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    }
    FWUpdateDialog dialog(nullptr, prompter);
    start(&dialog, file, connection);
    QTRY_COMPARE(prompter.shown().size(), 1);
    QVERIFY2(prompter.shown().at(0).startsWith("Error|") && prompter.shown().at(0).contains(told),
             qPrintable(prompter.shown().at(0)));
    QVERIFY(idle(&dialog));
    QCOMPARE(board.connections, fault == "hang up" || fault == "WRITE FAILED" ? 1 : 0);
}

void TestFWUpdateDialog::statusBlinksAndCloseReportsClosing()
{
    QPointer<FWUpdateDialog> dialog = new FWUpdateDialog(nullptr, prompter);
    QSignalSpy closingSpy(dialog.data(), &FWUpdateDialog::closing);
    dialog->showWithHost(QStringLiteral("127.0.0.1:23"));
    auto *status = widget<QLabel>(dialog, "lblFirmwareDialog");
    QVERIFY(status->isVisible());
    dialog->progressTimer();
    QVERIFY(!status->isVisible());
    dialog->progressTimer();
    QVERIFY(status->isVisible());
    widget(dialog, "cmdCancel")->click();
    QCOMPARE(closingSpy.size(), 1);
    QCOMPARE(closingSpy.at(0).at(0).toInt(), 3);
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY(!dialog);
}

QTEST_MAIN(TestFWUpdateDialog)
#include "tst_fwupdatedialog.moc"
