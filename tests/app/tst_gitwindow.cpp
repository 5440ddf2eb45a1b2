#include "gitrunner.h"
#include "gitsandbox.h"
#include "windowprobe.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>

namespace {

QTextEdit *editor(const MainWindow &window)
{
    return child<QTextEdit>(window, "txtCommand");
}

// Runs one git control of the window and waits for its end; false when it did not end.
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
    void init();
    void commitPushAndPullAsAUserWould();
    void failureIsToldAndControlsFollowTheConnection_data();
    void failureIsToldAndControlsFollowTheConnection();

private:
    void useWorkspace(const QString &folder);

    FakePrompter prompter;
};

void TestGitWindow::init()
{
    resetWindowState();
    prompter = FakePrompter();
}

void TestGitWindow::useWorkspace(const QString &folder)
{
    SettingsStore::set("workingFolder", folder);
    SettingsStore::set("workingSubProjFile", "/tube");
    SettingsStore::set("workingFile", "cold.scr");
}

void TestGitWindow::commitPushAndPullAsAUserWould()
{
    GitSandbox sandbox;
    const QString work = sandbox.clone("work");
    const QString other = sandbox.clone("other");
    useWorkspace(work);
    ConnectedWindow connected(prompter);
    QVERIFY(connected.peer);
    MainWindow &window = connected.window;
    editor(window)->setPlainText("led 5\n");
    child<QLineEdit>(window, "txtCommitMessage")->setText("brighter");
    QVERIFY(runGit(window, "cmdGitCommit"));
    QCOMPARE(GitSandbox::git(work, {"show", "HEAD:tube/cold.scr"}), QByteArray("led 5\n"));
    QVERIFY(GitSandbox::git(work, {"show", "HEAD:tube/cold.scr.hotkeys"}).startsWith("#hotkey1|"));
    QVERIFY2(window.statusBar()->currentMessage().startsWith("[master "),
             qPrintable(window.statusBar()->currentMessage()));
    QVERIFY(runGit(window, "actionPush_to_server"));
    QCOMPARE(GitSandbox::head(sandbox.remote()), GitSandbox::head(work));

    GitSandbox::git(other, {"pull", "-q"});
    GitSandbox::commitScript(other, "led 7\n", "#hotkey1|Seven|led 7\r\n", true);
    QVERIFY(runGit(window, "actionPull_latest_from_server"));
    QCOMPARE(editor(window)->toPlainText(), QString("led 7\n"));
    QCOMPARE(child<QLineEdit>(window, "txtHotkey1")->text(), QString("led 7"));
    QCOMPARE(text(window, "btnHotKey1"), QString("Seven"));
    QVERIFY(workspaceEnabled(window));
    QVERIFY(prompter.asked.isEmpty());

    child<QAction>(window, "actionPull_latest_local")->trigger();
    QVERIFY(!window.findChild<GitRunner *>()->isRunning());
}

void TestGitWindow::failureIsToldAndControlsFollowTheConnection_data()
{
    QTest::addColumn<bool>("connect"); // and drop the connection while git waits
    QTest::addColumn<QString>("told");
    QTest::newRow("no console: push without a remote")
        << false << "git push failed (exit code 128):\n\nfatal: No configured push destination";
    QTest::newRow("console drops while push waits on a dead server")
        << true << "git push did not finish within 1 s and was stopped.";
}

void TestGitWindow::failureIsToldAndControlsFollowTheConnection()
{
    QFETCH(bool, connect);
    QFETCH(QString, told);
    GitSandbox sandbox;
    const QString work = sandbox.clone("work");
    LoopbackServer dead(false);
    if (connect)
        GitSandbox::git(work, {"remote", "set-url", "origin", dead.url("git")});
    else
        GitSandbox::git(work, {"remote", "remove", "origin"});
    useWorkspace(work);
    ConnectedWindow connected(prompter);
    MainWindow &window = connected.window;
    auto *git = window.findChild<GitRunner *>();
    git->setTimeouts(GitRunner::kLocalTimeout, std::chrono::seconds(1));
    if (!connect)
        window.disconnected();
    editor(window)->setPlainText("edited\n");
    QSignalSpy ended(git, &GitRunner::finished);
    child<QAction>(window, "actionPush_to_server")->trigger();
    QVERIFY(!workspaceEnabled(window));
    QCOMPARE(fileBytes(work + "/tube/cold.scr"), QByteArray("edited\n"));
    QTRY_COMPARE(window.statusBar()->currentMessage(), QString("git push ..."));
    if (connect)
        connected.peer->disconnectFromHost();
    QVERIFY(ended.wait(5000));
    QCOMPARE(prompter.asked.size(), 1);
    QCOMPARE(prompter.asked[0].kind, FakePrompter::Kind::Warning);
    QVERIFY2(prompter.shown()[0].startsWith("Git|" + told), qPrintable(prompter.shown()[0]));
    QVERIFY(!workspaceEnabled(window));
}

QTEST_MAIN(TestGitWindow)
#include "tst_gitwindow.moc"
