#pragma once

#include <QByteArray>
#include <QString>

// One command or reply line on a board's TCP console, in both directions.
namespace ConsoleLine {

constexpr quint16 kBoardConsolePort = 23;    // a board's console when we are the client
constexpr quint16 kServerConsolePort = 7123; // where boards and tools connect to us

// A received line longer than this is cut there (see ConsoleLineCutter).
constexpr int kMaxLineBytes = 64 * 1024;

// The text with every CR and LF removed.
QString stripLineEnds(const QString &text);

// The wire bytes of one command: CR and LF removed, CR LF appended, Latin-1.
QByteArray encode(const QString &command);

} // namespace ConsoleLine
