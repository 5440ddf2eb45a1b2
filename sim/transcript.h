#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The --log file: every line a board received ("< ") and wrote ("> "), in the order they
// passed the socket, flushed at once so a test can read it while the board runs.
class Transcript
{
public:
    // Longest piece of written text kept in the log; floods are cut.
    static constexpr int kMaxLoggedText = 160;

    bool open(const QString &path, QString *error);
    // board: a label for several boards in one file, empty for a single board.
    void received(const QString &board, const QString &line);
    void sent(const QString &board, const QByteArray &bytes);

private:
    void write(const QString &board, const char *direction, const QString &text);

    QFile file;
};
