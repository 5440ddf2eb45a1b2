#include "fakeprompter.h"
#include "fletcher16.h"
#include "fwromtranferdialog.h"
#include "fwupdatedialog.h"
#include "hextestfiles.h"
#include "qdevicemachine.h"
#include "rompacket.h"
#include "scriptedboard.h"
#include "settingsstore.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

using namespace HexTestFiles;

namespace {

const QByteArray kAbc = record(0, 0, "abc") + "\r\n";

template<typename T = QAbstractButton> T *widget(QObject *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

// The text of a label, line edit or button.
QString text(QObject *dialog, const char *name)
{
    return widget<QWidget>(dialog, name)->property("text").toString();
}

QString setting(const char *key)
{
    return SettingsStore::get(QLatin1String(key), QString()).toString();
}

void setMainDevice(int type, const QString &sw = QStringLiteral("180101"))
{
    const Device device(type, QStringLiteral("0011223344aa"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("1"), sw, QStringLiteral("board"));
    QDeviceMachine::instance()->setMainDevice(&device);
}

bool idle(QObject *dialog)
{
    return text(dialog, "cmdCancel") == QLatin1String("Close") &&
           widget(dialog, "btnStart")->isEnabled() &&
           text(dialog, "lblFirmwareDialog") == "Select firmware file and press start" &&
           widget<QProgressBar>(dialog, "progress")->isHidden();
}

} // namespace

// The firmware dialog and the ROM manager driven by their object names, against a board
// played by the test: remembered files and folders, the path Start takes, Cancel, and what
// each shows at the end. Which failures a transfer has is the transfer's own.
class TestFirmwareDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
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
    setMainDevice(2);
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
    QCOMPARE(setting("lasttube4FW"), chosen);
    QCOMPARE(setting("HEXFolder"), QDir::current().absoluteFilePath(QStringLiteral("images")));
}

// Which path Start takes: nothing, a warning, the upload's failure, or a ROM write of the
// image to the board's firmware address, seen in its put_binary command.
void TestFirmwareDialogs::startChoosesPath_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("software");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("connection"); // "board": the test's board; "console": its console
    QTest::addColumn<QString>("told");       // the message box; empty: none
    QTest::addColumn<QByteArray>("sent");    // to the board once it prompted; empty: nothing
    const auto row = [](const char *name, int type, const char *software, const char *file,
                        const char *connection, const QString &told, const QByteArray &sent) {
        QTest::newRow(name) << type << software << file << connection << told << sent;
    };
    const auto rom = [](quint32 address) {
        return RomPacket::putBinaryCommand(address, 300, Fletcher16::of(QByteArray(300, 'i')));
    };
    row("software below 170507: an image does nothing", 2, "170506", "fw.bin", "board", "", "");
    row("software 170507: an image goes to the tube address", 2, "170507", "fw.bin", "board", "",
        rom(0x20000));
    row("a spider image on the console", 3, "180101", "fw.bin", "console", "",
        "\r\n" + rom(0x780000));
    row("an image for a main board: a warning", 1, "180101", "fw.bin", "board",
        "Error|A .bin firmware image can be written only to a tube or a spider board.", "");
    row("host mode without a port: a warning", 2, "180101", "fw.hex", "127.0.0.1",
        "Error|The connection \"127.0.0.1\" has no port", "");
    row("a failed upload: its reason", 2, "180101", "missing.hex", "board",
        "Error|Something went wrong, try again\ncannot open missing.hex", "");
}

void TestFirmwareDialogs::startChoosesPath()
{
    QFETCH(int, type);
    QFETCH(QString, software);
    QFETCH(QString, file);
    QFETCH(QString, connection);
    QFETCH(QString, told);
    QFETCH(QByteArray, sent);
    setMainDevice(type, software);
    SettingsStore::set(QStringLiteral("lasttube0FW"), QString());
    QVERIFY(writeFile("fw.bin", QByteArray(300, 'i')) && writeFile("fw.hex", kAbc));
    prompter = FakePrompter();
    ScriptedBoard board;
    const auto console = connection == "console" ? board.dialIn() : nullptr;
    FWUpdateDialog dialog(nullptr, prompter);
    if (console)
        dialog.showWithSocket(console.get());
    else
        dialog.showWithHost(connection == "board" ? board.connection() : connection);
    widget<QLineEdit>(&dialog, "txtFilename")->setText(file);
    widget(&dialog, "btnStart")->click();
    if (!sent.isEmpty()) {
        QTRY_VERIFY(board.peer);
        board.send(">");
        QCOMPARE(board.take(sent.size()), sent);
        return;
    }
    QTRY_COMPARE(prompter.shown().size(), told.isEmpty() ? 0 : 1);
    QVERIFY(told.isEmpty() || prompter.shown().at(0).startsWith(told));
    QVERIFY(idle(&dialog));
    QCOMPARE(board.connections, 0);
    QCOMPARE(setting("lasttube0FW"), told.startsWith("Error|Something") ? file : "");
}

