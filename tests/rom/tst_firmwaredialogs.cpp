#include "fakeprompter.h"
#include "fletcher16.h"
#include "fwromtranferdialog.h"
#include "fwupdatedialog.h"
#include "hextestfiles.h"
#include "qdevicemachine.h"
#include "scriptedboard.h"
#include "settingsstore.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
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
    T *found = dialog->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

QString text(QObject *dialog, const char *name)
{
    if (auto *line = dialog->findChild<QLineEdit *>(QLatin1String(name)))
        return line->text();
    return widget<QLabel>(dialog, name)->text();
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
           text(dialog, "lblFirmwareDialog") == "Select firmware file and press start" &&
           widget<QProgressBar>(dialog, "progress")->isHidden();
}

// Shows the firmware dialog with the console, or else with a connection text; then Start.
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

QByteArray putBinary(quint32 address, const QByteArray &content)
{
    return "put_binary " + QByteArray::number(address) + ':' + QByteArray::number(content.size()) +
           ':' + QByteArray::number(Fletcher16::of(content)) + "\r\n";
}

} // namespace

// The firmware dialog and the ROM manager driven by their object names, against a board
// played by the test: remembered files, the choice of path, and what each shows at the end.
class TestFirmwareDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void chosenFileRemembered();
    void startChoosesPath_data();
    void startChoosesPath();
    void cancelSendsQuitThenSecondUploadWorks();
    void romWriteFromChosenFolder();
    void romFailureShownInStatus();

private:
    FakePrompter prompter;
};

void TestFirmwareDialogs::initTestCase()
{
    QDeviceMachine::setReceivePort(std::nullopt); // no UDP needed here
    QLoggingCategory::setFilterRules(QStringLiteral("vorne.*.debug=false"));
}

void TestFirmwareDialogs::init()
{
    prompter = FakePrompter();
    setMainDevice(2);
    SettingsStore::set(QStringLiteral("romupdater_write_path"), QStringLiteral(".//rom//"));
}

void TestFirmwareDialogs::chosenFileRemembered()
{
    const QString chosen = QDir::current().absoluteFilePath(QStringLiteral("images/new.tube"));
    prompter.answer(chosen);
    SettingsStore::set(QStringLiteral("HEXFolder"), QStringLiteral("/start/here"));
    SettingsStore::set(QStringLiteral("lasttube0FW"), QStringLiteral("/fw/tube.hex"));
    FWUpdateDialog dialog(nullptr, prompter);
    dialog.showWithHost(QStringLiteral("10.0.0.5:23"));
    QVERIFY(dialog.isModal() && idle(&dialog));
    QCOMPARE(text(&dialog, "txtFilename"), QStringLiteral("/fw/tube.hex"));
    dialog.on_cboDevice_activated(4);
    QCOMPARE(text(&dialog, "txtFilename"), QString()); // an entry never used
    widget(&dialog, "pushButton")->click();
    QCOMPARE(prompter.shown(), QStringList{"Open file|/start/here"});
    QVERIFY(prompter.asked.at(0).detail.startsWith("TUBE fw files (*.tube);;BIN files (*.bin)"));
    QCOMPARE(text(&dialog, "txtFilename"), chosen);
    QCOMPARE(SettingsStore::get(QStringLiteral("lasttube4FW"), QString()).toString(), chosen);
    QCOMPARE(SettingsStore::get(QStringLiteral("HEXFolder"), QString()).toString(),
             QDir::current().absoluteFilePath(QStringLiteral("images")));
}

// Which path Start takes, and what the dialog shows at the end. Which transfer failures there
// are is the transfers' own: the dialog shows every one the same way.
void TestFirmwareDialogs::startChoosesPath_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("software");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("connection"); // "board": the test's board; "console": its console
    QTest::addColumn<QString>("told");       // the message box; empty: none, nothing started
    QTest::addColumn<int>("address");        // of the put_binary command; 0: none
    const auto row = [](const char *name, int type, const char *software, const char *file,
                        const char *connection, const QString &told, int address = 0) {
        QTest::newRow(name) << type << software << file << connection << told << address;
    };
    row("software below 170507: an image does nothing", 2, "170506", "fw.bin", "board", "");
    row("software 170507: an image goes to the tube address", 2, "170507", "fw.bin", "board",
        kUploaded, 0x20000);
    row("a spider image on the console", 3, "180101", "fw.bin", "console", kUploaded, 0x780000);
    row("an image for a main board: a warning", 1, "180101", "fw.bin", "board",
        "Error|A .bin firmware image can be written only to a tube or a spider board.");
    row("host mode without a port: a warning", 2, "180101", "fw.hex", "127.0.0.1",
        "Error|The connection \"127.0.0.1\" has no port");
    row("a failed upload: its reason", 2, "180101", "missing.hex", "board",
        "Error|Something went wrong, try again\ncannot open missing.hex");
}

