#include "sessionlog.h"

#include "applogging.h"
#include "consoleline.h"

#include <QDir>
#include <QFile>

namespace SessionLog {

bool append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        qCDebug(lcSessionLog).noquote() << "Cannot open" << path << file.errorString();
        return false;
    }
    file.write(bytes);
    file.flush();
    file.close();
    return true;
}

QByteArray udpRecord(const QString &line)
{
    return ConsoleLine::stripLineEnds(line).toUtf8() + "\r\n";
}

QString historyEntry(const QDateTime &when, const QString &mac, const QString &workingFolder)
{
    // One arg() call, so a "%" inside the MAC or the folder is never taken as a placeholder.
    return QStringLiteral("[Logdate:%1][MAC:%2]\t\t[%2]\t[%3]\r\n")
        .arg(when.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")), mac, workingFolder);
}

void writeHistory(const QString &logFolder, const QString &entry, const QString &text)
{
    const QString path = QDir(logFolder).filePath(QString::fromLatin1(kHistoryLogFile));
    append(path, entry.toLatin1());
    append(path, text.toLatin1());
}

} // namespace SessionLog
