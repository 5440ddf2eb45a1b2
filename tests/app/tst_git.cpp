#include "gitcommands.h"
#include "gitrunner.h"
#include "gitsandbox.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(GitCall)

namespace {

// ok and text of the run's end; empty when it did not end.
QList<QVariant> runToEnd(GitRunner &runner, const QList<GitCall> &calls)
{
    QSignalSpy ended(&runner, &GitRunner::finished);
    QElapsedTimer clock;
    clock.start();
    if (!runner.run(calls) || clock.elapsed() > 500 || !ended.wait(20000))
        return {}; // run() returns at once: git works while the window keeps painting
    return ended.first();
}

} // namespace

// The git calls of the workspace with real git: repositories in a temporary folder, a bare
// one as the server. The time-out on a dead server is the window's test.
class TestGit : public QObject
{
    Q_OBJECT
private slots:
    void arguments_data()
    {
        QTest::addColumn<GitCall>("built");
        QTest::addColumn<QStringList>("expected");
        const GitCommands commands("C:/work");
        const auto row = [](const char *name, const GitCall &call, const QStringList &tail) {
            const QStringList places = {"--git-dir=C:/work/.git", "--work-tree=C:/work"};
            QTest::newRow(name) << call << places + tail;
        };
        const QList<GitCall> commit = commands.commit("/tube/cold.scr", "heater fix");
        row("script added by its full path", commit[0], {"add", "C:/work/tube/cold.scr"});
        row("hotkey file added after it", commit[1], {"add", "C:/work/tube/cold.scr.hotkeys"});
        row("bracketed message is one element, quotes included", commit[2],
            {"commit", "-m \"[/tube/cold.scr] heater fix \""});
        row("empty message: bracket, two blanks, quote", commands.commit("/tube/cold.scr", "")[2],
            {"commit", "-m \"[/tube/cold.scr]  \""});
        const QList<GitCall> topLevel = commands.commit("/a.scr", " as typed ");
        row("top-level sub project: file in the folder", topLevel[0], {"add", "C:/work/a.scr"});
        row("top-level sub project: message names /file, text not trimmed", topLevel[2],
            {"commit", "-m \"[/a.scr]  as typed  \""});
        row("push", commands.push(), {"push"});
        row("pull", commands.pull(), {"pull"});
    }
    void arguments()
    {
        QFETCH(GitCall, built);
        QFETCH(QStringList, expected);
        QCOMPARE(built.arguments, expected);
        QCOMPARE(built.command, expected.at(2));
        const bool remote = built.command == "push" || built.command == "pull";
        QCOMPARE(built.reach == GitCall::Reach::Remote, remote); // the longer time-out
    }

    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("told");
        const auto row = [](const char *name, const char *fault, const char *told) {
            QTest::newRow(name) << fault << told;
        };
        row("git not on the PATH", "no git", "was not found on the PATH");
        row("nothing to commit", "commit", "nothing to commit");
        row("push rejected: the server is ahead", "push", "[rejected]");
        row("pull meets a merge conflict", "pull", "CONFLICT (content)");
        row("folder is no repository", "no repository", "not a git repository");
        row("failing add stops the commit", "add",
            "git add failed (exit code 128):\n\nfatal: pathspec");
    }
    void failures()
    {
        QFETCH(QString, fault);
        QFETCH(QString, told);
        GitSandbox sandbox;
        const QString folder = sandbox.clone("work");
        const GitCommands commands(folder);
        QList<GitCall> calls{fault == "pull" ? commands.pull() : commands.push()};
        if (fault == "commit")
            calls = commands.commit("/tube/cold.scr", "again");
        if (fault == "push" || fault == "pull") {
            GitSandbox::commitScript(sandbox.clone("other"), "led 2\n", "", true);
            GitSandbox::commitScript(folder, "led 3\n", "", false);
        }
        if (fault == "no repository")
            calls = {GitCommands(sandbox.dir.path()).push()};
        if (fault == "add") {
            writeFile(folder + "/tube/gone.scr.hotkeys");
            calls = commands.commit("/tube/gone.scr", "lost");
        }
        const QByteArray before = GitSandbox::head(folder);
        const QByteArray path = qgetenv("PATH");
        if (fault == "no git")
            qputenv("PATH", sandbox.dir.path().toLocal8Bit());
        GitRunner runner;
        const QList<QVariant> end = runToEnd(runner, calls);
        qputenv("PATH", path);
        QCOMPARE(end.value(0), QVariant(false));
        QVERIFY2(end.value(1).toString().contains(told), qPrintable(end.value(1).toString()));
        QCOMPARE(GitSandbox::head(folder), before);
    }

    void gitNeverPrompts()
    {
        qunsetenv("GIT_SSH_COMMAND");
        qunsetenv("GIT_SSH");
        GitRunner runner;
        const GitCall env{"env",
                          {"-c", "alias.env=!echo $GIT_TERMINAL_PROMPT $GIT_SSH_COMMAND", "env"}};
        QCOMPARE(runToEnd(runner, {env}).value(1), QVariant("0 ssh -o BatchMode=yes"));
        QVERIFY(runner.run({env}));
        QVERIFY(!runner.run({env})); // one run at a time
    }
};

QTEST_GUILESS_MAIN(TestGit)
#include "tst_git.moc"
