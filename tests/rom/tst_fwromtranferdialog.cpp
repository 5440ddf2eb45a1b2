#include "fakeprompter.h"
#include "fletcher16.h"
#include "fwromtranferdialog.h"
#include "hextestfiles.h"
#include "romareas.h"
#include "scriptedboard.h"
#include "settingsstore.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

using HexTestFiles::writeFile;

namespace {

template<typename T = QAbstractButton> T *widget(QObject *dialog, const QByteArray &name)
{
    T *found = dialog->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name.constData());
    return found;
}

QString status(QObject *dialog)
{
    return widget<QLabel>(dialog, "lblStatus")->text();
}

} // namespace

// The ROM manager driven by its object names, against a board played by the test.
class TestFWRomTranferDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void everyAreaHasItsButtons();
    void writeButtonSendsAreaFile_data();
    void writeButtonSendsAreaFile();
    void buttonsAndCloseHeldWhileWriting();
    void failureEndsIdleWithReason_data();
    void failureEndsIdleWithReason();
    void targetFolderChosenAndStored();
    void readButtonTellsNothingIsRead();
    void closeHandsConsoleBack();
    void colourRowPreviewsColour();

private:
    FakePrompter prompter;
};

void TestFWRomTranferDialog::init()
{
    prompter = FakePrompter();
    SettingsStore::set(QStringLiteral("romupdater_write_path"), QStringLiteral(".//rom//"));
    SettingsStore::set(QStringLiteral("romupdater_read_path"), QStringLiteral(".//rom//"));
}

void TestFWRomTranferDialog::everyAreaHasItsButtons()
{
    FWRomTranferDialog dialog(QStringLiteral("127.0.0.1:23"), nullptr, prompter);
    QCOMPARE(widget<QLabel>(&dialog, "lblWriteDir")->text(), QStringLiteral(".//rom//"));
    QVERIFY(widget(&dialog, "opt_writeGUI1")->isChecked());
    for (const RomArea &area : RomAreas::all()) {
        // Fixed areas are read only; each button has its slot, connected by name.
        QCOMPARE(widget(&dialog, "btn_write_ROM_" + QByteArray(area.name))->isHidden(), !area.gui);
        for (const char *kind : {"write", "read"})
            QVERIFY(dialog.metaObject()->indexOfSlot(QByteArray("on_btn_") + kind + "_ROM_" +
                                                     area.name + "_clicked()") >= 0);
    }
}

void TestFWRomTranferDialog::writeButtonSendsAreaFile_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QByteArray>("gui");
    QTest::addColumn<QString>("file");
    QTest::addColumn<quint32>("address");
    const QByteArray start = "btn_write_ROM_GUI1_ADDR_BTN_START";
    const QByteArray gui1 = "opt_writeGUI1";
    const QByteArray gui2 = "opt_writeGUI2";
    QTest::newRow("BTN_START with GUI2 goes to 6053471")
        << start << gui2 << "rom/gui/btn_start.bin" << 6053471u;
    QTest::newRow("BTN_START with GUI 1") << start << gui1 << "rom/gui/btn_start.bin" << 0x32E3A0u;
    QTest::newRow("full config from the folder root")
        << QByteArray("btnWriteFullConfig") << gui2 << "rom/full_rom.bin" << 0u;
    QTest::newRow("tube firmware from the fixed file")
        << QByteArray("btnFWTube") << gui1 << QDir::homePath() + "/fw/latest_tube.bin" << 0x20000u;
}

