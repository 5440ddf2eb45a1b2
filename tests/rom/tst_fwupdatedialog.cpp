#include "fakeprompter.h"
#include "fletcher16.h"
#include "fwupdatedialog.h"
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
    void showModes();
    void binVersionRule_data();
    void binVersionRule();
    void spiderImageGoesToSpiderAddress();
    void upperCaseBinGoesHexWay();
    void cancelSendsQuitThenSecondUploadWorks();
    void startRefusedWithWarning_data();
    void startRefusedWithWarning();
    void failureEndsIdleWithReason_data();
    void failureEndsIdleWithReason();
    void statusLineBlinks();
    void closeReportsClosing();

private:
    static void setMainDevice(int type, const QString &sw = QStringLiteral("180101"));
    template<typename T = QAbstractButton> static T *widget(QObject *dialog, const QString &name)
    {
        T *found = dialog->findChild<T *>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }
    static bool idle(QObject *dialog);
    // Shows the dialog in host mode (a connection text) or with the console, then Start.
    static void start(FWUpdateDialog *dialog, const QString &connection, const QString &fileName);
    static void start(FWUpdateDialog *dialog, QTcpSocket *console, const QString &fileName);
    FakePrompter prompter;
};

// Two data records' worth of a board image: "abc" at 0, then the end record.
static const QByteArray kHexFile = ":03000000616263D7\r\n:00000001FF\r\n";

static QString writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
    return name;
}

void TestFWUpdateDialog::setMainDevice(int type, const QString &sw)
{
    if (type == 0) {
        QDeviceMachine::instance()->setMainDevice(nullptr);
        return;
    }
    const Device device(type, QStringLiteral("0011223344aa"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("1"), sw, QStringLiteral("board"));
    QDeviceMachine::instance()->setMainDevice(&device);
}

bool TestFWUpdateDialog::idle(QObject *dialog)
{
    return widget(dialog, QStringLiteral("cmdCancel"))->text() == QLatin1String("Close") &&
           widget(dialog, QStringLiteral("btnStart"))->isEnabled() &&
           widget<QLabel>(dialog, QStringLiteral("lblFirmwareDialog"))->text() ==
               QLatin1String("Select firmware file and press start") &&
           widget<QProgressBar>(dialog, QStringLiteral("progress"))->isHidden();
}

void TestFWUpdateDialog::start(FWUpdateDialog *dialog, const QString &connection,
                               const QString &fileName)
{
    dialog->showWithHost(connection);
    widget<QLineEdit>(dialog, QStringLiteral("txtFilename"))->setText(fileName);
    widget(dialog, QStringLiteral("btnStart"))->click();
}

void TestFWUpdateDialog::start(FWUpdateDialog *dialog, QTcpSocket *console, const QString &fileName)
{
    dialog->showWithSocket(console);
    widget<QLineEdit>(dialog, QStringLiteral("txtFilename"))->setText(fileName);
    widget(dialog, QStringLiteral("btnStart"))->click();
}

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
    FWUpdateDialog dialog(nullptr, &prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("VORNE - Update firmware"));
    auto *list = widget<QComboBox>(&dialog, QStringLiteral("cboDevice"));
    if (firstEntry.isEmpty()) {
        QCOMPARE(list->count(), 0);
        return;
    }
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    QCOMPARE(entries, QStringList({firstEntry, "Button panel", "Exp 1", "Exp 2", "Exp 3", "Exp 4",
                                   "Exp 5", "Exp 6", "Exp 7"}));
}

void TestFWUpdateDialog::chooserFilterAndKeys_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("key");
    QTest::newRow("tube board, Exp 3 stored as lasttube4FW")
        << 2 << 4 << "TUBE fw files (*.tube);;BIN files (*.bin);;Intel HEX files (*.hex)"
        << "lasttube4FW";
    QTest::newRow("main board")
        << 1 << 0 << "KORVO_PCB fw files (*.kvo);;BIN files (*.bin);;Intel HEX files (*.hex)"
        << "lastkorvo0FW";
    QTest::newRow("spider board, button panel")
        << 3 << 1 << "SPIDER fw files (*.spider);;BIN files (*.bin);;Intel HEX files (*.hex)"
        << "lastspider1FW";
    QTest::newRow("no main device offers every kind")
        << 0 << 0
        << "Intel HEX files (*.hex);;BIN files (*.bin);;KORVO_PCB fw files (*.kvo);;"
           "TUBE fw files (*.tube);;SPIDER fw files (*.spider);;"
        << "last0FW";
    QTest::newRow("unknown board shows no chooser") << 9 << 0 << ""
                                                    << "lastunknown0FW";
}

