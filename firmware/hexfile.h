#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Reads an Intel HEX file one line at a time, as the uploader sends it: streamed, so a wrong
// file of any size is never loaded whole, and with every line kept to a bounded length.
class HexFile
{
public:
    // A record line has at most 521 characters; anything longer is kept only this far, which
    // is enough for the reader to refuse it.
    static constexpr int kMaxKeptLine = 1024;

    bool open(const QString &fileName);
    void close() { file.close(); }
    bool isOpen() const { return file.isOpen(); }
    QString errorString() const { return file.errorString(); }
    qint64 size() const { return file.size(); }
    bool atEnd() const { return file.atEnd(); }

    // Reads the next line into line, with its line end and every carriage return removed.
    // Returns the length of the line as read without its line end ("\n" or "\r\n"), which is
    // what the progress count adds; 0 once past the end.
    int readLine(QByteArray &line);

private:
    QFile file;
};
