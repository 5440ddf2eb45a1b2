#pragma once

#include <QString>

// A console connection written as "host:port", the way the main window remembers it.
struct ConnectionText
{
    QString host;
    int port = 0;

    // A host and a port from 1 to 65535: only then can a connection be opened.
    bool isValid() const { return !host.isEmpty() && port > 0 && port <= 65535; }

    // "[::1]:23" works too; a text without a usable port gives an invalid result (port 0)
    // rather than a guess.
    static ConnectionText parse(const QString &text);
};
