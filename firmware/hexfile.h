#pragma once

#include "inputfile.h"

#include <QByteArray>
#include <QString>

// Reads an Intel HEX file one line at a time, as the uploader sends it: streamed, so a wrong
// file of any size is never loaded whole, and with every line kept to a bounded length. A
// pipe or device is read into memory first, up to a limit.
class HexFile
{
public:
    // A record line has at most 521 characters; anything longer is kept only this far, which
    // is enough for the reader to refuse it.
    static constexpr int kMaxKeptLine = 1024;
    // The HEX file of a whole 2 MiB image is under 6 MiB.
    static constexpr qint64 kMaxPiped = 64 * 1024 * 1024;

    bool open(const QString &fileName, qint64 maxPiped = kMaxPiped);
    void close() { file.close(); }
    bool isOpen() const { return file.isOpen(); }
    QString errorString() const { return file.errorString(); }
    qint64 size() const { return file.size(); }
    bool atEnd() const { return !file.isOpen() || file.device()->atEnd(); }

    // Reads the next line into line, with its line end and every carriage return removed.
    // Returns the length of the line as read without its line end ("\n" or "\r\n"), which is
    // what the progress count adds; 0 once past the end.
    int readLine(QByteArray &line);

private:
    InputFile file;
};
