#pragma once

#include <QByteArray>
#include <QStringList>

// Cuts one read of the board's console into the replies the ROM transfer acts on: the text up
// to a NUL byte, without line feeds, split at carriage returns into its non-empty pieces. The
// last piece counts even without a carriage return after it, so a bare prompt counts at once.
class RomReplyCutter
{
public:
    static QStringList cut(const QByteArray &read);
};
