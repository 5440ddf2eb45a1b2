#include "hexfile.h"

#include <algorithm>
#include <climits>

bool HexFile::open(const QString &fileName, qint64 maxPiped)
{
    return file.open(fileName, maxPiped);
}

int HexFile::readLine(QByteArray &line)
{
    line.resize(0);
    qint64 total = 0;
    char last = 0;
    char beforeLast = 0;
    char chunk[256];
    while (file.isOpen()) {
        const qint64 got = file.device()->readLine(chunk, sizeof chunk);
        if (got <= 0)
            break;
        const int room = kMaxKeptLine - line.size();
        if (room > 0)
            line.append(chunk, int(std::min<qint64>(got, room)));
        beforeLast = got >= 2 ? chunk[got - 2] : last;
        last = chunk[got - 1];
        total += got;
        if (last == '\n')
            break;
    }
    if (last == '\n')
        total -= beforeLast == '\r' ? 2 : 1;
    // The bootloader gets the record without any CR or LF; the uploader adds CR LF itself.
    line.resize(int(
        std::remove_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }) -
        line.begin()));
    return int(std::min<qint64>(total, INT_MAX));
}
