#pragma once

#include <QByteArray>
#include <QString>

// Cuts the console's byte stream into lines: the bytes before each LF (the LF is consumed),
// NUL made a space, CR removed, read as Latin-1. Lines are taken by an offset and the taken
// bytes are dropped once per read (compact), so a burst of many short lines costs time in
// proportion to its size, not to its size squared.
class ConsoleLineCutter
{
public:
    void append(const QByteArray &bytes) { buffer.append(bytes); }
    // The next complete (or over-long, cut at ConsoleLine::kMaxLineBytes) line; false when
    // none is there yet.
    bool next(QString *line);
    bool hasLine() const;
    // Drops the bytes already taken; call it when no more lines are taken for now.
    void compact();
    void clear();
    // The bytes not yet taken as a line.
    QByteArray pending() const { return buffer.mid(offset); }

private:
    QByteArray buffer;
    int offset = 0;
};
