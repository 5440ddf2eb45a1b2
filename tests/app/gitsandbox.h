#pragma once

// Real git repositories in a temporary folder: a bare one as the server and clones of it as
// working folders, each with its scripts committed and pushed once; and loopback servers
// that stand for a dead or a password-asking git server.

#include "scratchfile.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

class GitSandbox
{
public:
    GitSandbox() { git(dir.path(), {"init", "-q", "--bare", "remote.git"}); }

    // Runs git in folder and returns what it wrote; a failing setup step is logged, and shows
    // in the test as unexpected results.
    static QByteArray git(const QString &folder, const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start("git", arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            qWarning() << "git" << arguments << "failed:" << process.readAllStandardError();
        return process.readAllStandardOutput();
    }

    // A clone with an identity, merging on pull, and tube/cold.scr with its hotkey file.
    QString clone(const QString &name)
    {
        git(dir.path(), {"clone", "-q", "remote.git", name});
        const QString folder = dir.filePath(name);
        git(folder, {"config", "user.name", "Tester"});
        git(folder, {"config", "user.email", "tester@localhost"});
        git(folder, {"config", "pull.rebase", "false"});
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

    static QString head(const QString &gitDir)
    {
        return git(gitDir, {"rev-parse", "HEAD"}).trimmed();
    }

    QString remote() const { return dir.filePath("remote.git"); }

    QTemporaryDir dir;
};

// A loopback server that takes connections and, asked for a login, answers every request
// with one; otherwise it never answers at all.
class LoopbackServer : public QTcpServer
{
public:
    explicit LoopbackServer(bool askLogin)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, askLogin] {
            QTcpSocket *peer = nextPendingConnection();
            if (askLogin)
                connect(peer, &QTcpSocket::readyRead, peer, [peer] {
                    peer->readAll();
                    peer->write("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\""
                                "\r\nContent-Length: 0\r\n\r\n");
                });
        });
    }
    QString url(const char *scheme) const
    {
        return QStringLiteral("%1://127.0.0.1:%2/remote.git").arg(scheme).arg(serverPort());
    }
};
