#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The files of the script workspace: scripts saved with rotating backups, the listing of sub
// projects and scripts, reading in either of the encodings found on disk, new files from a
// template, and removing a script with everything kept beside it.
namespace ScriptFiles {

// Backups of a file F are F.0 (newest) to F.10 (oldest).
constexpr int kBackupCount = 10;
// Files of this suffix are rewritten whole on every save and never backed up.
constexpr char kHotkeySuffix[] = ".hotkeys";

// Writes bytes to folder + name (plain concatenation). With a backup count above 0 the
// generations move up by one first and the file becomes ".0"; names ending in ".hotkeys"
// are never backed up. False when the file cannot be opened (no folder is created).
bool saveWithBackups(const QString &folder, const QString &name, const QByteArray &bytes,
                     int backupCount, bool append);

// Appends to list, depth first and each parent before its children, the sub projects below
// folder as paths relative to root ("" for the root itself, else "/a/b"); hidden folders are
// left out and a folder already listed is not walked again. A relative root is resolved
// against the current directory first.
void listSubProjects(const QString &root, const QString &folder, QStringList &list);

// The names of the plain, non-hidden files directly in folder that match one of the
// patterns (letter case ignored), sorted by name.
QStringList listScriptFiles(const QString &folder, const QStringList &nameFilters);

// Scripts and hotkey files are written in ISO 8859-1, which the boards and the files
// already on disk rely on.
QByteArray encode(const QString &text);
// The content up to the first NUL, CR LF read as LF; UTF-8 when the bytes are valid UTF-8,
// else ISO 8859-1, so both what this program wrote and files made elsewhere read back right.
QString decode(const QByteArray &bytes);
// The decoded content of the file, or a null string when it cannot be read.
QString readText(const QString &path);

// The three lines of a new macro file; the placeholders in braces are the user's to fill.
QByteArray macroTemplate();

// A bare file name: no folder separator and no "..", so the file stays in its folder.
bool isPlainName(const QString &name);

enum class Creation { Created, Existed, Refused, Failed };
// Creates folder/name with the content. An existing file is left untouched (Existed); a
// name that is not plain is Refused; Failed when the file cannot be made.
Creation create(const QString &folder, const QString &name, const QByteArray &content);

// Removes the file, its hotkey file and its eleven backups; missing ones are skipped.
void removeWithCompanions(const QString &path);

} // namespace ScriptFiles
