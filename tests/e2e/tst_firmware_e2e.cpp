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
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSettings>
#include <QtTest>

using namespace HexTestFiles;

namespace {

const QString kMac = QStringLiteral("00564f524e01");
constexpr int kTube = 2;
constexpr int kUploadWait = 30000; // ms; every upload here takes a few seconds at most

// The image as Intel HEX at the start of the board's flash (0x08000000), 16 bytes a record.
QString hexFileOf(const QByteArray &bytes)
{
    QByteArrayList lines{record(4, 0, QByteArray::fromHex("0800"))};
    for (int offset = 0; offset < bytes.size(); offset += 16)
        lines << record(0, quint16(offset), bytes.mid(offset, 16));
    lines << record(1, 0, QByteArray());
    return hexFile(QStringLiteral("firmware.hex"), lines);
}

template<typename T> T *widget(const QObject &parent, const QString &name)
{
    T *found = parent.findChild<T *>(name);
    if (!found)
        qFatal("no %s", qPrintable(name));
    return found;
}

QString buttonText(const QObject &parent, const char *name)
{
    return widget<QAbstractButton>(parent, QLatin1String(name))->text();
}

// A simulated tube board with a MainWindow on its console: the window connected to the board
// (a device from the registry), or the board connected to the window's console server, so
// the dialogs borrow the console socket.
class BoardSession
{
public:
    bool start(bool borrowed, const QStringList &faults)
    {
        romDir = scratchPath(QStringLiteral("rom-out"));
        QDir(romDir).removeRecursively();
        QDir().mkpath(romDir);
        QStringList arguments = BoardSimProcess::quietArguments() +
                                QStringList{"--rom-dir", romDir, "--flash-ms", "1200"} + faults;
        if (borrowed) {
            arguments << "--connect" << QStringLiteral("127.0.0.1:%1").arg(kConsoleServerPort);
            // The board announces itself on the console: that makes it the main device.
            return sim.start(arguments) && waitForRow(QStringLiteral("Debug level 128")) &&
                   QTest::qWaitFor([] { return mainDeviceIsTheBoard(); }, 5000);
        }
        // The window's first lookup ends in a reconnect to the last device chosen; past it,
        // the connection below (which stores that device) stays the only one.
        if (!(lookupEnded.count() > 0 || lookupEnded.wait(3000)) || !sim.start(arguments))
            return false;
        QDeviceMachine *registry = QDeviceMachine::instance();
        registry->local_seenDevice(kMac, QStringLiteral("127.0.0.1"), QStringLiteral("SimTube"),
                                   kTube, QStringLiteral("71405"), QStringLiteral("190918"));
        return window.connectToDevice(QStringLiteral("127.0.0.1"), sim.ports.first(),
                                      registry->deviceFor(kTube, kMac)) &&
               waitForRow(QStringLiteral("Debug level 128")) && mainDeviceIsTheBoard();
    }

    static bool mainDeviceIsTheBoard()
    {
        const Device *board = QDeviceMachine::instance()->mainDevice();
        return board && board->mac == kMac && board->type == kTube;
    }

    bool waitForRow(const QString &prefix)
    {
        for (int seen = 0;; ++seen) {
            while (seen >= rows.size()) {
                if (!rows.wait(5000))
                    return false;
            }
            if (rows.at(seen).first().toString().startsWith(prefix))
                return true;
        }
    }

    // The console goes on: a console of its own again after the board dropped it.
    bool consoleAnswers()
    {
        const bool open = QTest::qWaitFor(
            [this] { return buttonText(window, "btnReconnect").startsWith("Disconnect"); }, 5000);
        if (!open)
            return false;
        rows.clear();
        window.sendData(QStringLiteral("ping"));
        return waitForRow(QStringLiteral("pong"));
    }

    QByteArray romFile(const QString &name) const { return readFile(QDir(romDir).filePath(name)); }

    static constexpr quint16 kConsoleServerPort = 7123;

    FakePrompter prompter;
    MainWindow window{prompter};
    QSignalSpy rows{&window, &MainWindow::gotRow};
    QSignalSpy lookupEnded{QDeviceMachine::instance(), &QDeviceMachine::lookupDone};
    BoardSimProcess sim;
    QString romDir;
};

} // namespace

// The firmware dialog and the ROM manager, opened from the main window, against the
// simulated board: on a connection of their own and on the borrowed console, successful
// and failing, each ending in its message and the idle look, and the console going on.
class TestFirmwareE2E : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void romManagerWritesArea_data();
    void romManagerWritesArea();
    void firmwareUpload_data();
    void firmwareUpload();
};

void TestFirmwareE2E::init()
{
    // No device of an earlier test may be reconnected by a window's first lookup.
    QSettings(QString::fromLatin1(SettingsStore::kOrganization),
              QString::fromLatin1(SettingsStore::kApplication))
        .clear();
    QDeviceMachine::instance()->setMainDevice(nullptr);
}

void TestFirmwareE2E::romManagerWritesArea_data()
{
    QTest::addColumn<bool>("borrowed");
    QTest::newRow("own connection") << false;
    QTest::newRow("borrowed console") << true;
}

