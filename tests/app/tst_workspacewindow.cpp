#include "gitrunner.h"
#include "gitsandbox.h"
#include "telemetryrecord.h"
#include "windowprobe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {

QTextEdit *editor(const MainWindow &window)
{
    return child<QTextEdit>(window, "txtCommand");
}

// Runs one git control of the window; false when git did not end.
bool runGit(MainWindow &window, const QString &control)
{
    QSignalSpy ended(window.findChild<GitRunner *>(), &GitRunner::finished);
    use(window, control);
    return ended.wait(20000);
}

bool workspaceEnabled(const MainWindow &window)
{
    return enabled(window, "txtCommand") && enabled(window, "cboScriptfiles");
}

} // namespace

// The workspace, script runs, hotkeys and git as the main window wires them: saving before a
// script is left, the questions asked, what a run saves and logs, Stop, the loop, the keys of
// the editor, commit, push and pull. The files, lines and pacing themselves are the units'.
class TestWorkspaceWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        // ws/tube holds the stored script a.scr with hotkey 2, and b.scr; ws/other is a git
        // work tree.
        resetWindowState();
        prompter = FakePrompter();
        QDir(folder).removeRecursively();
        writeFile(folder + "/tube/a.scr", "led 1\n");
        writeFile(folder + "/tube/a.scr.hotkeys", "#hotkey2|Beep|do_beep 1\r\n");
        writeFile(folder + "/tube/b.scr", "bee\n");
        writeFile(folder + "/other/.git/HEAD");
        writeFile(folder + "/other/d.scr", "dee\n");
        QDir().mkpath(folder + "/tube/log");
        for (const QString &prefix : {QString(), QStringLiteral("prod_")}) {
            SettingsStore::set(prefix + "workingFolder", folder);
            SettingsStore::set(prefix + "workingSubProjFile", "/tube");
            SettingsStore::set(prefix + "workingFile", "a.scr");
        }
    }

    void leavingAScriptSavesItsEdits_data()
    {
        QTest::addColumn<QString>("leave"); // by which choice the script is left
        QTest::addColumn<bool>("production");
        QTest::newRow("another script") << "script" << false;
        QTest::newRow("another sub project") << "sub project" << false;
        QTest::newRow("another folder, a git work tree") << "folder" << false;
        QTest::newRow("production mode saves nothing") << "script" << true;
    }
    void leavingAScriptSavesItsEdits()
    {
        QFETCH(QString, leave);
        QFETCH(bool, production);
        SettingsStore::set("prod_mode", production ? "1" : "0");
        MainWindow window(prompter);
        QVERIFY(child<QWidget>(window, "cmdGitCommit")->isHidden());
        editor(window)->setPlainText(QStringLiteral("edited"));
        child<QLineEdit>(window, "txtHotkey1")->setText(QStringLiteral("stop"));
        if (leave == "script")
            child<QComboBox>(window, "cboScriptfiles")->setCurrentText("b.scr");
        if (leave == "sub project")
            child<QComboBox>(window, "cboSubProj")->setCurrentText("/other");
        prompter.answer(folder + "/other");
        if (leave == "folder")
            use(window, "btnHomeDirectory");
        QCOMPARE(fileBytes(folder + "/tube/a.scr"), QByteArray(production ? "led 1\n" : "edited"));
        const QByteArray hotkeys = fileBytes(folder + "/tube/a.scr.hotkeys");
        QCOMPARE(hotkeys.contains("#hotkey1|Hotkey 1|stop\r\n"), !production);
        QCOMPARE(hotkeys.endsWith("#hotkey13|Hotkey 13 (F5)|\r\n"), !production);
        QCOMPARE(editor(window)->toPlainText(), QString(leave == "script" ? "bee\n" : "dee\n"));
        QCOMPARE(child<QWidget>(window, "cmdGitCommit")->isHidden(), leave != "folder");
    }

    void switchingByName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer"); // to "Save active file?" after editing; 0: not edited
        QTest::addColumn<QByteArray>("oldFile");
        QTest::addColumn<QString>("shown"); // editor afterwards
        QTest::addColumn<QString>("name");  // field and working file afterwards
        const auto row = [](const char *name, const char *typed, int answer, const char *oldFile,
                            const char *shown, const char *now) {
            QTest::newRow(name) << typed << answer << QByteArray(oldFile) << shown << now;
        };
        row("Yes saves under the old name", "b.scr", QMessageBox::Yes, "edited", "bee\n", "b.scr");
        row("No drops the edits", "b.scr", QMessageBox::No, "led 1\n", "bee\n", "b.scr");
        row("Cancel keeps name and edits", "b.scr", QMessageBox::Cancel, "led 1\n", "edited",
            "a.scr");
        row("new name starts an empty script", "new.scr", 0, "led 1\n", "", "new.scr");
        row("name with a folder refused", "../b.scr", 0, "led 1\n", "led 1\n", "a.scr");
    }
    void switchingByName()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QByteArray, oldFile);
        QFETCH(QString, shown);
        QFETCH(QString, name);
        MainWindow window(prompter);
        if (answer) {
            editor(window)->setPlainText(QStringLiteral("edited"));
            prompter.answer(QMessageBox::StandardButton(answer));
        }
        auto *field = child<QLineEdit>(window, "txtlogFile");
        field->setText(typed);
        QTest::keyClick(field, Qt::Key_Return); // the handler runs twice: Return, end of editing
        QCOMPARE(fileBytes(folder + "/tube/a.scr"), oldFile);
        QCOMPARE(editor(window)->toPlainText(), shown);
        QCOMPARE(field->text() + SettingsStore::get("workingFile", "").toString(), name + name);
        QCOMPARE(text(window, "btnHotKey2"), QStringLiteral("Beep")); // kept without a hotkey file
        QStringList asked = prompter.shown();
        if (answer)
            QCOMPARE(asked.takeFirst(), QStringLiteral("Confirm change|Save active file?"));
        QCOMPARE(asked.size(), typed.contains('/') ? 1 : 0); // the refusal
    }

    void stopEmptiesTheQueueAndEndsTheProgress()
    {
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        auto *progress = child<QLabel>(c.window, "lblRunProgress");
        editor(c.window)->setPlainText(QStringLiteral("a\n# note\nb\nc"));
        prompter.answer(QMessageBox::Yes);
        use(c.window, "btnSend");
        QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
        QCOMPARE(progress->text(), QStringLiteral("line 1 of 3"));
        c.peer->write("ok\n");
        QCOMPARE(readBytes(c.peer, 3), QByteArray("b\r\n"));
        QTRY_COMPARE(progress->text(), QStringLiteral("line 2 of 3")); // refreshed now and then
        use(c.window, "btnSendStop");
        QCOMPARE(readBytes(c.peer, 6), QByteArray("stop\r\n"));
        QVERIFY(progress->text().isEmpty());
        c.peer->write("stopped\n");
        QCOMPARE(readBytes(c.peer, 3, 300), QByteArray()); // c is never sent
    }

    void loopRunsAgainAfterABrew()
    {
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        child<QComboBox>(c.window, "cboLoopTime")->setCurrentText("1 sec");
        auto *loop = child<QCheckBox>(c.window, "cheLoopCommand");
        loop->setChecked(true);
        editor(c.window)->setPlainText(QStringLiteral("a"));
        prompter.answer(QMessageBox::Yes);
        use(c.window, "btnSend");
        const auto brew = [&c] {
            for (int state : {4, 2}) {
                TBTubeLogData record = telemetryRecord(QStringLiteral("127.0.0.1"));
                record.state = state;
                c.window.gotLogdata(record);
            }
        };
        brew();
        QCOMPARE(readBytes(c.peer, 6, 3000), QByteArray("a\r\na\r\n")); // again after the wait
        brew(); // unchecking during the wait cancels it and disarms the loop
        loop->setChecked(false);
        loop->setChecked(true);
        brew();
        QCOMPARE(readBytes(c.peer, 3, 1500), QByteArray());
    }

    void keyBindingsRunSaveAndLog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("asked");      // the confirmation of send all, answered Yes
        QTest::addColumn<QByteArray>("wire"); // sent at once
        QTest::addColumn<bool>("run");        // the script saved first, and logged
        const auto row = [](const char *name, int key, int modifiers, bool selected, bool asked,
                            const char *wire, bool run) {
            QTest::newRow(name) << key << modifiers << selected << asked << QByteArray(wire) << run;
        };
        row("Alt+Return sends the selection", Qt::Key_Return, Qt::AltModifier, true, false,
            "led 2\r\n", true);
        row("Alt+Return without a selection does nothing", Qt::Key_Return, Qt::AltModifier, false,
            false, "", false);
        row("Shift+Enter asks to run all", Qt::Key_Enter, Qt::ShiftModifier, false, true,
            "led 2\r\n", true);
        row("Ctrl+F5 runs hotkey 13, on the Logdata tab", Qt::Key_F5, Qt::ControlModifier, false,
            false, "stop\r\n", false);
    }
    void keyBindingsRunSaveAndLog()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, selected);
        QFETCH(bool, asked);
        QFETCH(QByteArray, wire);
        QFETCH(bool, run);
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        child<QLineEdit>(c.window, "txtHotkey13")->setText(QStringLiteral("stop;;#x"));
        child<QCheckBox>(c.window, "cheAutoSwitch")->setChecked(true);
        auto *tabs = child<QTabWidget>(c.window, "tabWidget");
        tabs->setCurrentIndex(1);
        editor(c.window)->setPlainText(QStringLiteral("led 2"));
        if (selected)
            editor(c.window)->selectAll();
        prompter.answer(QMessageBox::Yes);
        QTest::keyClick(editor(c.window), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(readBytes(c.peer, wire.size() + 1, 300), wire);
        QCOMPARE(prompter.scriptUsedUp(), asked);
        QCOMPARE(tabs->currentIndex(), key == Qt::Key_F5 ? 0 : 1);
        QCOMPARE(fileBytes(folder + "/tube/a.scr") == "led 2", run);
        const QByteArray history = fileBytes(folder + "/tube/log/history.log");
        QCOMPARE(history.startsWith("[Logdate:") && history.endsWith("led 2"), run);
    }

    void hotkeyFieldRefusesBar()
    {
        ConnectedWindow c(prompter);
        QVERIFY(c.peer);
        auto *field = child<QLineEdit>(c.window, "txtHotkey4");
        QTest::keyClicks(field, QStringLiteral("led 1|led 0"));
        QCOMPARE(field->text(), QStringLiteral("led 1led 0"));
        QVERIFY(c.window.statusBar()->currentMessage().contains('|'));
    }

    void commitPushAndPullAsAUserWould()
    {
        GitSandbox sandbox;
        const QString work = sandbox.clone("work");
        const QString other = sandbox.clone("other");
        SettingsStore::set("workingFolder", work);
        SettingsStore::set("workingFile", "cold.scr");
        ConnectedWindow connected(prompter);
        QVERIFY(connected.peer);
        MainWindow &window = connected.window;
        editor(window)->setPlainText("led 5\n");
        child<QLineEdit>(window, "txtCommitMessage")->setText("he said \"hi\"; $(touch pwned)");
        QVERIFY(runGit(window, "cmdGitCommit"));
        QCOMPARE(GitSandbox::git(work, {"show", "HEAD:tube/cold.scr"}), QByteArray("led 5\n"));
        QVERIFY(GitSandbox::git(work, {"show", "HEAD:tube/cold.scr.hotkeys"}).startsWith("#hot"));
        QCOMPARE(GitSandbox::git(work, {"log", "-1", "--format=%B"}),
                 QByteArray(" \"[/tube/cold.scr] he said \"hi\"; $(touch pwned) \"\n\n"));
        QVERIFY(!QFile::exists("pwned"));
        QVERIFY(window.statusBar()->currentMessage().startsWith("[master "));
        QVERIFY(runGit(window, "actionPush_to_server"));
        QCOMPARE(GitSandbox::head(sandbox.dir.filePath("remote.git")), GitSandbox::head(work));

        GitSandbox::git(other, {"pull", "-q"});
        GitSandbox::commitScript(other, "led 7\n", "#hotkey1|Seven|led 7\r\n", true);
        QVERIFY(runGit(window, "actionPull_latest_from_server"));
        QCOMPARE(editor(window)->toPlainText(), QString("led 7\n"));
        QCOMPARE(text(window, "btnHotKey1"), QString("Seven"));
        QVERIFY(workspaceEnabled(window) && prompter.asked.isEmpty());

        // The server dies: the push ends in its time-out; the console drops meanwhile.
        QTcpServer dead; // takes the connection and never answers
        dead.listen(QHostAddress::LocalHost);
        const QString url = QString("git://127.0.0.1:%1/remote.git").arg(dead.serverPort());
        GitSandbox::git(work, {"remote", "set-url", "origin", url});
        auto *git = window.findChild<GitRunner *>();
        git->setTimeouts(GitRunner::kLocalTimeout, std::chrono::seconds(1));
        use(window, "actionPush_to_server");
        QVERIFY(!workspaceEnabled(window));
        QTRY_COMPARE(window.statusBar()->currentMessage(), QString("git push ..."));
        connected.peer->disconnectFromHost();
        QTRY_COMPARE(prompter.shown(),
                     QStringList("Git|git push did not finish within 1 s and was stopped."));
        QVERIFY(!workspaceEnabled(window)); // git ended without a console
    }

private:
    FakePrompter prompter;
    const QString folder = QDir::currentPath() + QStringLiteral("/ws");
};

QTEST_MAIN(TestWorkspaceWindow)
#include "tst_workspacewindow.moc"
