#include "gitrunner.h"
#include "gitsandbox.h"
#include "windowprobe.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
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
    if (auto *action = window.findChild<QAction *>(control))
        action->trigger();
    else
        child<QPushButton>(window, control)->click();
    return ended.wait(20000);
}

bool workspaceEnabled(const MainWindow &window)
{
    return editor(window)->isEnabled() && child<QWidget>(window, "cboScriptfiles")->isEnabled();
}

} // namespace

// Commit, push and pull as the window wires them, with real repositories: the script saved
// first, the pulled script shown, failures told, the controls following the connection.
class TestGitWindow : public QObject
{
    Q_OBJECT
private slots:
    void commitPushAndPullAsAUserWould();
};

void TestGitWindow::commitPushAndPullAsAUserWould()
{
    resetWindowState();
    GitSandbox sandbox;
    const QString work = sandbox.clone("work");
    const QString other = sandbox.clone("other");
    SettingsStore::set("workingFolder", work);
    SettingsStore::set("workingSubProjFile", "/tube");
    SettingsStore::set("workingFile", "cold.scr");
    FakePrompter prompter;
    ConnectedWindow connected(prompter);
    QVERIFY(connected.peer);
    MainWindow &window = connected.window;
    editor(window)->setPlainText("led 5\n");
    child<QLineEdit>(window, "txtCommitMessage")->setText("he said \"hi\"; $(touch pwned)");
    QVERIFY(runGit(window, "cmdGitCommit"));
    QCOMPARE(GitSandbox::git(work, {"show", "HEAD:tube/cold.scr"}), QByteArray("led 5\n"));
    QVERIFY(GitSandbox::git(work, {"show", "HEAD:tube/cold.scr.hotkeys"}).startsWith("#hotkey1"));
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
    QCOMPARE(child<QLineEdit>(window, "txtHotkey1")->text(), QString("led 7"));
    QCOMPARE(text(window, "btnHotKey1"), QString("Seven"));
    QVERIFY(workspaceEnabled(window) && prompter.asked.isEmpty());
    child<QAction>(window, "actionPull_latest_local")->trigger();
    QVERIFY(!window.findChild<GitRunner *>()->isRunning());

    // The server dies: the push ends in its time-out; the console drops meanwhile.
    QTcpServer dead; // takes the connection and never answers
    dead.listen(QHostAddress::LocalHost);
    const QString url = QString("git://127.0.0.1:%1/remote.git").arg(dead.serverPort());
    GitSandbox::git(work, {"remote", "set-url", "origin", url});
    window.findChild<GitRunner *>()->setTimeouts(GitRunner::kLocalTimeout, std::chrono::seconds(1));
    child<QAction>(window, "actionPush_to_server")->trigger();
    QVERIFY(!workspaceEnabled(window));
    QTRY_COMPARE(window.statusBar()->currentMessage(), QString("git push ..."));
    connected.peer->disconnectFromHost();
    QTRY_COMPARE(prompter.shown(),
                 QStringList("Git|git push did not finish within 1 s and was stopped."));
    QVERIFY(!workspaceEnabled(window));

    // Without a console: the failure told in git's words, the controls stay disabled.
    GitSandbox::git(work, {"remote", "remove", "origin"});
    QVERIFY(runGit(window, "actionPush_to_server"));
    QCOMPARE(prompter.asked.size(), 2);
    QCOMPARE(prompter.asked[1].kind, FakePrompter::Kind::Warning);
    QVERIFY(prompter.asked[1].text.contains("No configured push destination"));
    QVERIFY(!workspaceEnabled(window));
}

QTEST_MAIN(TestGitWindow)
#include "tst_gitwindow.moc"
