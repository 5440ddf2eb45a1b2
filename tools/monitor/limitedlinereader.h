#pragma once

#include "udpreciver.h"

#include <QString>
#include <optional>

class QIODevice;

// Reads the text lines of a device the way the UDP receiver hands on the lines of
// datagrams: UTF-8, CR and LF removed, and a line of more bytes than the receiver's limit
// (before its LF) skipped whole and counted, read in pieces so that it is never held.
class LimitedLineReader
{
public:
    explicit LimitedLineReader(QIODevice *in, int maxLine = UDPReciver::kMaxLineBuffer);

    // The next line, or no value at the end of the input.
    std::optional<QString> next();
    int skipped() const { return skippedLines; }
    int maxLine() const { return limit; }

private:
    QIODevice *in;
    const int limit;
    int skippedLines = 0;
    bool skipping = false; // the rest of an overlong line is still to come
};
