#include "consolelinecutter.h"

#include "consoleline.h"

bool ConsoleLineCutter::next(QString *line)
{
    // A peer that never sends a line feed must not make the buffer grow without bound: a line
    // longer than the limit is cut there and the rest arrives as the next line.
    const int lf = buffer.indexOf('\n', offset);
    const bool endsInLineFeed = lf >= 0 && lf - offset <= ConsoleLine::kMaxLineBytes;
    int length = lf - offset;
    if (!endsInLineFeed) {
        if (buffer.size() - offset <= ConsoleLine::kMaxLineBytes)
            return false;
        length = ConsoleLine::kMaxLineBytes;
    }
    QByteArray bytes = buffer.mid(offset, length);
    offset += endsInLineFeed ? length + 1 : length;
    bytes.replace('\0', ' ');
    bytes.replace("\r", "");
    *line = QString::fromLatin1(bytes);
    return true;
}

bool ConsoleLineCutter::hasLine() const
{
    return buffer.indexOf('\n', offset) >= 0 || buffer.size() - offset > ConsoleLine::kMaxLineBytes;
}

void ConsoleLineCutter::compact()
{
    buffer.remove(0, offset);
    offset = 0;
}

void ConsoleLineCutter::clear()
{
    buffer.clear();
    offset = 0;
}
