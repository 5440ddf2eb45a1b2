#include "consoleline.h"

namespace ConsoleLine {

QString stripLineEnds(const QString &text)
{
    QString stripped = text;
    stripped.remove(QLatin1Char('\r'));
    stripped.remove(QLatin1Char('\n'));
    return stripped;
}

QByteArray encode(const QString &command)
{
    return (stripLineEnds(command) + QLatin1String("\r\n")).toLatin1();
}

namespace {

// Length of the next line in the buffer and whether a LF follows it; -1 when incomplete.
int nextLineLength(const QByteArray &buffer, bool *endsInLineFeed)
{
    const int lf = buffer.indexOf('\n');
    *endsInLineFeed = lf >= 0 && lf <= kMaxLineBytes;
    if (*endsInLineFeed)
        return lf;
    return buffer.size() > kMaxLineBytes ? kMaxLineBytes : -1;
}

} // namespace

bool hasLine(const QByteArray &buffer)
{
    bool endsInLineFeed = false;
    return nextLineLength(buffer, &endsInLineFeed) >= 0;
}

bool takeLine(QByteArray &buffer, QString *line)
{
    bool endsInLineFeed = false;
    const int length = nextLineLength(buffer, &endsInLineFeed);
    if (length < 0)
        return false;
    QByteArray bytes = buffer.left(length);
    buffer.remove(0, endsInLineFeed ? length + 1 : length);
    bytes.replace('\0', ' ');
    bytes.replace("\r", "");
    *line = QString::fromLatin1(bytes);
    return true;
}

} // namespace ConsoleLine