void TestFWRomTranferDialog::writeButtonSendsAreaFile()
{
    QFETCH(QByteArray, button);
    QFETCH(QByteArray, gui);
    QFETCH(QString, file);
    QFETCH(quint32, address);
    const QByteArray content(300, 'g');
    QVERIFY(writeFile(file, content));
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    FWRomTranferDialog dialog(board.connection(), nullptr, prompter);
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    QSignalSpy progressSpy(&dialog, &FWRomTranferDialog::progress);
    widget(&dialog, gui)->click();
    widget(&dialog, button)->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.commands, QByteArrayList{"put_binary " + QByteArray::number(address) + ":300:" +
                                            QByteArray::number(Fletcher16::of(content)) + "\r\n"});
    QCOMPARE(progressSpy.last().at(0).toInt(), 300 + 14);
    QVERIFY(widget(&dialog, button)->isEnabled());
}

void TestFWRomTranferDialog::buttonsAndCloseHeldWhileWriting()
{
    QVERIFY(writeFile(QStringLiteral("rom/gui/top_left.bin"), "abc"));
    ScriptedBoard board; // silent until told otherwise
    FWRomTranferDialog dialog(board.connection(), nullptr, prompter);
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    QSignalSpy closingSpy(&dialog, &FWRomTranferDialog::closing);
    dialog.show();
    widget(&dialog, "btn_write_ROM_GUI1_ADDR_TOP_LEFT")->click();
    QTRY_VERIFY(board.peer);
    for (const char *name : {"btn_write_ROM_GUI1_ADDR_TOP_LEFT", "btnWriteClose", "opt_writeGUI2",
                             "btn_read_ROM_ADDR_DB_SPIDER", "btnFWTube", "btnTargetReadDir"})
        QVERIFY2(!widget(&dialog, name)->isEnabled(), name);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QVERIFY(closingSpy.isEmpty());

    board.answers = ScriptedBoard::Answers::Rom;
    board.send(">");
    QTRY_COMPARE(doneSpy.size(), 1);
    QVERIFY(board.received.startsWith("put_binary 2816640:3:"));
    QVERIFY(widget(&dialog, "btnWriteClose")->isEnabled());
}

void TestFWRomTranferDialog::failureEndsIdleWithReason_data()
{
    QTest::addColumn<QString>("connection"); // "board": the test's board
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QString>("reason");
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    QTest::newRow("missing file") << "board" << false << "Cannot open";
    QTest::newRow("connection text without a port") << "127.0.0.1" << true << "No host and port";
    QTest::newRow("connection refused") << refused << true << "Cannot connect";
}

void TestFWRomTranferDialog::failureEndsIdleWithReason()
{
    QFETCH(QString, connection);
    QFETCH(bool, withFile);
    QFETCH(QString, reason);
    QFile::remove(QStringLiteral("rom/gui/btn_start.bin"));
    if (withFile)
        QVERIFY(writeFile(QStringLiteral("rom/gui/btn_start.bin"), "x"));
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    const QString text = connection == "board" ? board.connection() : connection;
    FWRomTranferDialog dialog(text, nullptr, prompter);
    if (!text.contains(':'))
        QVERIFY2(status(&dialog).contains("no port"), qPrintable(status(&dialog)));
    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 0);
    QVERIFY(widget(&dialog, "btn_write_ROM_GUI1_ADDR_BTN_START")->isEnabled());
    QVERIFY2(status(&dialog).contains("btn_start.bin failed: " + reason),
             qPrintable(status(&dialog)));
    QCOMPARE(board.connections, 0);
}

void TestFWRomTranferDialog::targetFolderChosenAndStored()
{
    const QString folder = QDir::currentPath() + QStringLiteral("/images");
    QVERIFY(writeFile(folder + QStringLiteral("/gui/bar_back.bin"), "12345"));
    prompter.answer(folder);
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    FWRomTranferDialog dialog(board.connection(), nullptr, prompter);
    widget(&dialog, "btnTargetWriteDir")->click();
    QCOMPARE(prompter.shown(), QStringList({"Open Directory|.//rom//"}));
    QCOMPARE(widget<QLabel>(&dialog, "lblWriteDir")->text(), folder);
    QCOMPARE(SettingsStore::get(QStringLiteral("romupdater_write_path"), QString()).toString(),
             folder);

    QSignalSpy doneSpy(&dialog, &FWRomTranferDialog::done);
    widget(&dialog, "btn_write_ROM_GUI1_ADDR_BAR_BACK")->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(board.data(), QByteArray("12345"));

    prompter.answer(QString()); // a cancelled chooser changes nothing
    widget(&dialog, "btnTargetReadDir")->click();
    QCOMPARE(widget<QLabel>(&dialog, "lblReadDir")->text(), QStringLiteral(".//rom//"));
}

