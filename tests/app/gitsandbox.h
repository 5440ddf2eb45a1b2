#pragma once

// Real git repositories in a temporary folder: a bare one as the server and clones of it as
// working folders, the first of which commits and pushes tube/cold.scr and its hotkeys.

#include "consolepeer.h"

#include <QProcess>
#include <QTemporaryDir>

class GitSandbox
{
public:
    GitSandbox() { git(dir.path(), {"init", "-q", "--bare", "remote.git"}); }

    // Runs git in folder and returns what it wrote; a failing step is logged, and shows in
    // the test as unexpected results.
    static QByteArray git(const QString &folder, const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start("git", arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            qWarning() << "git" << arguments << "failed:" << process.readAllStandardError();
        return process.readAllStandardOutput();
    }

    // A clone with an identity, merging on pull.
    QString clone(const QString &name)
    {
        git(dir.path(), {"clone", "-q", "-c", "user.name=Tester", "-c", "user.email=t@localhost",
                         "-c", "pull.rebase=false", "remote.git", name});
        const QString folder = dir.filePath(name);
        if (!QFile::exists(folder + "/tube/cold.scr"))
            commitScript(folder, "led 1\n", "#hotkey1|Led|led 1\r\n", true);
        return folder;
    }

    static void commitScript(const QString &folder, const QByteArray &script,
                             const QByteArray &hotkeys, bool push)
    {
        writeFile(folder + "/tube/cold.scr", script);
        writeFile(folder + "/tube/cold.scr.hotkeys", hotkeys);
        git(folder, {"add", "tube"});
        git(folder, {"commit", "-q", "-m", "scripts"});
        if (push)
            git(folder, {"push", "-q", "origin", "HEAD"});
    }

    static QByteArray head(const QString &gitDir) { return git(gitDir, {"rev-parse", "HEAD"}); }

    QTemporaryDir dir;
};
