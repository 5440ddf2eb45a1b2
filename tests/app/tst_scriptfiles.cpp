#include "consolepeer.h"
#include "scratchfile.h"
#include "scriptfiles.h"
#include "scriptworkspace.h"
#include "settingsstore.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

Q_DECLARE_METATYPE(ScriptFiles::Creation)

// The workspace's files on disk and its settings per mode, without a window.
class TestScriptFiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void thirteenSavesKeepElevenBackups();
    void savesWithoutBackups_data();
    void savesWithoutBackups();
    void subProjectsDepthFirstWithoutHidden_data();
    void subProjectsDepthFirstWithoutHidden();
    void filePatternsPerMode_data();
    void filePatternsPerMode();
    void decodingBothEncodings_data();
    void decodingBothEncodings();
    void nonAsciiSurvivesSaveLoadSave();
    void newFilesNeverDamageOldOnes_data();
    void newFilesNeverDamageOldOnes();
    void deleteTakesHotkeysAndBackups();
    void settingsKeysPerMode_data();
    void settingsKeysPerMode();
};

void TestScriptFiles::init()
{
    QSettings(QString::fromLatin1(SettingsStore::kOrganization),
              QString::fromLatin1(SettingsStore::kApplication))
        .clear();
    QDir(QStringLiteral("ws")).removeRecursively();
    QDir().mkpath(QStringLiteral("ws/tube"));
}

void TestScriptFiles::thirteenSavesKeepElevenBackups()
{
    for (int version = 1; version <= 13; ++version) {
        QVERIFY(ScriptFiles::saveWithBackups("ws", "/tube/a.scr", "v" + QByteArray::number(version),
                                             ScriptFiles::kBackupCount, false));
        if (version == 1) // the first save of a new script has nothing to back up
            QCOMPARE(filesIn("ws/tube"), QStringList{"a.scr"});
    }
    QCOMPARE(filesIn("ws/tube").size(), 12);
    QCOMPARE(fileBytes("ws/tube/a.scr"), QByteArray("v13"));
    QCOMPARE(fileBytes("ws/tube/a.scr.0"), QByteArray("v12"));
    QCOMPARE(fileBytes("ws/tube/a.scr.10"), QByteArray("v2")); // v1 is gone
}

void TestScriptFiles::savesWithoutBackups_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("backups");
    QTest::addColumn<bool>("append");
    QTest::addColumn<QByteArray>("content"); // after saving "a" then "b"
    QTest::newRow("hotkey file is never backed up")
        << "/tube/a.scr.hotkeys" << 10 << false << QByteArray("b");
    QTest::newRow("append with no backups renames nothing")
        << "/tube/log" << 0 << true << QByteArray("ab");
}

void TestScriptFiles::savesWithoutBackups()
{
    QFETCH(QString, name);
    QFETCH(int, backups);
    QFETCH(bool, append);
    QFETCH(QByteArray, content);
    for (const QByteArray &bytes : {QByteArray("a"), QByteArray("b")})
        QVERIFY(ScriptFiles::saveWithBackups("ws", name, bytes, backups, append));
    QCOMPARE(filesIn("ws/tube"), QStringList{QFileInfo(name).fileName()});
    QCOMPARE(fileBytes("ws" + name), content);
    // A missing folder is not created: the save fails.
    QVERIFY(!ScriptFiles::saveWithBackups("ws", "/none" + name, "x", backups, append));
    QVERIFY(!QFileInfo::exists("ws/none"));
}

void TestScriptFiles::subProjectsDepthFirstWithoutHidden_data()
{
    QTest::addColumn<QString>("root");
    QTest::newRow("absolute root") << QDir::currentPath() + "/ws";
    QTest::newRow("relative root resolved first") << "ws";
    QTest::newRow("root with a trailing separator") << "ws/";
}

void TestScriptFiles::subProjectsDepthFirstWithoutHidden()
{
    QFETCH(QString, root);
    for (const char *folder : {"ws/c", "ws/a/b", "ws/.git/objects", "ws/a/.hidden"})
        QDir().mkpath(folder);
    writeFile("ws/a/file.scr");
    // A link back up is listed but not walked again.
    QVERIFY(QFile::link(QDir::currentPath() + "/ws", "ws/c/up"));
    QStringList list;
    ScriptFiles::listSubProjects(root, root, list);
    QCOMPARE(list, (QStringList{"", "/a", "/a/b", "/c", "/c/up", "/tube"}));
}

