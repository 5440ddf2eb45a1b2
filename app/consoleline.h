#pragma once

#include <QByteArray>
#include <QString>

// One command or reply line on a board's TCP console, in both directions.
namespace ConsoleLine {

constexpr quint16 kBoardConsolePort = 23;    // a board's console when we are the client
constexpr quint16 kServerConsolePort = 7123; // where boards and tools connect to us

// A peer that never sends a line feed must not make the receive buffer grow without bound:
// a line longer than this is cut here and the rest arrives as the next line.
constexpr int kMaxLineBytes = 64 * 1024;

// The text with every CR and LF removed.
QString stripLineEnds(const QString &text);

// The wire bytes of one command: CR and LF removed, CR LF appended, Latin-1.
QByteArray encode(const QString &command);

// Whether the buffer holds a complete (or over-long) line that takeLine would return.
bool hasLine(const QByteArray &buffer);

// Takes the next line off the front of the buffer: the bytes before the first LF (the LF is
// consumed), NUL made a space, CR removed, read as Latin-1. Returns false, leaving the
// buffer untouched, when no complete line is there yet.
bool takeLine(QByteArray &buffer, QString *line);

} // namespace ConsoleLine
