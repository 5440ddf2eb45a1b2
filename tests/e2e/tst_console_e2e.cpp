#include "boardsimprocess.h"
#include "fakeprompter.h"
#include "mainwindow.h"
#include "qdevicemachine.h"

#include <QPushButton>
#include <QtTest>

namespace {

const QString kMac = QStringLiteral("00564f524e01");
constexpr quint16 kConsoleServerPort = 7123;
const QString kLog = QStringLiteral("sim.log"); // each test's board writes it anew

QStringList rowTexts(const QSignalSpy &rows)
{
    QStringList texts;
    for (const QList<QVariant> &arguments : rows)
        texts << arguments.first().toString();
    return texts;
}

// Waits until gotRow has carried text at least times times.
bool waitForRow(QSignalSpy &rows, const QString &text, int times = 1)
{
    while (rowTexts(rows).count(text) < times) {
        if (!rows.wait(5000))
            return false;
    }
    return true;
}

// The board's transcript without the bare prompts.
QByteArrayList exchange()
{
    QByteArrayList lines = BoardSimProcess::logLines(kLog);
    lines.removeAll("");
    lines.removeAll("> >");
    return lines;
}

// A simulated board and the window connected to it as a client, past the greeting command.
struct ConnectedWindow
{
    bool start(const QStringList &extra = QStringList())
    {
        return sim.start(BoardSimProcess::quietArguments() + QStringList{"--log", kLog} + extra) &&
               window.connectToDevice(QStringLiteral("127.0.0.1"), sim.ports.first(), nullptr) &&
               waitForRow(rows, QStringLiteral("Debug level 128"));
    }

    BoardSimProcess sim;
    FakePrompter prompter;
    MainWindow window{prompter};
    QSignalSpy rows{&window, &MainWindow::gotRow};
};

} // namespace

class TestConsoleE2E : public QObject
{
    Q_OBJECT
private slots:
    void connectThenPacedScriptOneLinePerReply();
    void configDumpReachesMacroRecived();
    void clientModeAnnouncementMakesTheMainDevice();
};

void TestConsoleE2E::connectThenPacedScriptOneLinePerReply()
{
    // A slow board: a window that did not wait for each reply would have sent every line
    // before the first answer came out, and the transcript would show that.
    ConnectedWindow connected;
    QVERIFY(connected.start({"--fault", "slow=150"}));
    QVERIFY(connected.window.queueLines(
        {"ping", "", "# a comment never reaches the board", "do_beep 62415", "  ping  "}));
    QVERIFY(waitForRow(connected.rows, QStringLiteral("pong"), 2));
    QCOMPARE(rowTexts(connected.rows).count(QStringLiteral("BEEP 62415")), 1);
    QCOMPARE(exchange(),
             (QByteArrayList{"< debug_level 128", "> Debug level 128", "< ping", "> pong",
                             "< do_beep 62415", "> BEEP 62415", "< ping", "> pong"}));
}

void TestConsoleE2E::configDumpReachesMacroRecived()
{
    ConnectedWindow connected;
    QVERIFY(connected.start());
    connected.window.sendData(QStringLiteral("print_tb_config"));
    QVERIFY(waitForRow(connected.rows, QStringLiteral("CONFIG_END")));
    QStringList dump = rowTexts(connected.rows);
    dump = dump.mid(dump.indexOf(QStringLiteral("TUBE CONFIG_START [MAC:00564f524e01]")));
    QCOMPARE(dump.mid(0, 3),
             (QStringList{"TUBE CONFIG_START [MAC:00564f524e01]", "NAME:SimTube", "TYPE:TUBE"}));

    // macroRecived shows the collected dump in the loaded-macro dialog.
    const auto text = [&connected] {
        auto *shown = connected.window.findChild<QWidget *>(QStringLiteral("txtLoadedMacro"));
        return shown ? shown->property("plainText").toString() : QString();
    };
    QTRY_VERIFY(!text().isEmpty());
    QVERIFY2(text().startsWith(QLatin1String("MAC:00564f524e01")), qPrintable(text()));
    QVERIFY(text().contains(QLatin1String("NAME:SimTube")));
    QVERIFY(text().contains(QLatin1String("CAN_NODES:8")));
    QVERIFY(!text().contains(QLatin1String("CONFIG_")));
}

void TestConsoleE2E::clientModeAnnouncementMakesTheMainDevice()
{
    FakePrompter prompter;
    MainWindow window(prompter); // listens on the console server port
    BoardSimProcess sim;
    QVERIFY(sim.start(BoardSimProcess::quietArguments() +
                      QStringList{"--log", kLog, "--connect",
                                  QStringLiteral("127.0.0.1:%1").arg(kConsoleServerPort)}));
    QDeviceMachine *registry = QDeviceMachine::existingInstance();
    QVERIFY(registry);
    QTRY_VERIFY_WITH_TIMEOUT(registry->mainDevice() && registry->mainDevice()->mac == kMac, 5000);
    const Device *board = registry->mainDevice();
    QCOMPARE(board->type, 2);
    QCOMPARE(QStringList({board->name, board->hw, board->sw, board->ip}),
             QStringList({"SimTube", "71405", "190918", "1.1.1.1"}));
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("btnMAC"))->text(), kMac);
    // The window greets an accepted console as every other.
    QTRY_VERIFY_WITH_TIMEOUT(BoardSimProcess::logLines(kLog).contains("< debug_level 128"), 5000);
}

QTEST_MAIN(TestConsoleE2E)
#include "tst_console_e2e.moc"
