#include "gitcommands.h"
#include "gitrunner.h"
#include "gitsandbox.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(GitCall)

namespace {

enum class Fault {
    GitMissing,
    NothingToCommit,
    NoUpstream,
    Rejected,
    Conflict,
    NoRepository,
    ScriptMissing
};

struct Outcome
{
    bool ok = false;
    QString text = "no end";
};

Outcome runToEnd(GitRunner &runner, const QList<GitCall> &calls)
{
    QSignalSpy ended(&runner, &GitRunner::finished);
    if (!runner.run(calls) || !ended.wait(20000))
        return {};
    return {ended.at(0).at(0).toBool(), ended.at(0).at(1).toString()};
}

} // namespace

Q_DECLARE_METATYPE(Fault)

// The git calls of the workspace with real git: repositories in a temporary folder, a bare
// one as the server, loopback servers that never answer or ask for a login.
class TestGit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void arguments_data();
    void arguments();
    void commitKeepsTheMessageIntactAndPushReachesTheServer();
    void failures_data();
    void failures();
    void deadServerEndsInTheTimeout_data();
    void deadServerEndsInTheTimeout();
    void loginIsRefusedWithoutAPrompt();
    void sshRunsInBatchMode();
};

void TestGit::initTestCase()
{
    qunsetenv("GIT_SSH_COMMAND");
    qunsetenv("GIT_SSH");
}

void TestGit::arguments_data()
{
    QTest::addColumn<GitCall>("built");
    QTest::addColumn<QStringList>("expected");
    const GitCommands commands("C:/work");
    const QStringList common{"--git-dir=C:/work/.git", "--work-tree=C:/work"};
    const QList<GitCall> commit = commands.commit("/tube/cold.scr", "heater fix");
    QTest::newRow("script added by its full path")
        << commit[0] << common + QStringList{"add", "C:/work/tube/cold.scr"};
    QTest::newRow("hotkey file added after it")
        << commit[1] << common + QStringList{"add", "C:/work/tube/cold.scr.hotkeys"};
    QTest::newRow("bracketed message is one element, quotes included")
        << commit[2] << common + QStringList{"commit", "-m \"[/tube/cold.scr] heater fix \""};
    QTest::newRow("empty message: bracket, two blanks, quote")
        << commands.commit("/tube/cold.scr", "")[2]
        << common + QStringList{"commit", "-m \"[/tube/cold.scr]  \""};
    const QList<GitCall> topLevel = commands.commit("/a.scr", " as typed ");
    QTest::newRow("top-level sub project: file in the folder")
        << topLevel[0] << common + QStringList{"add", "C:/work/a.scr"};
    QTest::newRow("top-level sub project: message names /file, text not trimmed")
        << topLevel[2] << common + QStringList{"commit", "-m \"[/a.scr]  as typed  \""};
    QTest::newRow("push") << commands.push() << common + QStringList{"push"};
    QTest::newRow("pull") << commands.pull() << common + QStringList{"pull"};
}

void TestGit::arguments()
{
    QFETCH(GitCall, built);
    QFETCH(QStringList, expected);
    QCOMPARE(built.arguments, expected);
    QCOMPARE(built.command, expected.at(2));
    const bool remote = built.command == "push" || built.command == "pull";
    QCOMPARE(built.reach == GitCall::Reach::Remote, remote);
}

void TestGit::commitKeepsTheMessageIntactAndPushReachesTheServer()
{
    GitSandbox sandbox;
    const QString folder = sandbox.clone("work");
    writeFile(folder + "/tube/cold.scr", "led 0\n");
    writeFile(folder + "/tube/cold.scr.hotkeys", "#hotkey1|Off|led 0\r\n");
    const QString message = "he said \"hi\"; $(touch pwned) `touch pwned`";
    GitRunner runner;
    const GitCommands commands(folder);
    const Outcome committed = runToEnd(runner, commands.commit("/tube/cold.scr", message));
    QVERIFY2(committed.ok, qPrintable(committed.text));
    QVERIFY2(committed.text.startsWith("[master "), qPrintable(committed.text));
    const QString argument = GitCommands::messageArgument("/tube/cold.scr", message);
    QCOMPARE(QString(GitSandbox::git(folder, {"log", "-1", "--format=%B"})),
             argument.mid(2) + "\n\n");
    QCOMPARE(GitSandbox::git(folder, {"show", "--format=", "--name-only", "HEAD"}),
             QByteArray("tube/cold.scr\ntube/cold.scr.hotkeys\n"));
    QVERIFY(QDir::current().entryList({"pwned"}).isEmpty());

    const Outcome pushed = runToEnd(runner, {commands.push()});
    QVERIFY2(pushed.ok, qPrintable(pushed.text));
    QVERIFY2(pushed.text.endsWith("master -> master"), qPrintable(pushed.text));
    QCOMPARE(GitSandbox::head(sandbox.remote()), GitSandbox::head(folder));
}