void TestFirmwareDialogs::cancelSendsQuitThenSecondUploadWorks()
{
    // On a tube board only ".bin" is a ROM image: "FW.BIN" goes the bootloader's way.
    QVERIFY(writeFile(QStringLiteral("FW.BIN"), kAbc + ":00000001FF\r\n"));
    prompter = FakePrompter();
    ScriptedBoard board;
    FWUpdateDialog dialog(nullptr, prompter);
    dialog.showWithHost(board.connection());
    widget<QLineEdit>(&dialog, "txtFilename")->setText("FW.BIN");
    widget(&dialog, "btnStart")->click();
    board.send(">");
    QCOMPARE(board.line(), QByteArray("bl\r\n"));
    board.send("BL>");
    QCOMPARE(board.line(), kAbc);
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
    SettingsStore::set(QStringLiteral("romupdater_write_path"), QStringLiteral(".//rom//"));
    const QString folder = QDir::currentPath() + QStringLiteral("/images");
    const QByteArray content = noise(240); // one packet
    QVERIFY(writeFile(folder + QStringLiteral("/gui/btn_start.bin"), content));
    prompter = FakePrompter();
    prompter.answer(folder);
    ScriptedBoard board;
    FWRomTranferDialog dialog(board.connection(), nullptr, prompter);
    QSignalSpy done(&dialog, &FWRomTranferDialog::done);
    QSignalSpy closing(&dialog, &FWRomTranferDialog::closing);
    dialog.show();
    widget(&dialog, "btnTargetWriteDir")->click();
    QCOMPARE(prompter.shown(), QStringList({"Open Directory|.//rom//"}));
    QCOMPARE(text(&dialog, "lblWriteDir"), folder);
    QCOMPARE(setting("romupdater_write_path"), folder);

    widget(&dialog, "opt_writeGUI2")->click();
    widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->click();
    QTRY_VERIFY(board.peer);
    for (const char *name : {"btn_write_ROM_GUI1_ADDR_TOP_LEFT", "btnWriteClose", "btnFWTube"})
        QVERIFY2(!widget(&dialog, name)->isEnabled(), name);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible() && closing.isEmpty());

    board.send(">"); // BTN_START of GUI2 is at 6053471
    QCOMPARE(board.line(),
             RomPacket::putBinaryCommand(6053471, content.size(), Fletcher16::of(content)));
    board.send(">");
    QCOMPARE(board.take(247), RomPacket::frame(content, 0));
    board.send(">");
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 1);
    QVERIFY(widget(&dialog, "btnWriteClose")->isEnabled());
    QCOMPARE(text(&dialog, "lblStatus"),
             QDir::toNativeSeparators(folder + "/gui/btn_start.bin") + " written.");
}

// Every transfer failure gets the same reaction: the reason in the status line, idle again.
void TestFirmwareDialogs::romFailureShownInStatus()
{
    SettingsStore::set(QStringLiteral("romupdater_write_path"), QStringLiteral("rom"));
    QVERIFY(writeFile(QStringLiteral("rom/gui/btn_start.bin"), "x"));
    FWRomTranferDialog dialog(QStringLiteral("127.0.0.1"), nullptr, prompter);
    QVERIFY(text(&dialog, "lblStatus").contains("no port"));
    QSignalSpy done(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->click();
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
    QVERIFY(widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->isEnabled());
    QVERIFY2(text(&dialog, "lblStatus").contains("btn_start.bin failed: No host and port"),
             qPrintable(text(&dialog, "lblStatus")));
}

QTEST_MAIN(TestFirmwareDialogs)
#include "tst_firmwaredialogs.moc"