void TestFirmwareDialogs::startChoosesPath()
{
    QFETCH(int, type);
    QFETCH(QString, software);
    QFETCH(QString, file);
    QFETCH(QString, connection);
    QFETCH(QString, told);
    QFETCH(int, address);
    setMainDevice(type, software);
    SettingsStore::set(QStringLiteral("lasttube0FW"), QString());
    const QByteArray image(300, 'i');
    QVERIFY(writeFile(QStringLiteral("fw.bin"), image) && writeFile("fw.hex", kHexFile));
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    auto console = connection == "console" ? board.dialIn() : nullptr;
    FWUpdateDialog dialog(nullptr, prompter);
    start(&dialog, file, connection == "board" ? board.connection() : connection, console.get());
    if (told.isEmpty()) {
        QVERIFY(idle(&dialog) && prompter.shown().isEmpty());
        QCOMPARE(board.connections, 0);
        QCOMPARE(SettingsStore::get(QStringLiteral("lasttube0FW"), QString()).toString(), "");
        return;
    }
    QTRY_COMPARE(prompter.shown().size(), 1);
    QVERIFY2(prompter.shown().at(0).startsWith(told), qPrintable(prompter.shown().at(0)));
    QVERIFY(idle(&dialog));
    QCOMPARE(board.commands,
             address ? QByteArrayList{putBinary(address, image)} : QByteArrayList());
    QVERIFY(!console || console->state() == QAbstractSocket::ConnectedState);
}

void TestFirmwareDialogs::cancelSendsQuitThenSecondUploadWorks()
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

    // The next Start is a fresh upload on a connection of its own; the window then closes
    // with it still running.
    widget(&dialog, "btnStart")->click();
    QTRY_COMPARE(board.connections, 2);
    board.send(">");
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
}

// A write from the chosen folder: every button held until the board has confirmed the file.
void TestFirmwareDialogs::romWriteFromChosenFolder()
{
    const QString folder = QDir::currentPath() + QStringLiteral("/images");
    const QByteArray content(300, 'g');
    QVERIFY(writeFile(folder + QStringLiteral("/gui/btn_start.bin"), content));
    ScriptedBoard board; // silent until told otherwise
    FWRomTranferDialog dialog(board.connection(), nullptr, prompter);
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    QSignalSpy closingSpy(&dialog, &FWRomTranferDialog::closing);
    dialog.show();
    prompter.answer(folder);
    widget(&dialog, "btnTargetWriteDir")->click();
    QCOMPARE(prompter.shown(), QStringList({"Open Directory|.//rom//"}));
    QCOMPARE(text(&dialog, "lblWriteDir"), folder);
    QCOMPARE(SettingsStore::get(QStringLiteral("romupdater_write_path"), QString()).toString(),
             folder);

    widget(&dialog, "opt_writeGUI2")->click();
    widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->click();
    QTRY_VERIFY(board.peer);
    for (const char *name : {"btn_write_ROM_GUI1_ADDR_TOP_LEFT", "btnWriteClose", "btnFWTube"})
        QVERIFY2(!widget(&dialog, name)->isEnabled(), name);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible() && closingSpy.isEmpty());

    board.answers = ScriptedBoard::Answers::Rom;
    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.commands, QByteArrayList{putBinary(6053471, content)}); // BTN_START of GUI2
    QCOMPARE(board.data, content);
    QVERIFY(widget(&dialog, "btnWriteClose")->isEnabled());
    QVERIFY(text(&dialog, "lblStatus").endsWith("written."));
}

// Every transfer failure gets the same reaction: the reason in the status line, idle again.
void TestFirmwareDialogs::romFailureShownInStatus()
{
    QVERIFY(writeFile(QStringLiteral("rom/gui/btn_start.bin"), "x"));
    FWRomTranferDialog dialog(QStringLiteral("127.0.0.1"), nullptr, prompter);
    QVERIFY(text(&dialog, "lblStatus").contains("no port"));
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY(widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->isEnabled());
    QVERIFY2(text(&dialog, "lblStatus").contains("btn_start.bin failed: No host and port"),
             qPrintable(text(&dialog, "lblStatus")));
}

QTEST_MAIN(TestFirmwareDialogs)
#include "tst_firmwaredialogs.moc"