void TestScriptFiles::filePatternsPerMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("normal mode lists text and macro files")
        << "0" << QStringList{"b.SCR", "c.mcr", "d.txt", "e.tube_setup", "f.spider_setup"};
    QTest::newRow("production mode lists setups and scripts only")
        << "1" << QStringList{"b.SCR", "e.tube_setup", "f.spider_setup"};
}

void TestScriptFiles::filePatternsPerMode()
{
    QFETCH(QString, mode);
    QFETCH(QStringList, listed);
    for (const char *name : {"b.SCR", "c.mcr", "d.txt", "e.tube_setup", "f.spider_setup",
                             ".hidden.scr", "g.scr.0", "h.scr.hotkeys", "i.log"})
        writeFile(QStringLiteral("ws/tube/") + name);
    QDir().mkpath("ws/tube/folder.scr");
    SettingsStore::set("prod_mode", mode);
    ScriptWorkspace workspace;
    workspace.readSettings();
    QCOMPARE(ScriptFiles::listScriptFiles("ws/tube", workspace.filePatterns()), listed);
}

void TestScriptFiles::decodingBothEncodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ISO 8859-1 as written here")
        << QByteArray("90\xb0 M\xfcller\n") << QString::fromUtf8("90° Müller\n");
    QTest::newRow("UTF-8 made elsewhere")
        << QByteArray("90\xc2\xb0 \xc3\xa4") << QString::fromUtf8("90° ä");
    QTest::newRow("CR LF read as LF") << QByteArray("a\r\nb\r\n") << QString("a\nb\n");
    QTest::newRow("content ends at a NUL") << QByteArray("a\nb\0c", 5) << QString("a\nb");
    QTest::newRow("cut UTF-8 sequence is ISO 8859-1") << QByteArray("x\xc3") << QString("x\u00c3");
}

void TestScriptFiles::decodingBothEncodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(ScriptFiles::decode(bytes), text);
}

void TestScriptFiles::nonAsciiSurvivesSaveLoadSave()
{
    const QString text = QString::fromUtf8("set_temp 92°\n# Kühler ä\n");
    QVERIFY(ScriptFiles::saveWithBackups("ws", "/a.scr", ScriptFiles::encode(text), 10, false));
    const QByteArray first = fileBytes("ws/a.scr");
    QCOMPARE(first, QByteArray("set_temp 92\xb0\n# K\xfchler \xe4\n"));
    const QString loaded = ScriptFiles::readText("ws/a.scr");
    QCOMPARE(loaded, text);
    QVERIFY(ScriptFiles::saveWithBackups("ws", "/a.scr", ScriptFiles::encode(loaded), 10, false));
    QCOMPARE(fileBytes("ws/a.scr"), first);
    QVERIFY(ScriptFiles::readText("ws/missing.scr").isEmpty());
}

void TestScriptFiles::newFilesNeverDamageOldOnes_data()
{
    using C = ScriptFiles::Creation;
    QTest::addColumn<QString>("name");
    QTest::addColumn<ScriptFiles::Creation>("result");
    QTest::addColumn<QByteArray>("content"); // of ws/tube/<name> afterwards
    QTest::newRow("new macro gets the template")
        << "290_boot.mcr" << C::Created
        << QByteArray("#description of macro\r\ncreate_macro \"{macroname}\" {macronumber} 2\r\n"
                      "end_macro\r\n");
    QTest::newRow("existing file left untouched")
        << "old.mcr" << C::Existed << QByteArray("keep me\n");
    QTest::newRow("name with a separator refused") << "../x.mcr" << C::Refused << QByteArray();
    QTest::newRow("name with a backslash refused") << "..\\x.mcr" << C::Refused << QByteArray();
    QTest::newRow("name with dot dot refused") << "...mcr" << C::Refused << QByteArray();
}

