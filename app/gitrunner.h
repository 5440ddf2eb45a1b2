#pragma once

#include "gitcommands.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <chrono>

// Runs git calls one after another in the background, so the window keeps painting: git is
// found on the PATH, started with an argument list (never a shell), never asks for a password
// or a host key, and is stopped when it takes too long. The outcome is reported in git's own
// words.
class GitRunner : public QObject
{
    Q_OBJECT
public:
    // A local call (add, commit) only touches the disk; a remote one may wait for a server.
    static constexpr auto kLocalTimeout = std::chrono::seconds(10);
    static constexpr auto kRemoteTimeout = std::chrono::seconds(30);
    // What git writes is kept up to this size per stream (its last part, where errors are).
    static constexpr int kMaxOutputBytes = 16 * 1024;

    explicit GitRunner(QObject *parent = nullptr);
    ~GitRunner() override;

    void setTimeouts(std::chrono::milliseconds local, std::chrono::milliseconds remote);

    // Starts the calls in order, each one after the one before has succeeded; the first
    // failure ends the run. False, and nothing started, while a run is going.
    bool run(const QList<GitCall> &calls);
    bool isRunning() const { return running; }

    // The name git has on this platform, looked up on the PATH.
    static QString programName();

signals:
    void callStarted(const QString &status); // such as "git push ..."
    // Once per run. Success: git's one-line summary (may be empty). Failure: which call failed
    // and why, with what git wrote.
    void finished(bool ok, const QString &text);

private:
    void startNext();
    void readOutput();
    void onProcessFinished(int exitCode, QProcess::ExitStatus status);
    void onProcessError(QProcess::ProcessError error);
    void onTimeout();
    void end(bool ok, const QString &text);
    void dropProcess();
    QString gitOutput() const;
    QString summary() const;
    std::chrono::milliseconds timeoutOf(const GitCall &call) const;

    QList<GitCall> pending;
    GitCall current;
    QPointer<QProcess> process;
    QTimer deadline;
    QByteArray standardOutput;
    QByteArray standardError;
    bool running = false;
    std::chrono::milliseconds localTimeout = kLocalTimeout;
    std::chrono::milliseconds remoteTimeout = kRemoteTimeout;
};