void TestFWUpdateDialog::chooserFilterAndKeys()
{
    QFETCH(int, type);
    QFETCH(int, entry);
    QFETCH(QString, filter);
    QFETCH(QString, key);
    setMainDevice(type);
    QDir().mkpath(QStringLiteral("images"));
    prompter.fileName = QDir::current().absoluteFilePath(QStringLiteral("images/new.tube"));
    FWUpdateDialog dialog(nullptr, &prompter);
    dialog.on_cboDevice_activated(entry);
    SettingsStore::set(QStringLiteral("HEXFolder"), QStringLiteral("/start/here"));
    widget(&dialog, QStringLiteral("pushButton"))->click();
    if (filter.isEmpty()) {
        QVERIFY(prompter.shown.isEmpty());
        QVERIFY(!SettingsStore::get(key, QVariant()).isValid());
        return;
    }
    QCOMPARE(prompter.shown, QStringList({"Open file|/start/here|" + filter}));
    QCOMPARE(widget<QLineEdit>(&dialog, QStringLiteral("txtFilename"))->text(), prompter.fileName);
    QCOMPARE(SettingsStore::get(key, QString()).toString(), prompter.fileName);
    QCOMPARE(SettingsStore::get(QStringLiteral("HEXFolder"), QString()).toString(),
             QDir::current().absoluteFilePath(QStringLiteral("images")));
}

void TestFWUpdateDialog::entryLoadsItsLastFile()
{
    SettingsStore::set(QStringLiteral("lasttube2FW"), QStringLiteral("/fw/exp1.hex"));
    FWUpdateDialog dialog(nullptr, &prompter);
    dialog.on_cboDevice_activated(2);
    QCOMPARE(widget<QLineEdit>(&dialog, QStringLiteral("txtFilename"))->text(),
             QStringLiteral("/fw/exp1.hex"));
    dialog.on_cboDevice_activated(6);
    QCOMPARE(widget<QLineEdit>(&dialog, QStringLiteral("txtFilename"))->text(), QString());
}

void TestFWUpdateDialog::showModes()
{
    SettingsStore::set(QStringLiteral("lasttube0FW"), QStringLiteral("/fw/tube.hex"));
    FWUpdateDialog hostDialog(nullptr, &prompter);
    hostDialog.showWithHost(QStringLiteral("10.0.0.5:23"));
    QVERIFY(hostDialog.isVisible() && hostDialog.isModal());
    QCOMPARE(widget<QLineEdit>(&hostDialog, QStringLiteral("txtConnection"))->text(),
             QStringLiteral("10.0.0.5:23"));
    QCOMPARE(widget<QLineEdit>(&hostDialog, QStringLiteral("txtFilename"))->text(),
             QStringLiteral("/fw/tube.hex"));
    QVERIFY(widget<QProgressBar>(&hostDialog, QStringLiteral("progress"))->isHidden());

    ScriptedBoard board;
    auto console = board.dialIn();
    FWUpdateDialog socketDialog(nullptr, &prompter);
    socketDialog.showWithSocket(console.get());
    QCOMPARE(widget<QLineEdit>(&socketDialog, QStringLiteral("txtConnection"))->text(),
             QStringLiteral("REMOTE"));
}

void TestFWUpdateDialog::binVersionRule_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("software");
    QTest::addColumn<bool>("proceeds");
    QTest::newRow("software below 170507 does nothing") << 2 << "170506" << false;
    QTest::newRow("shorter text sorts below and does nothing") << 2 << "17050" << false;
    QTest::newRow("no main device does nothing") << 0 << "180101" << false;
    QTest::newRow("software 170507 proceeds") << 2 << "170507" << true;
    QTest::newRow("text sorting above proceeds") << 2 << "2" << true;
}

