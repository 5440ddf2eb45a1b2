#include "inputfile.h"

#include <QByteArrayList>

bool InputFile::open(const QString &fileName, qint64 maxBuffered)
{
    close();
    error.clear();
    file.setFileName(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    source = &file;
    if (file.isSequential() && !readWhole(maxBuffered)) {
        close();
        return false;
    }
    return true;
}

// Reads in pieces, so that a device without end (/dev/zero) stops at the limit, not at the
// end of memory.
bool InputFile::readWhole(qint64 maxBuffered)
{
    constexpr qint64 kPiece = 64 * 1024;
    QByteArray data;
    for (;;) {
        const QByteArray piece = file.read(qMin(kPiece, maxBuffered + 1 - data.size()));
        if (piece.isEmpty())
            break;
        data += piece;
        if (data.size() > maxBuffered) {
            error =
                QStringLiteral("a pipe or device that gives more than %1 bytes").arg(maxBuffered);
            return false;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    file.close();
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    source = &buffer;
    return true;
}

void InputFile::close()
{
    file.close();
    buffer.close();
    buffer.setData(QByteArray());
    source = nullptr;
}

qint64 InputFile::size() const
{
    return source ? source->size() : 0;
}

QString InputFile::errorString() const
{
    return error;
}
