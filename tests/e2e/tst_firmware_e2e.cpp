#include "boardsimprocess.h"
#include "fakeprompter.h"
#include "fwromtranferdialog.h"
#include "fwupdatedialog.h"
#include "hextestfiles.h"
#include "mainwindow.h"
#include "qdevicemachine.h"
#include "settingsstore.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QtTest>

using namespace HexTestFiles;

namespace {

constexpr int kUploadWait = 30000; // ms; every upload here takes a few seconds at most

template<typename T = QAbstractButton> T *widget(const QObject &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s", name);
    return found;
}

// Waits for a console row starting with prefix; the rows up to it are used up.
bool waitForRow(QSignalSpy &rows, const QString &prefix)
{
    while (!rows.isEmpty() || rows.wait(5000)) {
        if (rows.takeFirst().first().toString().startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace

// One run of each user path against the simulated board, from the main window on the console
// it lends: a ROM area written from the ROM manager, a firmware uploaded from the firmware
// dialog, and the console going on after each.
class TestFirmwareE2E : public QObject
{
    Q_OBJECT
private slots:
    void romAreaThenFirmware();
};

void TestFirmwareE2E::romAreaThenFirmware()
{
    const QString writeDir = QStringLiteral("rom-in");
    const QByteArray area = noise(5000);
    QVERIFY(writeFile(writeDir + QLatin1String("/gui/btn_start.bin"), area));
    SettingsStore::set(QStringLiteral("romupdater_write_path"), writeDir);
    // small.hex: objcopy -I binary -O ihex --change-addresses 0x08000000 small.bin small.hex
    const QString file = QFINDTESTDATA("../firmware/data/small.hex");
    const QByteArray image = readFile(QFINDTESTDATA("../firmware/data/small.bin"));

    FakePrompter prompter;
    MainWindow window(prompter);
    QSignalSpy rows(&window, &MainWindow::gotRow);
    const QString romDir = QStringLiteral("rom-out");
    BoardSimProcess sim;
    // The board connects to the window's console server and announces itself there: that
    // makes it the main device, and the dialogs borrow the console.
    const QStringList options = {"--rom-dir", romDir,      "--flash-ms",
                                 "1200",      "--connect", "127.0.0.1:7123"};
    QVERIFY(sim.start(BoardSimProcess::quietArguments() + options));
    QVERIFY(waitForRow(rows, QStringLiteral("Debug level 128")));
    QTRY_VERIFY(QDeviceMachine::instance()->mainDevice());
    const auto consoleAnswers = [&] {
        window.sendData(QStringLiteral("ping"));
        return waitForRow(rows, QStringLiteral("pong"));
    };

    widget<QAction>(window, "actionRom_updater")->trigger();
    QPointer<FWRomTranferDialog> rom = window.findChild<FWRomTranferDialog *>();
    QVERIFY(rom);
    QSignalSpy done(rom.data(), &FWRomTranferDialog::done);
    widget(*rom, "btn_write_ROM_GUI1_ADDR_BTN_START")->click();
    QVERIFY(done.wait(kUploadWait));
    QCOMPARE(done.first().first().toInt(), 1);
    QVERIFY(readFile(romDir + QLatin1String("/rom-32e3a0.bin")) == area);
    widget(*rom, "btnWriteClose")->click();
    QTRY_VERIFY(rom.isNull());
    QVERIFY(consoleAnswers());

    widget<QAction>(window, "actionUpdate_firmware")->trigger();
    QPointer<FWUpdateDialog> firmware = window.findChild<FWUpdateDialog *>();
    QVERIFY(firmware);
    widget<QLineEdit>(*firmware, "txtFilename")->setText(file);
    widget(*firmware, "btnStart")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!prompter.shown().isEmpty(), kUploadWait);
    QCOMPARE(prompter.shown(), QStringList{"Status OK|New firmware uploaded OK"});
    QVERIFY(readFile(romDir + QLatin1String("/flash-board.bin")) == image);
    widget(*firmware, "cmdCancel")->click();
    QTRY_VERIFY(firmware.isNull());
    // The board's flash report comes after the upload; the console shows it.
    QVERIFY(waitForRow(rows, QStringLiteral("Flash written: 300 bytes")));
    QVERIFY(consoleAnswers());
}

QTEST_MAIN(TestFirmwareE2E)
#include "tst_firmware_e2e.moc"