void TestFWUpdateDialog::binVersionRule()
{
    QFETCH(int, type);
    QFETCH(QString, software);
    QFETCH(bool, proceeds);
    setMainDevice(type, software);
    const QByteArray image(300, 'i');
    writeFile(QStringLiteral("tube.bin"), image);
    ScriptedBoard board(true);
    FWUpdateDialog dialog(nullptr, &prompter);
    start(&dialog, board.connection(), "tube.bin");
    if (!proceeds) {
        QVERIFY(idle(&dialog));
        QVERIFY(prompter.shown.isEmpty());
        for (const char *key : {"lasttube0FW", "last0FW"})
            QVERIFY(SettingsStore::get(QLatin1String(key), QString()) != QLatin1String("tube.bin"));
        return;
    }
    QCOMPARE(widget(&dialog, QStringLiteral("cmdCancel"))->text(), QStringLiteral("Cancel"));
    QCOMPARE(widget<QLabel>(&dialog, QStringLiteral("lblFirmwareDialog"))->text(),
             QStringLiteral("Update in progress"));
    QTRY_COMPARE(prompter.shown, QStringList({"Status OK|New firmware uploaded OK"}));
    QVERIFY(idle(&dialog));
    QCOMPARE(board.commands, QByteArrayList({"put_binary 131072:300:" +
                                             QByteArray::number(Fletcher16::of(image)) + "\r\n"}));
    QCOMPARE(SettingsStore::get(QStringLiteral("lasttube0FW"), QString()).toString(),
             QStringLiteral("tube.bin"));
    SettingsStore::set(QStringLiteral("lasttube0FW"), QString());
}

void TestFWUpdateDialog::spiderImageGoesToSpiderAddress()
{
    setMainDevice(3);
    writeFile(QStringLiteral("spider.bin"), "sp");
    ScriptedBoard board(true);
    auto console = board.dialIn();
    FWUpdateDialog dialog(nullptr, &prompter);
    start(&dialog, console.get(), "spider.bin");
    QTRY_COMPARE(prompter.shown, QStringList({"Status OK|New firmware uploaded OK"}));
    QCOMPARE(board.commands.size(), 1);
    QVERIFY(board.commands.at(0).startsWith("put_binary 7864320:2:"));
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
}

void TestFWUpdateDialog::upperCaseBinGoesHexWay()
{
    writeFile(QStringLiteral("FW.BIN"), kHexFile);
    ScriptedBoard board;
    FWUpdateDialog dialog(nullptr, &prompter);
    start(&dialog, board.connection(), "FW.BIN");
    QTRY_VERIFY(board.peer);
    board.send(">");
    QTRY_COMPARE(board.received, QByteArray("bl\r\n"));
    widget(&dialog, QStringLiteral("cmdCancel"))->click();
    QVERIFY(idle(&dialog));
}

void TestFWUpdateDialog::cancelSendsQuitThenSecondUploadWorks()
{
    setMainDevice(1);
    writeFile(QStringLiteral("main.kvo"), kHexFile);
    ScriptedBoard board;
    FWUpdateDialog dialog(nullptr, &prompter);
    start(&dialog, board.connection(), "main.kvo");
    QTRY_VERIFY(board.peer);
    board.send(">");
    QTRY_COMPARE(board.received, QByteArray("bl\r\n"));
    board.send("BL>");
    QTRY_COMPARE(board.received, QByteArray("bl\r\n:03000000616263D7\r\n"));
    widget(&dialog, QStringLiteral("cmdCancel"))->click();
    QVERIFY(idle(&dialog));
    QTRY_VERIFY(board.received.endsWith("q\r\n"));
    QVERIFY(prompter.shown.isEmpty());

    QTcpSocket *first = board.peer;
    board.received.clear();
    widget(&dialog, QStringLiteral("btnStart"))->click();
    QTRY_VERIFY(board.peer != first);
    board.send(">");
    QTRY_COMPARE(board.received, QByteArray("bl\r\n"));
    board.send("BL>");
    QTRY_VERIFY(board.received.endsWith(":03000000616263D7\r\n"));
    board.send("BL>");
    QTRY_VERIFY(board.received.endsWith(":00000001FF\r\n"));
    board.send("BL>");
    QTRY_VERIFY(board.received.endsWith("$19495\r\n"));
    QTRY_COMPARE(prompter.shown, QStringList({"Status OK|New firmware uploaded OK"}));
    QVERIFY(idle(&dialog));
}

void TestFWUpdateDialog::startRefusedWithWarning_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("withPort");
    QTest::addColumn<QString>("told");
    QTest::newRow("host mode without a port starts nothing")
        << 2 << "np.hex" << false << "has no port";
    QTest::newRow("ROM image for a main board starts nothing")
        << 1 << "main.bin" << true << "tube or a spider";
}

