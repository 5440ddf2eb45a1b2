#include "fakeprompter.h"
#include "fletcher16.h"
#include "fwromtranferdialog.h"
#include "romareas.h"
#include "scriptedboard.h"
#include "settingsstore.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

// The ROM manager driven by its object names, against a board played by the test.
class TestFWRomTranferDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void formAtStart();
    void everyAreaHasItsButtons();
    void writeButtonSendsAreaFile_data();
    void writeButtonSendsAreaFile();
    void buttonsDisabledWhileWriting();
    void missingFileReportedAndButtonsBack();
    void connectionWithoutPortTold();
    void targetFolderChosenAndStored();
    void readButtonTellsNothingIsRead();
    void closeHandsConsoleBack();
    void closeRefusedWhileWriting();
    void colourRowPreviewsColour();

private:
    template<typename T = QAbstractButton> static T *widget(QObject *dialog, const QString &name)
    {
        T *found = dialog->findChild<T *>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }
    FakePrompter prompter;
};

static void writeFile(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
}

void TestFWRomTranferDialog::init()
{
    prompter = FakePrompter();
    SettingsStore::set(QStringLiteral("romupdater_write_path"), QStringLiteral(".//rom//"));
    SettingsStore::set(QStringLiteral("romupdater_read_path"), QStringLiteral(".//rom//"));
}

void TestFWRomTranferDialog::formAtStart()
{
    FWRomTranferDialog dialog(QStringLiteral("127.0.0.1:23"), nullptr, &prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("VORNE - ROM Manager"));
    auto *tabs = widget<QTabWidget>(&dialog, QStringLiteral("tabWidget"));
    QCOMPARE(tabs->currentIndex(), 0);
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QCOMPARE(titles, QStringList({"SPIDER ROM Write", "SPIDER ROM Read", "TUBE FW", "SPIDER FW"}));
    QCOMPARE(widget<QLabel>(&dialog, QStringLiteral("lblWriteDir"))->text(),
             QStringLiteral(".//rom//"));
    QCOMPARE(widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_BTN_START"))->text(),
             QStringLiteral("BTN_START"));
    QCOMPARE(widget(&dialog, QStringLiteral("btn_read_ROM_ADDR_DB_TUBE1"))->text(),
             QStringLiteral("DB_TUBE1"));
    QVERIFY(widget(&dialog, QStringLiteral("opt_writeGUI1"))->isChecked());
    QCOMPARE(widget(&dialog, QStringLiteral("opt_writeGUI2"))->text(), QStringLiteral("GUI2"));
}

void TestFWRomTranferDialog::everyAreaHasItsButtons()
{
    FWRomTranferDialog dialog(QStringLiteral("127.0.0.1:23"), nullptr, &prompter);
    int hidden = 0;
    for (const RomArea &area : RomAreas::all()) {
        const QString name = QString::fromLatin1(area.name);
        QAbstractButton *write = widget(&dialog, QStringLiteral("btn_write_ROM_") + name);
        widget(&dialog, QStringLiteral("btn_read_ROM_") + name);
        QCOMPARE(write->isHidden(), !area.gui);
        hidden += write->isHidden() ? 1 : 0;
        QVERIFY(dialog.metaObject()->indexOfSlot(
                    qPrintable("on_btn_write_ROM_" + name + "_clicked()")) >= 0);
        QVERIFY(dialog.metaObject()->indexOfSlot(
                    qPrintable("on_btn_read_ROM_" + name + "_clicked()")) >= 0);
    }
    QCOMPARE(hidden, 18);
}

void TestFWRomTranferDialog::writeButtonSendsAreaFile_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("gui");
    QTest::addColumn<QString>("file");
    QTest::addColumn<quint32>("address");
    QTest::newRow("BTN_START with GUI2 goes to 6053471") << "btn_write_ROM_GUI1_ADDR_BTN_START"
                                                         << "opt_writeGUI2"
                                                         << "rom/gui/btn_start.bin" << 6053471u;
    QTest::newRow("BTN_START with GUI 1") << "btn_write_ROM_GUI1_ADDR_BTN_START"
                                          << "opt_writeGUI1"
                                          << "rom/gui/btn_start.bin" << 0x32E3A0u;
    QTest::newRow("full config from the folder root") << "btnWriteFullConfig"
                                                      << "opt_writeGUI2"
                                                      << "rom/full_rom.bin" << 0u;
    QTest::newRow("tube firmware from the fixed file")
        << "btnFWTube"
        << "opt_writeGUI1" << QDir::homePath() + "/fw/latest_tube.bin" << 0x20000u;
}

