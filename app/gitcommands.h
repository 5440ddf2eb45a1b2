#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One run of the git program: the whole argument list it is given, and whether it talks to a
// remote (a server may be slow or dead, so such a call is given longer to finish).
struct GitCall
{
    enum class Reach { Local, Remote };

    QString command; // the git command, for status lines and messages ("push")
    QStringList arguments;
    Reach reach = Reach::Local;
};

// The git calls that commit, push and pull the scripts of a working folder. Every call names
// the repository and the work tree itself, so it does not depend on the current directory.
class GitCommands
{
public:
    explicit GitCommands(const QString &workingFolder);

    // Adds the script ("/sub/name" below the working folder) and its hotkey file, then
    // commits them with the bracketed message.
    QList<GitCall> commit(const QString &scriptName, const QString &message) const;
    GitCall push() const;
    GitCall pull() const;

    // The single "-m" argument of the commit: the quotes and the blanks are part of it, as
    // the scripts' history has always been written, and the message is used as typed.
    static QString messageArgument(const QString &scriptName, const QString &message);

private:
    GitCall call(const QString &command, const QStringList &rest, GitCall::Reach reach) const;

    QString folder;
};
