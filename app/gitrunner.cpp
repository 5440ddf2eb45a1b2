#include "gitrunner.h"

#include "applogging.h"

#include <QProcessEnvironment>
#include <QStandardPaths>

namespace {

void appendTail(QByteArray &buffer, const QByteArray &more)
{
    buffer.append(more);
    if (buffer.size() > GitRunner::kMaxOutputBytes)
        buffer.remove(0, buffer.size() - GitRunner::kMaxOutputBytes);
}

QStringList nonEmptyLines(const QByteArray &bytes)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}

// git must never wait for an answer nobody can give: no terminal prompt for a user name or
// password, ssh in batch mode (no password, no host-key question). A user's own ssh command
// is kept; the time-out still bounds it.
QProcessEnvironment gitEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GIT_TERMINAL_PROMPT"), QStringLiteral("0"));
    if (!environment.contains(QStringLiteral("GIT_SSH_COMMAND")) &&
        !environment.contains(QStringLiteral("GIT_SSH")))
        environment.insert(QStringLiteral("GIT_SSH_COMMAND"),
                           QStringLiteral("ssh -o BatchMode=yes"));
    return environment;
}

} // namespace

GitRunner::GitRunner(QObject *parent)
    : QObject(parent)
{
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &GitRunner::onTimeout);
}

GitRunner::~GitRunner()
{
    dropProcess();
}

void GitRunner::setTimeouts(std::chrono::milliseconds local, std::chrono::milliseconds remote)
{
    localTimeout = local;
    remoteTimeout = remote;
}

QString GitRunner::programName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("git.exe");
#else
    return QStringLiteral("git");
#endif
}

bool GitRunner::run(const QList<GitCall> &calls)
{
    if (running || calls.isEmpty())
        return false;
    running = true;
    pending = calls;
    // Started from the event loop, so even an immediate failure reaches the caller after
    // run() has returned.
    QTimer::singleShot(0, this, &GitRunner::startNext);
    return true;
}

void GitRunner::startNext()
{
    current = pending.takeFirst();
    const QString program = QStandardPaths::findExecutable(programName());
    if (program.isEmpty()) {
        end(false, tr("The program %1 was not found on the PATH.").arg(programName()));
        return;
    }
    standardOutput.clear();
    standardError.clear();
    process = new QProcess(this);
    process->setProcessEnvironment(gitEnvironment());
    connect(process, &QProcess::readyReadStandardOutput, this, &GitRunner::readOutput);
    connect(process, &QProcess::readyReadStandardError, this, &GitRunner::readOutput);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &GitRunner::onProcessFinished);
    connect(process, &QProcess::errorOccurred, this, &GitRunner::onProcessError);
    emit callStarted(tr("git %1 ...").arg(current.command));
    qCDebug(lcGit) << program << current.arguments;
    deadline.start(timeoutOf(current));
    process->start(program, current.arguments);
    if (process)                      // a failed start may have ended the run already
        process->closeWriteChannel(); // whatever git might read from its input ends at once
}

void GitRunner::readOutput()
{
    appendTail(standardOutput, process->readAllStandardOutput());
    appendTail(standardError, process->readAllStandardError());
}

void GitRunner::onProcessFinished(int exitCode, QProcess::ExitStatus status)
{
    readOutput();
    if (status == QProcess::CrashExit) {
        end(false, tr("git %1 crashed.").arg(current.command));
    } else if (exitCode != 0) {
        end(false, tr("git %1 failed (exit code %2):\n\n%3")
                       .arg(current.command, QString::number(exitCode), gitOutput()));
    } else if (pending.isEmpty()) {
        end(true, summary());
    } else {
        dropProcess();
        startNext();
    }
}

void GitRunner::onProcessError(QProcess::ProcessError error)
{
    // A crash or a failed read/write is followed by finished(); only a failed start is not.
    if (error == QProcess::FailedToStart)
        end(false, tr("git could not be started: %1").arg(process->errorString()));
}

void GitRunner::onTimeout()
{
    readOutput();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeoutOf(current));
    QString text = tr("git %1 did not finish within %2 s and was stopped.")
                       .arg(current.command, QString::number(seconds.count()));
    const QString output = gitOutput();
    if (!output.isEmpty())
        text += QLatin1String("\n\n") + output;
    end(false, text);
}

void GitRunner::end(bool ok, const QString &text)
{
    qCDebug(lcGit) << current.command << (ok ? "done:" : "failed:") << text;
    dropProcess();
    pending.clear();
    running = false;
    emit finished(ok, text);
}

void GitRunner::dropProcess()
{
    deadline.stop();
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(1000); // a killed process ends at once; reap it
    }
    process->deleteLater();
    process = nullptr;
}

// What went wrong in git's words: its error stream, then what it wrote as its result (git
// reports "nothing to commit" and merge conflicts there).
QString GitRunner::gitOutput() const
{
    QStringList parts;
    for (const QByteArray *stream : {&standardError, &standardOutput}) {
        const QString text = QString::fromUtf8(*stream).trimmed();
        if (!text.isEmpty())
            parts << text;
    }
    return parts.join(QLatin1Char('\n'));
}

// The first line git wrote as its result ("[master 1a2b3c4] ...", "Already up to date."),
// else the last line of its progress stream (a push reports "a1..b2  master -> master").
QString GitRunner::summary() const
{
    const QStringList result = nonEmptyLines(standardOutput);
    if (!result.isEmpty())
        return result.first();
    const QStringList progress = nonEmptyLines(standardError);
    return progress.isEmpty() ? QString() : progress.last();
}

std::chrono::milliseconds GitRunner::timeoutOf(const GitCall &call) const
{
    return call.reach == GitCall::Reach::Remote ? remoteTimeout : localTimeout;
}