void TestScriptFiles::newFilesNeverDamageOldOnes()
{
    QFETCH(QString, name);
    QFETCH(ScriptFiles::Creation, result);
    QFETCH(QByteArray, content);
    writeFile("ws/tube/old.mcr", "keep me\n");
    SettingsStore::set("workingFolder", "ws");
    SettingsStore::set("workingSubProjFile", "/tube");
    ScriptWorkspace workspace;
    workspace.readSettings();
    workspace.setReady(true);
    QCOMPARE(workspace.createScript(name, ScriptFiles::macroTemplate()), result);
    if (result == ScriptFiles::Creation::Refused) {
        QCOMPARE(filesIn("ws/tube") + filesIn("ws"), QStringList{"old.mcr"});
        QCOMPARE(workspace.fileName(), QStringLiteral("new.scr"));
    } else {
        QCOMPARE(fileBytes("ws/tube/" + name), content);
        QCOMPARE(workspace.fileName(), name); // the file to work on now
    }
}

void TestScriptFiles::deleteTakesHotkeysAndBackups()
{
    const QStringList suffixes = {"", ".hotkeys", ".0", ".5", ".10"};
    for (const QString &suffix : suffixes)
        writeFile("ws/tube/a.scr" + suffix);
    writeFile("ws/tube/a.scr.11");
    writeFile("ws/tube/b.scr");
    writeFile("ws/tube/.hotkeys");
    SettingsStore::set("workingFolder", "ws");
    SettingsStore::set("workingSubProjFile", "/tube");
    SettingsStore::set("workingFile", "a.scr");
    ScriptWorkspace workspace;
    workspace.readSettings();
    workspace.removeActiveScript();
    QCOMPARE(filesIn("ws/tube"), (QStringList{".hotkeys", "a.scr.11", "b.scr"}));
    // Without a file name nothing in the folder is the script's.
    workspace.setReady(true);
    workspace.setWorkingFile(QString());
    workspace.removeActiveScript();
    QCOMPARE(filesIn("ws/tube").size(), 3);
}

void TestScriptFiles::settingsKeysPerMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("normal mode") << "0"
                                 << "";
    QTest::newRow("production mode") << "1"
                                     << "prod_";
}

void TestScriptFiles::settingsKeysPerMode()
{
    QFETCH(QString, mode);
    QFETCH(QString, prefix);
    ScriptWorkspace workspace;
    workspace.readSettings(); // first start: the defaults
    QCOMPARE(workspace.activeScriptPath(), QStringLiteral(".//new.scr"));
    QCOMPARE(workspace.historyFolder(), QStringLiteral(".//log"));

    SettingsStore::set("prod_mode", mode);
    SettingsStore::set(prefix + "workingFolder", "/w");
    SettingsStore::set(prefix + "workingSubProjFile", "/tube");
    SettingsStore::set(prefix + "workingFile", "a.scr");
    workspace.readSettings();
    QCOMPARE(workspace.inProductionMode(), mode == "1");
    QCOMPARE(workspace.activeScriptPath(), QStringLiteral("/w/tube/a.scr"));
    QCOMPARE(workspace.historyFolder(), QStringLiteral("/w/tube/log"));

    // Choices while the lists are refilled are ignored; once ready they are stored.
    workspace.setSubProject("/cold");
    workspace.setReady(true);
    workspace.setWorkingFile("b.scr");
    workspace.setFolder("/v");
    QCOMPARE(workspace.activeScriptPath(), QStringLiteral("/v/tube/b.scr"));
    const QString other = mode == "1" ? "" : "prod_";
    QCOMPARE(SettingsStore::get(prefix + "workingSubProjFile", "").toString(), QString("/tube"));
    QCOMPARE(SettingsStore::get(prefix + "workingFile", "").toString(), QString("b.scr"));
    QCOMPARE(SettingsStore::get(prefix + "workingFolder", "").toString(), QString("/v"));
    QCOMPARE(SettingsStore::get(other + "workingFolder", "unset").toString(), QString("unset"));
    // The log folder follows a new initialisation only.
    QCOMPARE(workspace.historyFolder(), QStringLiteral("/w/tube/log"));
}

QTEST_GUILESS_MAIN(TestScriptFiles)
#include "tst_scriptfiles.moc"
