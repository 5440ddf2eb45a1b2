#pragma once

#include <QString>

// Host and port of a console connection, as kept in the "lastConnection" setting.
struct ConsoleAddress
{
    QString host;
    quint16 port = 0;

    // "host:port"; a text without a colon (the status panel stores a bare IP there) means
    // the board console port 23. A port that is not a decimal number gives port 0.
    static ConsoleAddress fromText(const QString &text);
    // A port argument read as a decimal number; 0 when it is none.
    static quint16 portFromText(const QString &text);
};
