#include "scriptworkspace.h"

#include "settingsstore.h"

namespace {

const QString kProductionModeKey = QStringLiteral("prod_mode");

} // namespace

void ScriptWorkspace::readSettings()
{
    prodMode = SettingsStore::get(kProductionModeKey, QStringLiteral("0")).toString() ==
               QLatin1String("1");
    readPlaces();
    logFolder = workingFolder + subProject + QLatin1String("/log");
    nameFilters = prodMode
                      ? QStringList{"*.tube_setup", "*.spider_setup", "*.scr"}
                      : QStringList{"*.txt", "*.mcr", "*.tube_setup", "*.spider_setup", "*.scr"};
}

void ScriptWorkspace::reloadSettings()
{
    readPlaces();
}

void ScriptWorkspace::storeProductionMode(bool on)
{
    SettingsStore::set(kProductionModeKey, on ? QStringLiteral("1") : QStringLiteral("0"));
}

void ScriptWorkspace::setFolder(const QString &folder)
{
    workingFolder = folder;
    SettingsStore::set(key("workingFolder"), workingFolder);
}

void ScriptWorkspace::setSubProject(const QString &path)
{
    if (!workspaceReady)
        return;
    subProject = path;
    SettingsStore::set(key("workingSubProjFile"), subProject);
}

void ScriptWorkspace::setWorkingFile(const QString &name)
{
    if (!workspaceReady)
        return;
    workingFile = name;
    SettingsStore::set(key("workingFile"), workingFile);
}

ScriptFiles::Creation ScriptWorkspace::createScript(const QString &fileName,
                                                    const QByteArray &content)
{
    const ScriptFiles::Creation created = ScriptFiles::create(scriptFolder(), fileName, content);
    // The new file, or the one of that name left as it was, is the script to work on now.
    if (created == ScriptFiles::Creation::Created || created == ScriptFiles::Creation::Existed)
        setWorkingFile(fileName);
    return created;
}

void ScriptWorkspace::removeActiveScript() const
{
    // Without a name the path is the sub project's folder, whose dot files are not ours.
    if (!workingFile.isEmpty())
        ScriptFiles::removeWithCompanions(activeScriptPath());
}

QString ScriptWorkspace::key(const char *name) const
{
    return (prodMode ? QStringLiteral("prod_") : QString()) + QLatin1String(name);
}

void ScriptWorkspace::readPlaces()
{
    workingFile = SettingsStore::get(key("workingFile"), QStringLiteral("new.scr")).toString();
    subProject = SettingsStore::get(key("workingSubProjFile"), QString()).toString();
    workingFolder = SettingsStore::get(key("workingFolder"), QStringLiteral("./")).toString();
}
