#pragma once

#include <QByteArray>
#include <QString>

class IntelHexReader;

// Checks the lines of one Intel HEX file in the order an upload sends them: each by the
// reader's rules, then by the rule of a whole file that no line shows alone: the end-of-file
// record ends the file, so a record after it is refused, though the reader takes it.
class HexFileCheck
{
public:
    explicit HexFileCheck(IntelHexReader &reader)
        : reader(reader)
    {}

    // Counts the line (its number is the reader's) and checks it.
    bool check(const QByteArray &line);
    // What is wrong with the last line refused.
    QString refusal() const;

private:
    IntelHexReader &reader;
    bool afterEnd = false;
};