void TestGit::failures_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("told");
    QTest::newRow("git not on the PATH") << Fault::GitMissing << "was not found on the PATH";
    QTest::newRow("nothing to commit") << Fault::NothingToCommit << "nothing to commit";
    QTest::newRow("push without upstream") << Fault::NoUpstream << "has no upstream branch";
    QTest::newRow("push rejected: the server is ahead") << Fault::Rejected << "[rejected]";
    QTest::newRow("pull meets a merge conflict") << Fault::Conflict << "CONFLICT (content)";
    QTest::newRow("folder is no repository") << Fault::NoRepository << "not a git repository";
    QTest::newRow("failing add stops the commit")
        << Fault::ScriptMissing << "git add failed (exit code 128):\n\nfatal: pathspec";
}

void TestGit::failures()
{
    QFETCH(Fault, fault);
    QFETCH(QString, told);
    GitSandbox sandbox;
    const QString folder = sandbox.clone("work");
    const GitCommands commands(folder);
    QList<GitCall> calls{commands.push()};
    if (fault == Fault::NothingToCommit)
        calls = commands.commit("/tube/cold.scr", "again");
    if (fault == Fault::NoUpstream)
        GitSandbox::git(folder, {"checkout", "-q", "-b", "topic"});
    if (fault == Fault::Rejected || fault == Fault::Conflict) {
        GitSandbox::commitScript(sandbox.clone("other"), "led 2\n", "", true);
        GitSandbox::commitScript(folder, "led 3\n", "", false);
    }
    if (fault == Fault::Conflict)
        calls = {commands.pull()};
    if (fault == Fault::NoRepository)
        calls = {GitCommands(sandbox.dir.path()).push()};
    if (fault == Fault::ScriptMissing) {
        writeFile(folder + "/tube/gone.scr.hotkeys", "");
        calls = commands.commit("/tube/gone.scr", "lost");
    }
    const QString before = GitSandbox::head(folder);
    const QByteArray path = qgetenv("PATH");
    if (fault == Fault::GitMissing)
        qputenv("PATH", sandbox.dir.path().toLocal8Bit());
    GitRunner runner;
    const Outcome outcome = runToEnd(runner, calls);
    qputenv("PATH", path);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.text.contains(told), qPrintable(outcome.text));
    QCOMPARE(GitSandbox::head(folder), before);
}

void TestGit::deadServerEndsInTheTimeout_data()
{
    QTest::addColumn<QByteArray>("scheme");
    QTest::newRow("git protocol, server silent") << QByteArray("git");
    QTest::newRow("http, server silent") << QByteArray("http");
}

void TestGit::deadServerEndsInTheTimeout()
{
    QFETCH(QByteArray, scheme);
    GitSandbox sandbox;
    const QString folder = sandbox.clone("work");
    LoopbackServer server(false);
    GitSandbox::git(folder, {"remote", "set-url", "origin", server.url(scheme)});
    GitRunner runner;
    runner.setTimeouts(10s, 1s);
    int ticks = 0; // the event loop keeps running, so the window keeps painting
    QTimer painter;
    connect(&painter, &QTimer::timeout, [&ticks] { ++ticks; });
    painter.start(20);
    QElapsedTimer clock;
    clock.start();
    QSignalSpy ended(&runner, &GitRunner::finished);
    QVERIFY(runner.run({GitCommands(folder).push()}));
    QVERIFY(!runner.run({GitCommands(folder).pull()}));
    QVERIFY(ended.wait(5000));
    QVERIFY(!ended.at(0).at(0).toBool());
    QVERIFY2(ended.at(0).at(1).toString().startsWith("git push did not finish within 1 s"),
             qPrintable(ended.at(0).at(1).toString()));
    QVERIFY2(clock.elapsed() < 3000 && ticks > 20, qPrintable(QString::number(ticks)));
    QVERIFY(!runner.isRunning());
}

void TestGit::loginIsRefusedWithoutAPrompt()
{
    GitSandbox sandbox;
    const QString folder = sandbox.clone("work");
    LoopbackServer server(true);
    GitSandbox::git(folder, {"remote", "set-url", "origin", server.url("http")});
    GitRunner runner;
    const Outcome outcome = runToEnd(runner, {GitCommands(folder).pull()});
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.text.contains("terminal prompts disabled"), qPrintable(outcome.text));
}

void TestGit::sshRunsInBatchMode()
{
    GitRunner runner;
    const GitCall env{"env", {"-c", "alias.env=!printenv GIT_SSH_COMMAND", "env"}};
    const Outcome outcome = runToEnd(runner, {env});
    QCOMPARE(outcome.text, QString("ssh -o BatchMode=yes"));
}

QTEST_GUILESS_MAIN(TestGit)
#include "tst_git.moc"
