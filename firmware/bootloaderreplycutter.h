#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Cuts the bootloader's text into replies: a reply ends at ">" (a prompt, even without a line
// end) or else at a carriage return, and ">" wins when both are waiting, so a status word, a
// carriage return and "BL>" arriving together are one reply. Line feeds vanish, and a read
// ends at a NUL byte. Text without a delimiter is kept up to kMaxPending characters.
class BootloaderReplyCutter
{
public:
    // Replies are prompts and short status lines.
    static constexpr int kMaxPending = 4096;

    // Takes one read's bytes; returns the replies they complete, each ended by a line feed.
    QStringList feed(const QByteArray &bytes);
    const QString &pending() const { return rest; }

private:
    QString rest;
};