void TestFWUpdateDialog::startRefusedWithWarning()
{
    QFETCH(int, type);
    QFETCH(QString, fileName);
    QFETCH(bool, withPort);
    QFETCH(QString, told);
    setMainDevice(type);
    writeFile(fileName, kHexFile);
    ScriptedBoard board(true);
    FWUpdateDialog dialog(nullptr, &prompter);
    start(&dialog, withPort ? board.connection() : QStringLiteral("127.0.0.1"), fileName);
    QCOMPARE(prompter.shown.size(), 1);
    QVERIFY2(prompter.shown.at(0).startsWith("Error|") && prompter.shown.at(0).contains(told),
             qPrintable(prompter.shown.at(0)));
    QVERIFY(idle(&dialog));
    QCOMPARE(board.connections, 0);
}

enum class Fault { MissingBin, MissingHex, Refused, Dropped, FinalText };
Q_DECLARE_METATYPE(Fault)

void TestFWUpdateDialog::failureEndsIdleWithReason_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("ROM image that cannot be opened") << Fault::MissingBin << "Cannot open";
    QTest::newRow("HEX file that cannot be opened") << Fault::MissingHex << "";
    QTest::newRow("connection that cannot be made") << Fault::Refused << "Cannot connect";
    QTest::newRow("connection lost mid-transfer") << Fault::Dropped << "lost";
    QTest::newRow("own connection ending on a non-prompt reply")
        << Fault::FinalText << "WRITE FAILED";
}

void TestFWUpdateDialog::failureEndsIdleWithReason()
{
    QFETCH(Fault, fault);
    QFETCH(QString, reason);
    writeFile(QStringLiteral("ok.bin"), QByteArray(500, 'o'));
    ScriptedBoard board;
    QString connection = board.connection();
    QString fileName = QStringLiteral("ok.bin");
    if (fault == Fault::MissingBin)
        fileName = QStringLiteral("missing.bin");
    if (fault == Fault::MissingHex)
        fileName = QStringLiteral("missing.hex");
    if (fault == Fault::Refused) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        connection = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    }
    FWUpdateDialog dialog(nullptr, &prompter);
    start(&dialog, connection, fileName);
    if (fault == Fault::Dropped || fault == Fault::FinalText) {
        QTRY_VERIFY(board.peer);
        board.send(">");
        QTRY_VERIFY(board.received.endsWith("\r\n"));
        board.send(">");
        QTRY_COMPARE(board.received.size(), board.received.indexOf('\n') + 1 + 247);
        if (fault == Fault::Dropped) {
            board.peer->close();
        } else {
            board.send(">");
            QTRY_COMPARE(board.received.size(), board.received.indexOf('\n') + 1 + 247 * 2);
            board.send(">");
            QTRY_COMPARE(board.received.size(), board.received.indexOf('\n') + 1 + 494 + 27);
            board.send("WRITE FAILED\r\n");
        }
    }
    QTRY_COMPARE(prompter.shown.size(), 1);
    const QString box = prompter.shown.at(0);
    QVERIFY2(box.startsWith(QLatin1String("Error|Something went wrong, try again")) &&
                 box.contains(reason),
             qPrintable(box));
    QVERIFY(idle(&dialog));
}

void TestFWUpdateDialog::statusLineBlinks()
{
    FWUpdateDialog dialog(nullptr, &prompter);
    dialog.showWithHost(QStringLiteral("127.0.0.1:23"));
    auto *status = widget<QLabel>(&dialog, QStringLiteral("lblFirmwareDialog"));
    QVERIFY(status->isVisible());
    dialog.progressTimer();
    QVERIFY(!status->isVisible());
    dialog.progressTimer();
    QVERIFY(status->isVisible());
}

void TestFWUpdateDialog::closeReportsClosing()
{
    auto *dialog = new FWUpdateDialog(nullptr, &prompter);
    QPointer<FWUpdateDialog> alive(dialog);
    QSignalSpy closingSpy(dialog, &FWUpdateDialog::closing);
    dialog->showWithHost(QStringLiteral("127.0.0.1:23"));
    widget(dialog, QStringLiteral("cmdCancel"))->click();
    QCOMPARE(closingSpy.size(), 1);
    QCOMPARE(closingSpy.at(0).at(0).toInt(), 3);
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY(!alive);
}

QTEST_MAIN(TestFWUpdateDialog)
#include "tst_fwupdatedialog.moc"
