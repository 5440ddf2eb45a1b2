#include "scriptfiles.h"

#include "applogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextCodec>

namespace ScriptFiles {

namespace {

QString backupName(const QString &path, int generation)
{
    return path + QLatin1Char('.') + QString::number(generation);
}

// Qt never renames onto an existing file (nor does Windows), so the target goes first.
void moveReplacing(const QString &from, const QString &to)
{
    if (!QFileInfo::exists(from))
        return;
    QFile::remove(to);
    if (!QFile::rename(from, to))
        qCDebug(lcWorkspace) << "Cannot move" << from << "to" << to;
}

void rotateBackups(const QString &path, int backupCount)
{
    for (int generation = backupCount - 1; generation >= 0; --generation)
        moveReplacing(backupName(path, generation), backupName(path, generation + 1));
    moveReplacing(path, backupName(path, 0));
}

void walkSubProjects(const QString &root, const QString &folder, QStringList &list,
                     QSet<QString> &walked)
{
    const QString path = QDir(folder).absolutePath();
    const QString candidate = path.size() <= root.size() + 1 ? QString() : path.mid(root.size());
    if (list.contains(candidate))
        return;
    list.append(candidate);
    // A link back to a folder already walked would otherwise be walked for ever.
    if (!walked.contains(QFileInfo(path).canonicalFilePath())) {
        walked.insert(QFileInfo(path).canonicalFilePath());
        const QFileInfoList entries =
            QDir(path).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &entry : entries)
            walkSubProjects(root, entry.absoluteFilePath(), list, walked);
    }
}

} // namespace

bool saveWithBackups(const QString &folder, const QString &name, const QByteArray &bytes,
                     int backupCount, bool append)
{
    const QString path = folder + name;
    if (backupCount > 0 && !name.endsWith(QLatin1String(kHotkeySuffix)))
        rotateBackups(path, backupCount);
    QFile file(path);
    if (!file.open(append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly)) {
        qCDebug(lcWorkspace) << "Cannot save" << path << file.errorString();
        return false;
    }
    file.write(bytes);
    file.flush();
    return true;
}

void listSubProjects(const QString &root, const QString &folder, QStringList &list)
{
    QString base = QDir(root).absolutePath();
    if (base.endsWith(QLatin1Char('/')))
        base.chop(1); // a drive or file system root
    QSet<QString> walked;
    walkSubProjects(base, folder, list, walked);
}

QStringList listScriptFiles(const QString &folder, const QStringList &nameFilters)
{
    return QDir(folder).entryList(nameFilters, QDir::Files, QDir::Name);
}

QByteArray encode(const QString &text)
{
    return text.toLatin1();
}

QString decode(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    QByteArray content = nul < 0 ? bytes : bytes.left(nul);
    content.replace("\r\n", "\n");
    QTextCodec::ConverterState state;
    const QString utf8 =
        QTextCodec::codecForName("UTF-8")->toUnicode(content.constData(), content.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return utf8;
    return QString::fromLatin1(content);
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QString();
    return decode(file.readAll());
}

QByteArray macroTemplate()
{
    return QByteArrayLiteral("#description of macro\r\n"
                             "create_macro \"{macroname}\" {macronumber} 2\r\n"
                             "end_macro\r\n");
}

bool isPlainName(const QString &name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QLatin1String(".."));
}

Creation create(const QString &folder, const QString &name, const QByteArray &content)
{
    if (!isPlainName(name))
        return Creation::Refused;
    const QString path = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(path))
        return Creation::Existed;
    QFile file(path);
    // NewOnly: a file made meanwhile by someone else is not written over either.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qCDebug(lcWorkspace) << "Cannot create" << path << file.errorString();
        return Creation::Failed;
    }
    file.write(content);
    return Creation::Created;
}

void removeWithCompanions(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QLatin1String(kHotkeySuffix));
    for (int generation = 0; generation <= kBackupCount; ++generation)
        QFile::remove(backupName(path, generation));
}

} // namespace ScriptFiles