void TestFirmwareE2E::romManagerWritesArea()
{
    QFETCH(bool, borrowed);
    const QString writeDir = scratchPath(QStringLiteral("rom-in"));
    const QByteArray bytes = noise(5000);
    QVERIFY(writeFile(writeDir + QLatin1String("/gui/btn_start.bin"), bytes));
    SettingsStore::set(QStringLiteral("romupdater_write_path"), writeDir);

    BoardSession session;
    QVERIFY(session.start(borrowed, {}));
    widget<QAction>(session.window, QStringLiteral("actionRom_updater"))->trigger();
    QPointer<FWRomTranferDialog> dialog = session.window.findChild<FWRomTranferDialog *>();
    QVERIFY(dialog);
    QSignalSpy done(dialog.data(), &FWRomTranferDialog::done);
    widget<QAbstractButton>(*dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_BTN_START"))->click();
    QVERIFY(done.wait(kUploadWait));
    QCOMPARE(done.first().first().toInt(), 1);
    QVERIFY(session.romFile(QStringLiteral("rom-32e3a0.bin")) == bytes);

    widget<QAbstractButton>(*dialog, QStringLiteral("btnWriteClose"))->click();
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(session.consoleAnswers());
}

void TestFirmwareE2E::firmwareUpload_data()
{
    QTest::addColumn<bool>("borrowed");
    QTest::addColumn<bool>("romImage");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("failure"); // part of the reason shown; empty: success
    const QStringList none;
    const QStringList refuse{"--fault", "refuse-record=3"};
    const QStringList drop{"--fault", "drop-after=5"};
    const QString refused = QStringLiteral("ERROR: record 3 refused");
    const QString closed = QStringLiteral("the board closed the connection");
    const QString lost = QStringLiteral("connection to the board was lost");
    QTest::newRow("HEX on its own connection") << false << false << none << QString();
    QTest::newRow("HEX on the borrowed console") << true << false << none << QString();
    QTest::newRow("BIN on its own connection") << false << true << none << QString();
    QTest::newRow("BIN on the borrowed console") << true << true << none << QString();
    QTest::newRow("HEX record refused, own connection") << false << false << refuse << refused;
    QTest::newRow("HEX record refused, borrowed console") << true << false << refuse << refused;
    QTest::newRow("HEX connection dropped, own connection") << false << false << drop << closed;
    QTest::newRow("HEX console dropped, borrowed console") << true << false << drop << closed;
    QTest::newRow("BIN connection dropped, own connection") << false << true << drop << lost;
    QTest::newRow("BIN console dropped, borrowed console") << true << true << drop << lost;
}

void TestFirmwareE2E::firmwareUpload()
{
    QFETCH(bool, borrowed);
    QFETCH(bool, romImage);
    QFETCH(QStringList, faults);
    QFETCH(QString, failure);
    const bool succeeds = failure.isEmpty();
    const QByteArray bytes = noise(romImage ? 2000 : 512);
    const QString file = romImage ? scratchPath(QStringLiteral("firmware.bin")) : hexFileOf(bytes);
    QVERIFY(!romImage || writeFile(file, bytes));

    BoardSession session;
    QVERIFY(session.start(borrowed, faults));
    widget<QAction>(session.window, QStringLiteral("actionUpdate_firmware"))->trigger();
    QPointer<FWUpdateDialog> dialog = session.window.findChild<FWUpdateDialog *>();
    QVERIFY(dialog);
    QCOMPARE(widget<QLineEdit>(*dialog, QStringLiteral("txtConnection"))->text(),
             borrowed ? QStringLiteral("REMOTE")
                      : QStringLiteral("127.0.0.1:%1").arg(session.sim.ports.first()));
    widget<QLineEdit>(*dialog, QStringLiteral("txtFilename"))->setText(file);
    widget<QAbstractButton>(*dialog, QStringLiteral("btnStart"))->click();
    QCOMPARE(buttonText(*dialog, "cmdCancel"), QStringLiteral("Cancel"));

    QTRY_VERIFY_WITH_TIMEOUT(!session.prompter.shown().isEmpty(), kUploadWait);
    QCOMPARE(session.prompter.shown().size(), 1);
    if (succeeds) {
        QCOMPARE(session.prompter.shown().first(),
                 QStringLiteral("Status OK|New firmware uploaded OK"));
        const QString written =
            romImage ? QStringLiteral("rom-020000.bin") : QStringLiteral("flash-board.bin");
        QVERIFY(session.romFile(written) == bytes);
    } else {
        const QString shown = session.prompter.shown().first();
        QVERIFY2(shown.startsWith(QLatin1String("Error|Something went wrong, try again\n")),
                 qPrintable(shown));
        QVERIFY2(shown.contains(failure), qPrintable(shown));
        QVERIFY(QDir(session.romDir).isEmpty()); // nothing flashed or stored
    }
    // Idle again, whatever the end.
    QVERIFY(widget<QAbstractButton>(*dialog, QStringLiteral("btnStart"))->isEnabled());
    QCOMPARE(buttonText(*dialog, "cmdCancel"), QStringLiteral("Close"));
    QVERIFY(!widget<QProgressBar>(*dialog, QStringLiteral("progress"))->isVisible());
    auto *status = widget<QLabel>(*dialog, QStringLiteral("lblFirmwareDialog"));
    QVERIFY(status->isVisible());
    QCOMPARE(status->text(), QStringLiteral("Select firmware file and press start"));

    widget<QAbstractButton>(*dialog, QStringLiteral("cmdCancel"))->click();
    QTRY_VERIFY(dialog.isNull());
    if (borrowed && succeeds && !romImage) {
        // The board's flash report comes after the upload; the console shows it.
        QVERIFY(session.waitForRow(QStringLiteral("Flash written: 512 bytes")));
    }
    QVERIFY(session.consoleAnswers());
}

QTEST_MAIN(TestFirmwareE2E)
#include "tst_firmware_e2e.moc"