void TestFWRomTranferDialog::writeButtonSendsAreaFile()
{
    QFETCH(QString, button);
    QFETCH(QString, gui);
    QFETCH(QString, file);
    QFETCH(quint32, address);
    const QByteArray content(300, 'g');
    writeFile(file, content);
    ScriptedBoard board(true);
    FWRomTranferDialog dialog(board.connection(), nullptr, &prompter);
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    QSignalSpy progressSpy(&dialog, &FWRomTranferDialog::progress);
    widget(&dialog, gui)->click();
    widget(&dialog, button)->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.commands,
             QByteArrayList({"put_binary " + QByteArray::number(address) +
                             ":300:" + QByteArray::number(Fletcher16::of(content)) + "\r\n"}));
    QCOMPARE(board.packets.size(), 2);
    QCOMPARE(progressSpy.last().at(0).toInt(), 300 + 14);
    QVERIFY(widget(&dialog, button)->isEnabled());
}

void TestFWRomTranferDialog::buttonsDisabledWhileWriting()
{
    writeFile(QStringLiteral("rom/gui/top_left.bin"), "abc");
    ScriptedBoard board;
    FWRomTranferDialog dialog(board.connection(), nullptr, &prompter);
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_TOP_LEFT"))->click();
    QTRY_VERIFY(board.peer);
    for (const char *name : {"btn_write_ROM_GUI1_ADDR_TOP_LEFT", "btnWriteClose", "opt_writeGUI2",
                             "btn_read_ROM_ADDR_DB_SPIDER", "btnFWTube", "btnTargetReadDir"})
        QVERIFY2(!widget(&dialog, QString::fromLatin1(name))->isEnabled(), name);
    board.send(">");
    QTRY_VERIFY(board.received.startsWith("put_binary 2816640:3:"));
    board.send(">");
    QTRY_COMPARE(board.received.size(), board.received.indexOf('\n') + 1 + 10);
    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QVERIFY(widget(&dialog, QStringLiteral("btnWriteClose"))->isEnabled());
}

