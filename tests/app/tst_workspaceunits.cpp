#include "consolepeer.h"
#include "gitcommands.h"
#include "gitrunner.h"
#include "gitsandbox.h"
#include "hotkeyfile.h"
#include "scriptworkspace.h"
#include "settingsstore.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(ScriptFiles::Creation)
Q_DECLARE_METATYPE(GitCall)

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

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

// The workspace without a window: its files on disk, its settings per mode and the hotkey
// lines; and its git calls with real git, repositories in a temporary folder with a bare one
// as the server (the time-out on a dead server is the window's test).
class TestWorkspaceUnits : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QSettings(QString::fromLatin1(SettingsStore::kOrganization),
                  QString::fromLatin1(SettingsStore::kApplication))
            .clear();
        QDir(QStringLiteral("ws")).removeRecursively();
        QDir().mkpath(QStringLiteral("ws/tube"));
        SettingsStore::set("workingFolder", "ws");
        SettingsStore::set("workingSubProjFile", "/tube");
    }

    void backups_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("append");
        QTest::addColumn<int>("saves"); // of "v1", "v2", ...
        QTest::addColumn<int>("files");
        QTest::addColumn<QByteArray>("contents"); // of the file, and of a.0 and a.10 when there
        const auto row = [](const char *name, const char *file, int count, bool append, int saves,
                            int files, const char *contents) {
            QTest::newRow(name) << file << count << append << saves << files
                                << QByteArray(contents);
        };
        row("first save of a new script makes no backup", "a", 10, false, 1, 1, "v1");
        row("thirteen saves keep eleven backups", "a", 10, false, 13, 12, "v13v12v2");
        row("hotkey file never backed up", "a.hotkeys", 10, false, 2, 1, "v2");
        row("append with no backups renames nothing", "log", 0, true, 2, 1, "v1v2");
    }
    void backups()
    {
        QFETCH(QString, name);
        QFETCH(int, count);
        QFETCH(bool, append);
        QFETCH(int, saves);
        QFETCH(int, files);
        QFETCH(QByteArray, contents);
        for (int version = 1; version <= saves; ++version)
            QVERIFY(ScriptFiles::saveWithBackups("ws", "/tube/" + name,
                                                 "v" + QByteArray::number(version), count, append));
        QCOMPARE(filesIn("ws/tube").size(), files);
        QByteArray found = fileBytes("ws/tube/" + name);
        if (files > 1)
            found += fileBytes("ws/tube/a.0") + fileBytes("ws/tube/a.10");
        QCOMPARE(found, contents);
        QVERIFY(!ScriptFiles::saveWithBackups("ws", "/none/" + name, "x", count, append));
        QVERIFY(!QFileInfo::exists("ws/none")); // a missing folder is not made
    }

    void subProjectsDepthFirstWithoutHidden()
    {
        for (const char *folder : {"ws/c", "ws/a/b", "ws/.git/objects", "ws/a/.hidden"})
            QDir().mkpath(folder);
        QVERIFY(QFile::link(QDir::currentPath() + "/ws", "ws/c/up")); // listed, not walked again
        for (const QString &root : {QDir::currentPath() + "/ws", QStringLiteral("ws")}) {
            QStringList list;
            ScriptFiles::listSubProjects(root, root, list);
            QCOMPARE(list, (QStringList{"", "/a", "/a/b", "/c", "/c/up", "/tube"}));
        }
    }

    void decodingBothEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved"); // when the text loaded is saved again
        const QByteArray latin1("92\xb0 K\xfchler \xe4\n");
        QTest::newRow("ISO 8859-1 as written here, saved back the same")
            << latin1 << QString::fromUtf8("92° Kühler ä\n") << latin1;
        QTest::newRow("UTF-8 made elsewhere")
            << QByteArray("92\xc2\xb0 \xc3\xa4") << QString::fromUtf8("92° ä")
            << QByteArray("92\xb0 \xe4");
        QTest::newRow("CR LF read as LF") << QByteArray("a\r\nb") << "a\nb" << QByteArray("a\nb");
        QTest::newRow("cut UTF-8 sequence is ISO 8859-1")
            << QByteArray("x\xc3") << "x\u00c3" << QByteArray("x\xc3");
    }
    void decodingBothEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        writeFile("ws/a.scr", bytes);
        QCOMPARE(ScriptFiles::readText("ws/a.scr"), text);
        QCOMPARE(ScriptFiles::encode(text), saved);
    }

    void newFilesNeverDamageOldOnes_data()
    {
        using C = ScriptFiles::Creation;
        QTest::addColumn<QString>("name");
        QTest::addColumn<ScriptFiles::Creation>("result");
        QTest::addColumn<QByteArray>("content"); // of ws/tube/<name> afterwards
        QTest::newRow("new macro gets the template")
            << "290_boot.mcr" << C::Created
            << QByteArray("#description of macro\r\ncreate_macro \"{macroname}\" {macronumber} "
                          "2\r\nend_macro\r\n");
        QTest::newRow("existing file left untouched")
            << "old.mcr" << C::Existed << QByteArray("keep");
        QTest::newRow("name with a separator refused") << "../x.mcr" << C::Refused << QByteArray();
        QTest::newRow("name with dot dot refused") << "...mcr" << C::Refused << QByteArray();
    }
    void newFilesNeverDamageOldOnes()
    {
        QFETCH(QString, name);
        QFETCH(ScriptFiles::Creation, result);
        QFETCH(QByteArray, content);
        writeFile("ws/tube/old.mcr", "keep");
        ScriptWorkspace workspace;
        workspace.readSettings();
        workspace.setReady(true);
        QCOMPARE(workspace.createScript(name, ScriptFiles::macroTemplate()), result);
        const bool refused = result == ScriptFiles::Creation::Refused;
        if (refused)
            QCOMPARE(filesIn("ws/tube") + filesIn("ws"), QStringList{"old.mcr"});
        else
            QCOMPARE(fileBytes("ws/tube/" + name), content);
        QCOMPARE(workspace.fileName(), refused ? QStringLiteral("new.scr") : name); // opened next
    }

    void deleteTakesHotkeysAndBackups()
    {
        for (const char *suffix : {"", ".hotkeys", ".0", ".10", ".11"})
            writeFile(QStringLiteral("ws/tube/a.scr") + suffix);
        writeFile("ws/tube/.hotkeys");
        SettingsStore::set("workingFile", "a.scr");
        ScriptWorkspace workspace;
        workspace.readSettings();
        workspace.removeActiveScript();
        QCOMPARE(filesIn("ws/tube"), (QStringList{".hotkeys", "a.scr.11"}));
        workspace.setReady(true);
        workspace.setWorkingFile(QString()); // no name: nothing in the folder is the script's
        workspace.removeActiveScript();
        QCOMPARE(filesIn("ws/tube").size(), 2);
    }

    void keysAndPatternsPerMode_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("normal mode lists text and macro files")
            << "" << QStringList{"b.SCR", "c.mcr", "d.txt", "e.tube_setup", "f.spider_setup"};
        QTest::newRow("production mode lists setups and scripts only")
            << "prod_" << QStringList{"b.SCR", "e.tube_setup", "f.spider_setup"};
    }
    void keysAndPatternsPerMode()
    {
        QFETCH(QString, prefix);
        QFETCH(QStringList, listed);
        for (const char *name : {"b.SCR", "c.mcr", "d.txt", "e.tube_setup", "f.spider_setup",
                                 ".hidden.scr", "g.scr.0", "h.scr.hotkeys", "folder.scr/i"})
            writeFile(QStringLiteral("ws/tube/") + name);
        SettingsStore::set("prod_mode", prefix.isEmpty() ? "0" : "1");
        SettingsStore::set("prod_workingFolder", "ws");
        SettingsStore::set(prefix + "workingSubProjFile", "/tube");
        SettingsStore::set(prefix + "workingFile", "a.scr");
        ScriptWorkspace workspace;
        workspace.readSettings();
        QCOMPARE(ScriptFiles::listScriptFiles(workspace.scriptFolder(), workspace.filePatterns()),
                 listed);
        QCOMPARE(workspace.historyFolder(), QStringLiteral("ws/tube/log"));
        // Choices while the lists are refilled are ignored; once ready they go to the mode's keys.
        workspace.setSubProject("/cold");
        workspace.setReady(true);
        workspace.setFolder("/v");
        QCOMPARE(workspace.activeScriptPath(), QStringLiteral("/v/tube/a.scr"));
        const QString other = prefix.isEmpty() ? "prod_" : "";
        QCOMPARE(SettingsStore::get(prefix + "workingFolder", "").toString(), QStringLiteral("/v"));
        QCOMPARE(SettingsStore::get(other + "workingFolder", "").toString(), QStringLiteral("ws"));
    }

    void hotkeyLines_data()
    {
        QTest::addColumn<QString>("line");   // as read from a file or sent
        QTest::addColumn<QString>("stored"); // as the hotkey's line is written back; empty: ignored
        const auto row = [](const char *name, const QString &line, const char *stored) {
            QTest::newRow(name) << line << stored;
        };
        row("hotkey 13", "#hotkey13|Stop|stop", "#hotkey13|Stop|stop\r\n");
        row("fields trimmed, line end dropped", "#hotkey3| Hotkey 13 (F5) | a;b \r\n",
            "#hotkey3|Hotkey 13 (F5)|a;b\r\n");
        row("a bar or line end in a field is left out when written",
            HotkeyFile::line(7, {"A|B", "%1|x\r\ny"}), "#hotkey7|AB|%1xy\r\n");
        row("number 14 ignored", "#hotkey14|a|b", "");
        row("number 0 ignored", "#hotkey0|a|b", "");
        row("no number ignored", "#hotkeyx|a|b", "");
        row("four fields ignored", "#hotkey2|a|b|c", "");
        row("prefix is case-sensitive", "#HOTKEY2|a|b", "");
    }
    void hotkeyLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, stored);
        const std::optional<HotkeyFile::Definition> read = HotkeyFile::parse(line);
        QCOMPARE(read ? HotkeyFile::line(read->number, read->hotkey) : QString(), stored);
    }

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

QTEST_GUILESS_MAIN(TestWorkspaceUnits)
#include "tst_workspaceunits.moc"