void TestFWRomTranferDialog::readButtonTellsNothingIsRead()
{
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    FWRomTranferDialog dialog(board.connection(), nullptr, prompter);
    widget(&dialog, "opt_readGUI2")->click();
    widget(&dialog, "btn_read_ROM_GUI1_ADDR_BTN_LOCK")->click();
    QVERIFY2(status(&dialog).contains(QLatin1String("0x5E85BF")) &&
                 status(&dialog).contains(QDir::toNativeSeparators("rom/gui/btn_lock.bin")) &&
                 status(&dialog).contains(QLatin1String("not possible")),
             qPrintable(status(&dialog)));
    QVERIFY(widget(&dialog, "btn_read_ROM_GUI1_ADDR_BTN_LOCK")->isEnabled());
    QVERIFY(!QFile::exists(QStringLiteral("rom/gui/btn_lock.bin")));
    widget(&dialog, "btnReadFullConfig")->click();
    QVERIFY(status(&dialog).contains("full_rom"));
    QCOMPARE(board.connections, 0);
}

void TestFWRomTranferDialog::closeHandsConsoleBack()
{
    QVERIFY(writeFile(QStringLiteral("rom/gui/btn_plus.bin"), "+"));
    ScriptedBoard board(ScriptedBoard::Answers::Rom);
    auto console = board.dialIn();
    QPointer<FWRomTranferDialog> dialog(new FWRomTranferDialog(console.get(), nullptr, prompter));
    QSignalSpy doneSpy(dialog.data(), &FWRomTranferDialog::done);
    QSignalSpy closingSpy(dialog.data(), &FWRomTranferDialog::closing);
    dialog->show();
    widget(dialog, "btn_write_ROM_GUI1_ADDR_BTN_PLUS")->click();
    QTRY_COMPARE(doneSpy.size(), 1);
    QCOMPARE(doneSpy.at(0).at(0).toInt(), 1);
    QVERIFY(board.received.startsWith("\r\nput_binary"));

    widget(dialog, "btnReadClose")->click();
    QCOMPARE(closingSpy.size(), 1);
    QCOMPARE(closingSpy.at(0).at(0).toInt(), 6);
    QCOMPARE(doneSpy.size(), 1); // closing reports no second, failed transfer
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY(!dialog);
    QCOMPARE(console->state(), QAbstractSocket::ConnectedState);
    console->readAll();
    QSignalSpy readSpy(console.get(), &QTcpSocket::readyRead);
    board.send("tube idle\r\n");
    QVERIFY(readSpy.wait(5000));
    QCOMPARE(console->readAll(), QByteArray("tube idle\r\n"));
}

void TestFWRomTranferDialog::colourRowPreviewsColour()
{
    FWRomTranferDialog dialog(QStringLiteral("127.0.0.1:23"), nullptr, prompter);
    widget<QSpinBox>(&dialog, "spinBarFgRed")->setValue(255);
    QVERIFY(widget<QLabel>(&dialog, "lblSampleBarFg")->styleSheet().contains("#ff0000"));
    widget<QSpinBox>(&dialog, "spinMainBgBlue")->setValue(128);
    QVERIFY(widget<QLabel>(&dialog, "lblSampleMainBg")
                ->styleSheet()
                .contains("background-color: #000080"));
}

QTEST_MAIN(TestFWRomTranferDialog)
#include "tst_fwromtranferdialog.moc"