void TestFWRomTranferDialog::missingFileReportedAndButtonsBack()
{
    ScriptedBoard board(true);
    FWRomTranferDialog dialog(board.connection(), nullptr, &prompter);
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_SIGN_USB"))->click();
    QCOMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY(widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_SIGN_USB"))->isEnabled());
    const QString status = widget<QLabel>(&dialog, QStringLiteral("lblStatus"))->text();
    QVERIFY2(status.contains(QLatin1String("sign_usb.bin")) && status.contains("Cannot open"),
             qPrintable(status));
    QCOMPARE(board.connections, 0);
}

void TestFWRomTranferDialog::connectionWithoutPortTold()
{
    writeFile(QStringLiteral("rom/gui/btn_start.bin"), "x");
    FWRomTranferDialog dialog(QStringLiteral("192.168.1.20"), nullptr, &prompter);
    QVERIFY(widget<QLabel>(&dialog, QStringLiteral("lblStatus"))->text().contains("no port"));
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_BTN_START"))->click();
    QCOMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY(widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_BTN_START"))->isEnabled());
}

void TestFWRomTranferDialog::targetFolderChosenAndStored()
{
    const QString folder = QDir::currentPath() + QStringLiteral("/images");
    writeFile(folder + QStringLiteral("/gui/bar_back.bin"), "12345");
    prompter.directory = folder;
    ScriptedBoard board(true);
    FWRomTranferDialog dialog(board.connection(), nullptr, &prompter);
    widget(&dialog, QStringLiteral("btnTargetWriteDir"))->click();
    QCOMPARE(prompter.shown, QStringList({"Open Directory|.//rom//"}));
    QCOMPARE(widget<QLabel>(&dialog, QStringLiteral("lblWriteDir"))->text(), folder);
    QCOMPARE(SettingsStore::get(QStringLiteral("romupdater_write_path"), QString()).toString(),
             folder);

    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_BAR_BACK"))->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.packets.size(), 1);

    prompter.directory.clear(); // a cancelled chooser changes nothing
    widget(&dialog, QStringLiteral("btnTargetReadDir"))->click();
    QCOMPARE(widget<QLabel>(&dialog, QStringLiteral("lblReadDir"))->text(),
             QStringLiteral(".//rom//"));
}

void TestFWRomTranferDialog::readButtonTellsNothingIsRead()
{
    ScriptedBoard board(true);
    FWRomTranferDialog dialog(board.connection(), nullptr, &prompter);
    widget(&dialog, QStringLiteral("opt_readGUI2"))->click();
    widget(&dialog, QStringLiteral("btn_read_ROM_GUI1_ADDR_BTN_LOCK"))->click();
    const QString status = widget<QLabel>(&dialog, QStringLiteral("lblStatus"))->text();
    QVERIFY2(status.contains(QLatin1String("0x5E85BF")) &&
                 status.contains(QDir::toNativeSeparators("rom/gui/btn_lock.bin")) &&
                 status.contains(QLatin1String("not possible")),
             qPrintable(status));
    QVERIFY(widget(&dialog, QStringLiteral("btn_read_ROM_GUI1_ADDR_BTN_LOCK"))->isEnabled());
    QVERIFY(!QFile::exists(QStringLiteral("rom/gui/btn_lock.bin")));
    widget(&dialog, QStringLiteral("btnReadFullConfig"))->click();
    QVERIFY(widget<QLabel>(&dialog, QStringLiteral("lblStatus"))->text().contains("full_rom"));
    QCOMPARE(board.connections, 0);
}

void TestFWRomTranferDialog::closeHandsConsoleBack()
{
    writeFile(QStringLiteral("rom/gui/btn_plus.bin"), "+");
    ScriptedBoard board(true);
    auto console = board.dialIn();
    auto *dialog = new FWRomTranferDialog(console.get(), nullptr, &prompter);
    QPointer<FWRomTranferDialog> alive(dialog);
    QSignalSpy doneSpy(dialog, &FWRomTranferDialog::done);
    QSignalSpy closingSpy(dialog, &FWRomTranferDialog::closing);
    dialog->show();
    widget(dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_BTN_PLUS"))->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.received.left(2), QByteArray("\r\n"));

    widget(dialog, QStringLiteral("btnReadClose"))->click();
    QCOMPARE(closingSpy.size(), 1);
    QCOMPARE(closingSpy.at(0).at(0).toInt(), 6);
    QCOMPARE(doneSpy.size(), 1); // closing reports no second, failed transfer
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY(!alive);
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    console->readAll();
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    board.send("tube idle\r\n");
    QVERIFY(readSpy.wait(5000));
    QCOMPARE(console->readAll(), QByteArray("tube idle\r\n"));
}

void TestFWRomTranferDialog::closeRefusedWhileWriting()
{
    writeFile(QStringLiteral("rom/gui/btn_edit.bin"), "e");
    ScriptedBoard board;
    FWRomTranferDialog dialog(board.connection(), nullptr, &prompter);
    QSignalSpy closingSpy(&dialog, &FWRomTranferDialog::closing);
    dialog.show();
    widget(&dialog, QStringLiteral("btn_write_ROM_GUI1_ADDR_BTN_EDIT"))->click();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QVERIFY(closingSpy.isEmpty());
}

void TestFWRomTranferDialog::colourRowPreviewsColour()
{
    FWRomTranferDialog dialog(QStringLiteral("127.0.0.1:23"), nullptr, &prompter);
    widget<QSpinBox>(&dialog, QStringLiteral("spinBarFgRed"))->setValue(255);
    QVERIFY(widget<QLabel>(&dialog, QStringLiteral("lblSampleBarFg"))
                ->styleSheet()
                .contains(QLatin1String("#ff0000")));
    widget<QSpinBox>(&dialog, QStringLiteral("spinMainBgBlue"))->setValue(128);
    QVERIFY(widget<QLabel>(&dialog, QStringLiteral("lblSampleMainBg"))
                ->styleSheet()
                .contains(QLatin1String("background-color: #000080")));
}

QTEST_MAIN(TestFWRomTranferDialog)
#include "tst_fwromtranferdialog.moc"
