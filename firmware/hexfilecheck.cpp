#include "hexfilecheck.h"

#include "intelhexreader.h"

bool HexFileCheck::check(const QByteArray &line)
{
    const bool ended = reader.eofSeen();
    reader.nextLine();
    // A second end-of-file record or a blank line after it is the reader's own refusal. What
    // an accepted record after the end wrote into the image is never used: the file is refused.
    afterEnd = false;
    if (!reader.parseHexLine(line))
        return false;
    afterEnd = ended;
    return !afterEnd;
}

QString HexFileCheck::refusal() const
{
    return QLatin1String(afterEnd ? "record after the end-of-file record"
                                  : IntelHexReader::describe(reader.lastRefusal()));
}
