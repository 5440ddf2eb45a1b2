#pragma once

#include <QString>
#include <QStringList>

// Paced sending of a script: the first sendable line goes out at once, every further one
// after the board's next reply. The window keeps the queue, the index of the next line and
// the paced flag; these functions advance them.
namespace PacedSending {

enum class FirstLine {
    Command,                  // only a sendable line may go first
    CommandOrHotkeyDefinition // a "#hotkey" line may go first too (send selection)
};

// A line whose trimmed text is not empty and does not start with "#".
bool isSendable(const QString &line);

// Starts a run of the lines. Returns the first line to send (CR and LF removed, CR LF
// appended), or a null string when no line is sendable; pacing stays on while lines remain.
QString start(const QStringList &lines, FirstLine rule, QStringList &queue, int &index,
              bool &paced);

// After a reply: the next sendable line, trimmed, with CR LF, or a null string when the
// run is not paced or is exhausted (pacing then ends).
QString next(const QStringList &queue, int &index, bool &paced);

} // namespace PacedSending
