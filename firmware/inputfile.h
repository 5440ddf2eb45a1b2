#pragma once

#include <QBuffer>
#include <QFile>
#include <QString>

// A file to be read from start to end, whatever it is. A regular file is read where it lies;
// a pipe or a device has no size and cannot be read twice, so it is read into memory first,
// up to a limit, and served from there.
class InputFile
{
public:
    // False, with errorString() saying why, when the file cannot be opened or read, or when a
    // pipe or device gives more than maxBuffered bytes.
    bool open(const QString &fileName, qint64 maxBuffered);
    void close();
    bool isOpen() const { return source && source->isOpen(); }
    // At the start after open(); a regular file can also be sought back to it.
    QIODevice *device() const { return source; }
    qint64 size() const;
    QString fileName() const { return file.fileName(); }
    QString errorString() const;

private:
    bool readWhole(qint64 maxBuffered);

    QFile file;
    QBuffer buffer;
    QIODevice *source = nullptr;
    QString error;
};
