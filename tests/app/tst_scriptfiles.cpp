#include "consolepeer.h"
#include "hotkeyfile.h"
#include "scriptworkspace.h"
#include "settingsstore.h"

#include <QSettings>
#include <QtTest>

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

Q_DECLARE_METATYPE(ScriptFiles::Creation)

// The workspace's files on disk, its settings per mode and the hotkey lines, without a window.
class TestScriptFiles : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QSettings(QString::fromLatin1(SettingsStore::kOrganization),
                  QString::fromLatin1(SettingsStore::kApplication))
            .clear();
        QDir(QStringLiteral("ws")).removeRecursively();
        QDir().mkpath(QStringLiteral("ws/tube"));
        SettingsStore::set("workingFolder", "ws");
        SettingsStore::set("workingSubProjFile", "/tube");
    }

    void backups_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("append");
        QTest::addColumn<int>("saves"); // of "v1", "v2", ...
        QTest::addColumn<int>("files");
        QTest::addColumn<QByteArray>("contents"); // of the file, and of a.0 and a.10 when there
        const auto row = [](const char *name, const char *file, int count, bool append, int saves,
                            int files, const char *contents) {
            QTest::newRow(name) << file << count << append << saves << files
                                << QByteArray(contents);
        };
        row("first save of a new script makes no backup", "a", 10, false, 1, 1, "v1");
        row("thirteen saves keep eleven backups", "a", 10, false, 13, 12, "v13v12v2");
        row("hotkey file never backed up", "a.hotkeys", 10, false, 2, 1, "v2");
        row("append with no backups renames nothing", "log", 0, true, 2, 1, "v1v2");
    }
    void backups()
    {
        QFETCH(QString, name);
        QFETCH(int, count);
        QFETCH(bool, append);
        QFETCH(int, saves);
        QFETCH(int, files);
        QFETCH(QByteArray, contents);
        for (int version = 1; version <= saves; ++version)
            QVERIFY(ScriptFiles::saveWithBackups("ws", "/tube/" + name,
                                                 "v" + QByteArray::number(version), count, append));
        QCOMPARE(filesIn("ws/tube").size(), files);
        QByteArray found = fileBytes("ws/tube/" + name);
        if (files > 1)
            found += fileBytes("ws/tube/a.0") + fileBytes("ws/tube/a.10");
        QCOMPARE(found, contents);
        QVERIFY(!ScriptFiles::saveWithBackups("ws", "/none/" + name, "x", count, append));
        QVERIFY(!QFileInfo::exists("ws/none")); // a missing folder is not made
    }

    void subProjectsDepthFirstWithoutHidden()
    {
        for (const char *folder : {"ws/c", "ws/a/b", "ws/.git/objects", "ws/a/.hidden"})
            QDir().mkpath(folder);
        QVERIFY(QFile::link(QDir::currentPath() + "/ws", "ws/c/up")); // listed, not walked again
        for (const QString &root : {QDir::currentPath() + "/ws", QStringLiteral("ws")}) {
            QStringList list;
            ScriptFiles::listSubProjects(root, root, list);
            QCOMPARE(list, (QStringList{"", "/a", "/a/b", "/c", "/c/up", "/tube"}));
        }
    }

    void decodingBothEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved"); // when the text loaded is saved again
        const QByteArray latin1("92\xb0 K\xfchler \xe4\n");
        QTest::newRow("ISO 8859-1 as written here, saved back the same")
            << latin1 << QString::fromUtf8("92° Kühler ä\n") << latin1;
        QTest::newRow("UTF-8 made elsewhere")
            << QByteArray("92\xc2\xb0 \xc3\xa4") << QString::fromUtf8("92° ä")
            << QByteArray("92\xb0 \xe4");
        QTest::newRow("CR LF read as LF") << QByteArray("a\r\nb") << "a\nb" << QByteArray("a\nb");
        QTest::newRow("cut UTF-8 sequence is ISO 8859-1")
            << QByteArray("x\xc3") << "x\u00c3" << QByteArray("x\xc3");
    }
    void decodingBothEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        writeFile("ws/a.scr", bytes);
        QCOMPARE(ScriptFiles::readText("ws/a.scr"), text);
        QCOMPARE(ScriptFiles::encode(text), saved);
    }

    void newFilesNeverDamageOldOnes_data()
    {
        using C = ScriptFiles::Creation;
        QTest::addColumn<QString>("name");
        QTest::addColumn<ScriptFiles::Creation>("result");
        QTest::addColumn<QByteArray>("content"); // of ws/tube/<name> afterwards
        QTest::newRow("new macro gets the template")
            << "290_boot.mcr" << C::Created
            << QByteArray("#description of macro\r\ncreate_macro \"{macroname}\" {macronumber} "
                          "2\r\nend_macro\r\n");
        QTest::newRow("existing file left untouched")
            << "old.mcr" << C::Existed << QByteArray("keep");
        QTest::newRow("name with a separator refused") << "../x.mcr" << C::Refused << QByteArray();
        QTest::newRow("name with dot dot refused") << "...mcr" << C::Refused << QByteArray();
    }
    void newFilesNeverDamageOldOnes()
    {
        QFETCH(QString, name);
        QFETCH(ScriptFiles::Creation, result);
        QFETCH(QByteArray, content);
        writeFile("ws/tube/old.mcr", "keep");
        ScriptWorkspace workspace;
        workspace.readSettings();
        workspace.setReady(true);
        QCOMPARE(workspace.createScript(name, ScriptFiles::macroTemplate()), result);
        const bool refused = result == ScriptFiles::Creation::Refused;
        if (refused)
            QCOMPARE(filesIn("ws/tube") + filesIn("ws"), QStringList{"old.mcr"});
        else
            QCOMPARE(fileBytes("ws/tube/" + name), content);
        QCOMPARE(workspace.fileName(), refused ? QStringLiteral("new.scr") : name); // opened next
    }

    void deleteTakesHotkeysAndBackups()
    {
        for (const char *suffix : {"", ".hotkeys", ".0", ".10", ".11"})
            writeFile(QStringLiteral("ws/tube/a.scr") + suffix);
        writeFile("ws/tube/.hotkeys");
        SettingsStore::set("workingFile", "a.scr");
        ScriptWorkspace workspace;
        workspace.readSettings();
        workspace.removeActiveScript();
        QCOMPARE(filesIn("ws/tube"), (QStringList{".hotkeys", "a.scr.11"}));
        workspace.setReady(true);
        workspace.setWorkingFile(QString()); // no name: nothing in the folder is the script's
        workspace.removeActiveScript();
        QCOMPARE(filesIn("ws/tube").size(), 2);
    }

    void keysAndPatternsPerMode_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("normal mode lists text and macro files")
            << "" << QStringList{"b.SCR", "c.mcr", "d.txt", "e.tube_setup", "f.spider_setup"};
        QTest::newRow("production mode lists setups and scripts only")
            << "prod_" << QStringList{"b.SCR", "e.tube_setup", "f.spider_setup"};
    }
    void keysAndPatternsPerMode()
    {
        QFETCH(QString, prefix);
        QFETCH(QStringList, listed);
        for (const char *name : {"b.SCR", "c.mcr", "d.txt", "e.tube_setup", "f.spider_setup",
                                 ".hidden.scr", "g.scr.0", "h.scr.hotkeys", "folder.scr/i"})
            writeFile(QStringLiteral("ws/tube/") + name);
        SettingsStore::set("prod_mode", prefix.isEmpty() ? "0" : "1");
        SettingsStore::set("prod_workingFolder", "ws");
        SettingsStore::set(prefix + "workingSubProjFile", "/tube");
        SettingsStore::set(prefix + "workingFile", "a.scr");
        ScriptWorkspace workspace;
        workspace.readSettings();
        QCOMPARE(ScriptFiles::listScriptFiles(workspace.scriptFolder(), workspace.filePatterns()),
                 listed);
        QCOMPARE(workspace.historyFolder(), QStringLiteral("ws/tube/log"));
        // Choices while the lists are refilled are ignored; once ready they go to the mode's keys.
        workspace.setSubProject("/cold");
        workspace.setReady(true);
        workspace.setFolder("/v");
        QCOMPARE(workspace.activeScriptPath(), QStringLiteral("/v/tube/a.scr"));
        const QString other = prefix.isEmpty() ? "prod_" : "";
        QCOMPARE(SettingsStore::get(prefix + "workingFolder", "").toString(), QStringLiteral("/v"));
        QCOMPARE(SettingsStore::get(other + "workingFolder", "").toString(), QStringLiteral("ws"));
    }

    void hotkeyLines_data()
    {
        QTest::addColumn<QString>("line");   // as read from a file or sent
        QTest::addColumn<QString>("stored"); // as the hotkey's line is written back; empty: ignored
        const auto row = [](const char *name, const QString &line, const char *stored) {
            QTest::newRow(name) << line << stored;
        };
        row("hotkey 13", "#hotkey13|Stop|stop", "#hotkey13|Stop|stop\r\n");
        row("fields trimmed, line end dropped", "#hotkey3| Hotkey 13 (F5) | a;b \r\n",
            "#hotkey3|Hotkey 13 (F5)|a;b\r\n");
        row("a bar or line end in a field is left out when written",
            HotkeyFile::line(7, {"A|B", "%1|x\r\ny"}), "#hotkey7|AB|%1xy\r\n");
        row("number 14 ignored", "#hotkey14|a|b", "");
        row("number 0 ignored", "#hotkey0|a|b", "");
        row("no number ignored", "#hotkeyx|a|b", "");
        row("four fields ignored", "#hotkey2|a|b|c", "");
        row("prefix is case-sensitive", "#HOTKEY2|a|b", "");
    }
    void hotkeyLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, stored);
        const std::optional<HotkeyFile::Definition> read = HotkeyFile::parse(line);
        QCOMPARE(read ? HotkeyFile::line(read->number, read->hotkey) : QString(), stored);
    }
};

QTEST_GUILESS_MAIN(TestScriptFiles)
#include "tst_scriptfiles.moc"
