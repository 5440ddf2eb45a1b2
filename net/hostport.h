#pragma once

#include <QString>

// A connection text "host:port" split into its parts, the one way every place of the program
// reads it: "[v6 address]:port" for IPv6, a single colon before the port otherwise, and a
// text with several colons and no brackets taken as a bare IPv6 address. What a missing or
// bad port means is the caller's to decide.
struct HostPort
{
    QString host;
    QString portText; // the text after the colon, possibly empty
    bool hasPort = false;
    bool wellFormed = true; // false for an unclosed bracket or text after "]" but no colon

    // The port text as a decimal number; 0 when it is none.
    int port() const;

    static HostPort split(const QString &text);
};
