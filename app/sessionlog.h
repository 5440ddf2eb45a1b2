#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The two append-only session logs: the UDP lines while "Log data" is on, and one history
// record per script run. Nothing stays open between writes, so a crash loses no record and
// another program may read or rotate the files at any time.
namespace SessionLog {

constexpr char kUdpLogFile[] = "udp.log";         // in the process's current directory
constexpr char kHistoryLogFile[] = "history.log"; // in the workspace's log folder

// Opens the file for appending (created when missing), writes, flushes and closes it.
// False when it cannot be opened; the caller loses that record without a message.
bool append(const QString &path, const QByteArray &bytes);

// One UDP log record: the line without any CR or LF, as UTF-8, then one CR LF.
QByteArray udpRecord(const QString &line);

// "[Logdate:yyyy:MM:dd HH:mm:ss][MAC:mac]\t\t[mac]\t[workingFolder]\r\n"; mac is empty
// until the status panel has shown a record.
QString historyEntry(const QDateTime &when, const QString &mac, const QString &workingFolder);

// The two writes of one history record into history.log of logFolder, each with its own
// open and close: the entry, then the sent text exactly as given (no line end added), both
// in ISO 8859-1, the program's local 8-bit encoding. The folder is not created.
void writeHistory(const QString &logFolder, const QString &entry, const QString &text);

} // namespace SessionLog
