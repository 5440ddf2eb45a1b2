#pragma once

#include "scriptfiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The script workspace of the main window: working folder, sub project and active script,
// remembered under one set of settings keys in normal mode and another ("prod_") in
// production mode, the file patterns of each mode, and the content (script and hotkeys) last
// loaded or saved, against which the window tells whether the script has changed.
class ScriptWorkspace
{
public:
    // Reads the mode and that mode's folder, sub project and file; derives the log folder
    // and the file patterns.
    void readSettings();
    // Reads folder, sub project and file of the current mode again.
    void reloadSettings();
    static void storeProductionMode(bool on);

    // The working folder is stored at once. A sub project or file chosen while the lists are
    // being refilled (not ready) is ignored: what is stored stays the workspace.
    void setFolder(const QString &folder);
    void setSubProject(const QString &path);
    void setWorkingFile(const QString &name);
    void setReady(bool ready) { workspaceReady = ready; }

    bool isReady() const { return workspaceReady; }
    bool inProductionMode() const { return prodMode; }
    QString folder() const { return workingFolder; }
    QString subProjectPath() const { return subProject; }
    QString fileName() const { return workingFile; }
    QString historyFolder() const { return logFolder; }
    QStringList filePatterns() const { return nameFilters; }

    QString scriptFolder() const { return workingFolder + subProject; }
    // The active script relative to the working folder ("/sub/name"), and its full path.
    QString activeScriptName() const { return subProject + QLatin1Char('/') + workingFile; }
    QString activeScriptPath() const { return workingFolder + activeScriptName(); }

    bool isSaved(const QByteArray &content) const { return content == savedText; }
    void markSaved(const QByteArray &content) { savedText = content; }

    // Creates the file in the sub project (a file of that name is left untouched) and makes
    // it the working file; a name that would leave the sub project is refused.
    ScriptFiles::Creation createScript(const QString &fileName, const QByteArray &content);
    // Removes the active script, its hotkey file and its backups (nothing without a name).
    void removeActiveScript() const;

private:
    QString key(const char *name) const;
    void readPlaces();

    bool prodMode = false;
    QString logFolder;
    QString subProject;
    QString workingFolder;
    QString workingFile;
    QByteArray savedText;
    bool workspaceReady = false;
    QStringList nameFilters;
};
