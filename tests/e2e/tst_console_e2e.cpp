#include "boardsimprocess.h"
#include "consolehistorymodel.h"
#include "plottab.h"
#include "windowprobe.h"

#include <QMenu>
#include <QMenuBar>
#include <QtTest>

namespace {

const QString kMac = QStringLiteral("00564f524e01");

// The Console tab's lines as shown without time stamps.
QStringList consoleLines(const MainWindow &window)
{
    auto *lines = window.findChild<ConsoleHistoryModel *>();
    lines->setStamped(false);
    QStringList texts;
    for (int row = 0; row < lines->rowCount(); ++row)
        texts << lines->index(row).data().toString();
    return texts;
}

} // namespace

// The program against the simulated board the way a user meets it: a board chosen from the
// "Devices" menu fills the status panel, the Console tab and the Plot tab. (A board that
// connects to the console server is the firmware end-to-end test's.)
class TestConsoleE2E : public QObject
{
    Q_OBJECT
private slots:
    void boardChosenFromTheMenuFillsThePanelTheConsoleAndThePlot()
    {
        BoardSimProcess sim;
        if (!sim.start({"--listen", "127.0.0.1:23", "--announce-ms", "300", "--telemetry-ms", "200",
                        "--program-seconds", "30"}))
            QSKIP("the simulator cannot listen on port 23 here");
        FakePrompter prompter;
        QSignalSpy lookups(QDeviceMachine::instance(), &QDeviceMachine::lookupDone);
        MainWindow window(prompter);
        QVERIFY(lookups.wait(3000));
        QMenu *devices = window.menuBar()->actions().last()->menu();
        QTRY_VERIFY_WITH_TIMEOUT(!devices->actions().isEmpty(), 5000);
        QCOMPARE(devices->actions().first()->text(), QStringLiteral("SimTube (127.0.0.1)"));
        devices->actions().first()->trigger();
        QCOMPARE(text(window, "btnReconnect"), "Disconnect (Host:SimTube(127.0.0.1))");
        QCOMPARE(SettingsStore::get("lastMac", QString()).toString(), kMac); // for the next start
        QCOMPARE(SettingsStore::get("lastType", 0).toInt(), 2);

        // Telemetry and object reports of the chosen board fill the panel.
        QTRY_COMPARE_WITH_TIMEOUT(text(window, "lblCurState"), QStringLiteral("IDLE"), 5000);
        QCOMPARE(text(window, "lblLogIP") + ' ' + text(window, "btnMAC"), "127.0.0.1 " + kMac);
        QTRY_VERIFY_WITH_TIMEOUT(
            text(window, "lblTargetTemp").contains(QRegularExpression("^\\d{3}\\.0$")), 5000);
        window.sendData(QStringLiteral("/em 1")); // a program run shows as it goes
        QTRY_COMPARE_WITH_TIMEOUT(text(window, "lblCurState"), QStringLiteral("RUNNING"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(text(window, "lblCurrFlow").endsWith(" ml/s"), 5000);

        // The Console tab holds both directions; the Plot tab the board's samples.
        window.sendData(QStringLiteral("ping"));
        QTRY_VERIFY(consoleLines(window).endsWith(QStringLiteral("pong")));
        QCOMPARE(consoleLines(window).first(), QStringLiteral("> debug_level 128"));
        QVERIFY(consoleLines(window).contains(QStringLiteral("> ping")));
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<PlotTab *>()->samples().size() >= 2, 5000);
    }
};

QTEST_MAIN(TestConsoleE2E)
#include "tst_console_e2e.moc"
