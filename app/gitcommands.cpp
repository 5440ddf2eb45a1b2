#include "gitcommands.h"

#include "scriptfiles.h"

GitCommands::GitCommands(const QString &workingFolder)
    : folder(workingFolder)
{}

QList<GitCall> GitCommands::commit(const QString &scriptName, const QString &message) const
{
    const QString script = folder + scriptName;
    return {call(QStringLiteral("add"), {script}, GitCall::Reach::Local),
            call(QStringLiteral("add"), {script + QLatin1String(ScriptFiles::kHotkeySuffix)},
                 GitCall::Reach::Local),
            call(QStringLiteral("commit"), {messageArgument(scriptName, message)},
                 GitCall::Reach::Local)};
}

GitCall GitCommands::push() const
{
    return call(QStringLiteral("push"), {}, GitCall::Reach::Remote);
}

GitCall GitCommands::pull() const
{
    return call(QStringLiteral("pull"), {}, GitCall::Reach::Remote);
}

QString GitCommands::messageArgument(const QString &scriptName, const QString &message)
{
    return QLatin1String("-m \"[") + scriptName + QLatin1String("] ") + message +
           QLatin1String(" \"");
}

GitCall GitCommands::call(const QString &command, const QStringList &rest,
                          GitCall::Reach reach) const
{
    // "/" names the git folder on every platform, Windows included.
    QStringList arguments{QLatin1String("--git-dir=") + folder + QLatin1String("/.git"),
                          QLatin1String("--work-tree=") + folder, command};
    arguments += rest;
    return {command, arguments, reach};
}
