#pragma once

// Files a test lays out in its own scratch folder before the program reads them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// Makes the file, and the folders it lies in, with the content.
inline void writeFile(const QString &path, const QByteArray &content = QByteArray())
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
