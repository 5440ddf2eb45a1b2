#include "limitedlinereader.h"

#include <QIODevice>

LimitedLineReader::LimitedLineReader(QIODevice *in, int maxLine)
    : in(in)
    , limit(maxLine)
{}

std::optional<QString> LimitedLineReader::next()
{
    while (true) {
        // At most the longest line that is kept and its LF (readLine leaves room for a NUL).
        const QByteArray piece = in->readLine(qint64(limit) + 2);
        if (piece.isEmpty())
            return std::nullopt;
        if (!piece.endsWith('\n') && piece.size() > limit) {
            skippedLines += skipping ? 0 : 1;
            skipping = true;
            continue;
        }
        if (skipping) { // the last piece of a skipped line
            skipping = false;
            continue;
        }
        QString line = QString::fromUtf8(piece);
        line.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        return line;
    }
}
