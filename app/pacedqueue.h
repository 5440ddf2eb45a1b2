#pragma once

#include <QString>
#include <QStringList>

// The lines of a script run: the first sendable line goes out at once, every further one
// after the board's next reply, so a script runs at the board's pace. Blank lines and lines
// starting with "#" are never sent (a selection may start with a "#hotkey" definition).
class PacedQueue
{
public:
    enum class FirstLine {
        Command,                  // only a sendable line may go first
        CommandOrHotkeyDefinition // a "#hotkey" line may go first too (send selection)
    };

    // A line whose trimmed text is not empty and does not start with "#".
    static bool isSendable(const QString &line);

    // Replaces any earlier run. Returns the first line to send (CR and LF removed, CR LF
    // appended), or a null string when no line may go; pacing stays on while lines remain.
    QString start(const QStringList &lines, FirstLine rule);
    // After a reply: the next sendable line, trimmed, with CR LF; a null string when the run
    // is not paced or is exhausted (pacing then ends).
    QString next();
    // Nothing further is sent.
    void clear();

    bool isPaced() const { return sendPaced; }
    int sentCount() const { return sent; }
    int total() const { return sendable; } // lines of the run that go out, the first included

private:
    QStringList sendQueue;
    int sendIndex = 0;
    bool sendPaced = false;
    int sent = 0;
    int sendable = 0;
};
