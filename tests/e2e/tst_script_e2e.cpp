#include "boardsimprocess.h"
#include "fakeprompter.h"
#include "mainwindow.h"
#include "settingsstore.h"

#include <QDir>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <algorithm>
#include <memory>

namespace {

const QString kLog = QStringLiteral("sim.log");

// What the board received ("< ") and answered ("> "), without prompts and greetings.
QByteArrayList commandsAndReplies()
{
    QByteArrayList passed;
    for (const QByteArray &line : BoardSimProcess::logLines(kLog)) {
        if ((line.startsWith("< ") || line.startsWith("> ")) && !line.endsWith(">") &&
            !line.contains("ebug"))
            passed << line;
    }
    return passed;
}

// Connected once the board answered the greeting, so that its reply paces nothing.
bool connectTo(MainWindow &window, const BoardSimProcess &sim)
{
    QSignalSpy rows(&window, &MainWindow::gotRow);
    const auto greeted = [&rows] {
        return std::any_of(rows.cbegin(), rows.cend(), [](const QList<QVariant> &row) {
            return row.first().toString() == QLatin1String("Debug level 128");
        });
    };
    return window.connectToDevice(QStringLiteral("127.0.0.1"), sim.ports.first(), nullptr) &&
           QTest::qWaitFor(greeted, 5000);
}

} // namespace

// A script and a hotkey run from the main window against the simulated board, which answers
// slowly: a window that did not wait for each reply would show in the transcript.
class TestScriptE2E : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void scriptAdvancesOneLinePerReply();
    void hotkeyDefinedBySendingSurvivesARestart();

private:
    std::unique_ptr<BoardSimProcess> sim;
    FakePrompter prompter;
};

void TestScriptE2E::init()
{
    QDir().mkpath(QStringLiteral("ws/log"));
    SettingsStore::set("workingFolder", QDir::currentPath() + "/ws");
    SettingsStore::set("workingFile", "e2e.scr");
    sim = std::make_unique<BoardSimProcess>();
    QVERIFY(sim->start(BoardSimProcess::quietArguments() +
                       QStringList{"--log", kLog, "--fault", "slow=150"}));
}

void TestScriptE2E::scriptAdvancesOneLinePerReply()
{
    MainWindow window(prompter);
    QVERIFY(connectTo(window, *sim));
    const QString script = QStringLiteral("ping\n# never sent\n\ndo_beep 62415\n  ping  ");
    window.findChild<QTextEdit *>("txtCommand")->setPlainText(script);
    prompter.answer(QMessageBox::Yes);
    window.findChild<QPushButton *>("btnSend")->click();
    QTRY_VERIFY_WITH_TIMEOUT(commandsAndReplies().size() >= 6, 5000);
    QCOMPARE(commandsAndReplies(), (QByteArrayList{"< ping", "> pong", "< do_beep 62415",
                                                   "> BEEP 62415", "< ping", "> pong"}));
    QFile saved(QStringLiteral("ws/e2e.scr"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), script.toLatin1());
}

void TestScriptE2E::hotkeyDefinedBySendingSurvivesARestart()
{
    {
        MainWindow window(prompter);
        QVERIFY(connectTo(window, *sim));
        auto *editor = window.findChild<QTextEdit *>("txtCommand");
        editor->setPlainText(QStringLiteral("#hotkey2|Three|ping;do_beep 1;ping"));
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(window.findChild<QPushButton *>("btnHotKey2")->text(), QStringLiteral("Three"));
    }
    MainWindow restarted(prompter);
    auto *hotkey = restarted.findChild<QPushButton *>("btnHotKey2");
    QCOMPARE(hotkey->text(), QStringLiteral("Three"));
    QVERIFY(connectTo(restarted, *sim));
    hotkey->click();
    QTRY_VERIFY_WITH_TIMEOUT(commandsAndReplies().size() >= 6, 5000);
    QCOMPARE(commandsAndReplies(),
             (QByteArrayList{"< ping", "> pong", "< do_beep 1", "> BEEP 1", "< ping", "> pong"}));
}

QTEST_MAIN(TestScriptE2E)
#include "tst_script_e2e.moc"
