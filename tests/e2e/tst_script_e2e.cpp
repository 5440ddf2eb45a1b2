#include "boardsimprocess.h"
#include "windowprobe.h"

#include <QDir>
#include <QTextEdit>
#include <QtTest>

namespace {

const QString kLog = QStringLiteral("sim.log");

// What the board received ("< ") and answered ("> "), without prompts and greetings.
QByteArrayList commandsAndReplies()
{
    QByteArrayList passed;
    for (const QByteArray &line : BoardSimProcess::logLines(kLog)) {
        if (line.size() > 3 && !line.contains("ebug"))
            passed << line;
    }
    return passed;
}

// Connected once the board answered the greeting, so that its reply paces nothing.
bool connectTo(MainWindow &window, const BoardSimProcess &sim)
{
    QSignalSpy rows(&window, &MainWindow::gotRow);
    return window.connectToDevice(QStringLiteral("127.0.0.1"), sim.ports.first(), nullptr) &&
           QTest::qWaitFor([&rows] { return rows.size() >= 2; }, 5000);
}

} // namespace

// A script and a hotkey run from the main window against the simulated board, which answers
// slowly: a window that did not wait for each reply would show in the transcript.
class TestScriptE2E : public QObject
{
    Q_OBJECT
private slots:
    void scriptFromTheEditorOneLinePerReply()
    {
        QDir().mkpath(QStringLiteral("ws"));
        SettingsStore::set("workingFolder", QDir::currentPath() + "/ws");
        BoardSimProcess sim;
        QVERIFY(sim.start(BoardSimProcess::quietArguments() << "--log" << kLog << "--fault"
                                                            << "slow=150"));
        FakePrompter prompter;
        auto window = std::make_unique<MainWindow>(prompter);
        QVERIFY(connectTo(*window, sim));
        auto *editor = child<QTextEdit>(*window, "txtCommand");
        editor->setPlainText("ping\n# not sent\n\ndo_beep 1\n ping");
        prompter.answer(QMessageBox::Yes);
        use(*window, "btnSend");
        const QByteArrayList expected = {"< ping",   "> pong", "< do_beep 1",
                                         "> BEEP 1", "< ping", "> pong"};
        QTRY_COMPARE_WITH_TIMEOUT(commandsAndReplies(), expected, 5000);

        // A hotkey defined by sending its line is still there after a restart, and paced too.
        editor->setPlainText(QStringLiteral("#hotkey2|Three|ping;do_beep 1;ping"));
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Return, Qt::AltModifier);
        window.reset();
        MainWindow restarted(prompter);
        QCOMPARE(text(restarted, "btnHotKey2"), QStringLiteral("Three"));
        QVERIFY(connectTo(restarted, sim));
        use(restarted, "btnHotKey2");
        QTRY_COMPARE_WITH_TIMEOUT(commandsAndReplies(), expected + expected, 5000);
    }
};

QTEST_MAIN(TestScriptE2E)
#include "tst_script_e2e.moc"
