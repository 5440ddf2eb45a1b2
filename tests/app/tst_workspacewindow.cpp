#include "scratchfile.h"
#include "telemetryrecord.h"
#include "windowprobe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {

// ws holds the sub projects /cold and /tube; the stored script is /tube/a.scr with hotkey 2.
QString makeWorkspace()
{
    const QString folder = QDir::currentPath() + QStringLiteral("/ws");
    QDir(folder).removeRecursively();
    writeFile(folder + "/tube/a.scr", "led 1\n");
    writeFile(folder + "/tube/a.scr.hotkeys", "#hotkey2|Beep|do_beep 1\r\n");
    writeFile(folder + "/tube/b.scr", "bee\n");
    writeFile(folder + "/cold/c.scr", "cold\n");
    QDir().mkpath(folder + "/tube/log");
    QDir().mkpath(folder + "/other/.git");
    writeFile(folder + "/other/d.scr", "dee\n");
    SettingsStore::set("workingFolder", folder);
    SettingsStore::set("workingSubProjFile", "/tube");
    SettingsStore::set("workingFile", "a.scr");
    return folder;
}

QTextEdit *editor(const MainWindow &window)
{
    return child<QTextEdit>(window, "txtCommand");
}

QStringList items(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// The window's history log: entries and texts run, in order.
QByteArray history(const QString &folder)
{
    QFile file(folder + "/tube/log/history.log");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The workspace, script runs and hotkeys as the main window wires them: lists and choices,
// saving before a script is left, the questions asked, the keys of the editor, Stop and the
// loop. The files themselves are the units' tests.
class TestWorkspaceWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void startUpShowsTheStoredScript();
    void leavingAScriptSavesItsEdits_data();
    void leavingAScriptSavesItsEdits();
    void switchingByName_data();
    void switchingByName();
    void folderChooserListsAndShowsGit();
    void addAndDeleteFiles();
    void runs_data();
    void runs();
    void stopEmptiesTheQueueAndEndsTheProgress();
    void loopRunsAgainAfterABrew();
    void keyBindings_data();
    void keyBindings();
    void hotkeyFieldRefusesBar();

private:
    FakePrompter prompter;
    QString folder;
};

void TestWorkspaceWindow::init()
{
    resetWindowState();
    prompter = FakePrompter();
    folder = makeWorkspace();
}

void TestWorkspaceWindow::startUpShowsTheStoredScript()
{
    MainWindow window(prompter);
    QCOMPARE(items(child<QComboBox>(window, "cboSubProj")),
             (QStringList{"", "/cold", "/other", "/tube", "/tube/log"}));
    QCOMPARE(child<QComboBox>(window, "cboSubProj")->currentText(), QStringLiteral("/tube"));
    auto *scripts = child<QComboBox>(window, "cboScriptfiles");
    QCOMPARE(items(scripts), (QStringList{"a.scr", "b.scr"}));
    QCOMPARE(scripts->currentText(), QStringLiteral("a.scr"));
    QCOMPARE(editor(window)->toPlainText(), QStringLiteral("led 1\n"));
    QCOMPARE(child<QLineEdit>(window, "txtHotkey2")->text(), QStringLiteral("do_beep 1"));
    QCOMPARE(text(window, "btnHotKey2"), QStringLiteral("Beep"));
    QCOMPARE(text(window, "btnHotKey3"), QStringLiteral("Hotkey 3")); // not in the file
    QCOMPARE(child<QLineEdit>(window, "txtlogFile")->text(), QStringLiteral("a.scr"));
    QCOMPARE(text(window, "lblHomeDir"), folder);
    QVERIFY(child<QWidget>(window, "cmdGitCommit")->isHidden());
    QVERIFY(prompter.asked.isEmpty());
}

void TestWorkspaceWindow::leavingAScriptSavesItsEdits_data()
{
    QTest::addColumn<QString>("leave"); // by which choice the script is left
    QTest::addColumn<bool>("production");
    QTest::newRow("another script") << "script" << false;
    QTest::newRow("another sub project") << "sub project" << false;
    QTest::newRow("another folder") << "folder" << false;
    QTest::newRow("production mode switched on") << "mode" << false;
    QTest::newRow("production mode saves nothing") << "script" << true;
}

void TestWorkspaceWindow::leavingAScriptSavesItsEdits()
{
    QFETCH(QString, leave);
    QFETCH(bool, production);
    if (production) {
        SettingsStore::set("prod_mode", "1");
        for (const char *key : {"workingFolder", "workingSubProjFile", "workingFile"})
            SettingsStore::set(QStringLiteral("prod_") + key, SettingsStore::get(key, ""));
    }
    MainWindow window(prompter);
    editor(window)->setPlainText(QStringLiteral("edited"));
    child<QLineEdit>(window, "txtHotkey1")->setText(QStringLiteral("stop"));
    if (leave == "script") {
        child<QComboBox>(window, "cboScriptfiles")->setCurrentText("b.scr");
    } else if (leave == "sub project") {
        child<QComboBox>(window, "cboSubProj")->setCurrentText("/cold");
    } else if (leave == "folder") {
        prompter.answer(folder + "/other");
        child<QPushButton>(window, "btnHomeDirectory")->click();
    } else {
        child<QAction>(window, "actionProduction_mode")->setChecked(true);
    }
    QCOMPARE(fileBytes(folder + "/tube/a.scr"), QByteArray(production ? "led 1\n" : "edited"));
    QCOMPARE(fileBytes(folder + "/tube/a.scr.0"), QByteArray(production ? "<missing>" : "led 1\n"));
    const QByteArray hotkeys = fileBytes(folder + "/tube/a.scr.hotkeys");
    QCOMPARE(hotkeys.contains("#hotkey1|Hotkey 1|stop\r\n"), !production);
    QCOMPARE(hotkeys.endsWith("#hotkey13|Hotkey 13 (F5)|\r\n"), !production);
    if (leave != "mode")
        QVERIFY(editor(window)->toPlainText() != QStringLiteral("edited"));
    QVERIFY(prompter.scriptUsedUp());
}

void TestWorkspaceWindow::switchingByName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("answer"); // to "Save active file?", if it is asked
    QTest::addColumn<QByteArray>("oldFile");
    QTest::addColumn<QString>("shown"); // editor afterwards
    QTest::addColumn<QString>("name");  // field afterwards
    const QByteArray old("led 1\n");
    QTest::newRow("Yes saves under the old name")
        << "b.scr" << true << int(QMessageBox::Yes) << QByteArray("edited") << "bee\n"
        << "b.scr";
    QTest::newRow("No drops the edits") << "b.scr" << true << int(QMessageBox::No) << old << "bee\n"
                                        << "b.scr";
    QTest::newRow("Cancel keeps name and edits")
        << "b.scr" << true << int(QMessageBox::Cancel) << old << "edited"
        << "a.scr";
    QTest::newRow("unchanged script asks nothing") << "b.scr" << false << 0 << old << "bee\n"
                                                   << "b.scr";
    QTest::newRow("new name starts an empty script") << "new.scr" << false << 0 << old << ""
                                                     << "new.scr";
    QTest::newRow("same name keeps the edits") << "a.scr" << true << 0 << old << "edited"
                                               << "a.scr";
    QTest::newRow("name with a folder refused") << "../b.scr" << false << 0 << old << "led 1\n"
                                                << "a.scr";
}

void TestWorkspaceWindow::switchingByName()
{
    QFETCH(QString, typed);
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(QByteArray, oldFile);
    QFETCH(QString, shown);
    QFETCH(QString, name);
    MainWindow window(prompter);
    if (edited)
        editor(window)->setPlainText(QStringLiteral("edited"));
    if (answer)
        prompter.answer(QMessageBox::StandardButton(answer));
    auto *field = child<QLineEdit>(window, "txtlogFile");
    field->setText(typed);
    // Return runs the handler twice: for the key, then for the end of editing.
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(fileBytes(folder + "/tube/a.scr"), oldFile);
    QCOMPARE(editor(window)->toPlainText(), shown);
    QCOMPARE(field->text(), name);
    QCOMPARE(SettingsStore::get("workingFile", "").toString(), name);
    QCOMPARE(text(window, "btnHotKey2"), QStringLiteral("Beep")); // b.scr has no hotkey file
    QStringList asked = prompter.shown();
    if (answer)
        QCOMPARE(asked.takeFirst(), QStringLiteral("Confirm change|Save active file?"));
    if (typed.contains('/'))
        QVERIFY(asked.takeFirst().startsWith("Working file|"));
    QCOMPARE(asked, QStringList());
}

void TestWorkspaceWindow::folderChooserListsAndShowsGit()
{
    MainWindow window(prompter);
    prompter.answer(folder + "/other");
    prompter.answer(QString()); // cancelled: nothing changes
    auto *home = child<QPushButton>(window, "btnHomeDirectory");
    home->click();
    QCOMPARE(prompter.asked.first().title, QStringLiteral("Open Directory"));
    QCOMPARE(prompter.asked.first().text, folder);
    QCOMPARE(items(child<QComboBox>(window, "cboSubProj")), QStringList{""});
    QCOMPARE(editor(window)->toPlainText(), QStringLiteral("dee\n"));
    QCOMPARE(SettingsStore::get("workingFolder", "").toString(), folder + "/other");
    QCOMPARE(SettingsStore::get("workingSubProjFile", "x").toString(), QString());
    QCOMPARE(SettingsStore::get("workingFile", "").toString(), QStringLiteral("d.scr"));
    QVERIFY(!child<QWidget>(window, "cmdGitCommit")->isHidden());
    QVERIFY(child<QMenu>(window, "menuGit")->menuAction()->isVisible());
    home->click();
    QCOMPARE(text(window, "lblHomeDir"), folder + "/other");
    QVERIFY(!child<QWidget>(window, "txtCommitMessage")->isHidden());
}

void TestWorkspaceWindow::addAndDeleteFiles()
{
    ConnectedWindow c(prompter); // the file buttons work while a board is connected
    QVERIFY(c.peer);
    MainWindow &window = c.window;
    prompter.answer(QStringLiteral("290_boot"));
    child<QPushButton>(window, "cmAddMCRFile")->click();
    auto *scripts = child<QComboBox>(window, "cboScriptfiles");
    QCOMPARE(items(scripts), (QStringList{"290_boot.mcr", "a.scr", "b.scr"}));
    QCOMPARE(scripts->currentText(), QStringLiteral("290_boot.mcr")); // opened at once
    QVERIFY(editor(window)->toPlainText().startsWith("#description of macro\n"));

    prompter.answer(QStringLiteral("b")); // exists: opened untouched
    prompter.answer(QStringLiteral("../x"));
    for (int i = 0; i < 2; ++i)
        child<QPushButton>(window, "cmdCreateSCRFile")->click();
    QCOMPARE(editor(window)->toPlainText(), QStringLiteral("bee\n"));
    QCOMPARE(fileBytes(folder + "/tube/b.scr"), QByteArray("bee\n"));
    QVERIFY(!QFileInfo::exists(folder + "/x.scr"));
    QCOMPARE(prompter.asked.last().kind, FakePrompter::Kind::Warning);

    prompter.answer(QMessageBox::No);
    prompter.answer(QMessageBox::Yes);
    for (int i = 0; i < 2; ++i)
        child<QPushButton>(window, "btnDeleteFile")->click();
    QCOMPARE(prompter.shown().mid(4), (QStringList{"|Delete file", "|Delete file"}));
    QVERIFY(!QFileInfo::exists(folder + "/tube/b.scr"));
    QCOMPARE(items(scripts), (QStringList{"290_boot.mcr", "a.scr"}));
    QCOMPARE(scripts->currentIndex(), -1);
    QVERIFY(editor(window)->toPlainText().isEmpty());
}

void TestWorkspaceWindow::runs_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("selection"); // all of it selected and sent with Alt+Return
    QTest::addColumn<bool>("production");
    QTest::addColumn<QByteArray>("wire"); // sent at once
    QTest::addColumn<bool>("saved");      // the edited script is on disk before the run
    QTest::newRow("send all: first command, after saving")
        << "# c\n\n  \nled 1\n#x\nled 0" << false << false << QByteArray("led 1\r\n") << true;
    QTest::newRow("only comments send nothing, still logged")
        << "# a\n \n# b" << false << false << QByteArray() << true;
    QTest::newRow("selection starting with a hotkey definition applies it")
        << "#hotkey3|Beep|do_beep 1\nled 1" << true << false << QByteArray() << true;
    QTest::newRow("production mode saves nothing, still logged")
        << "led 1" << false << true << QByteArray("led 1\r\n") << false;
}

void TestWorkspaceWindow::runs()
{
    QFETCH(QString, script);
    QFETCH(bool, selection);
    QFETCH(bool, production);
    QFETCH(QByteArray, wire);
    QFETCH(bool, saved);
    if (production) {
        SettingsStore::set("prod_mode", "1");
        SettingsStore::set("prod_workingFolder", folder);
        SettingsStore::set("prod_workingSubProjFile", "/tube");
        SettingsStore::set("prod_workingFile", "a.scr");
    }
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    editor(c.window)->setPlainText(script);
    if (selection) {
        editor(c.window)->selectAll();
        QTest::keyClick(editor(c.window), Qt::Key_Return, Qt::AltModifier);
    } else {
        prompter.answer(QMessageBox::Yes);
        child<QPushButton>(c.window, "btnSend")->click();
    }
    QCOMPARE(readBytes(c.peer, wire.size() + 1, 300), wire);
    QCOMPARE(fileBytes(folder + "/tube/a.scr") == script.toLatin1(), saved);
    const QByteArray logged = history(folder);
    QVERIFY2(logged.startsWith("[Logdate:") && logged.endsWith(script.toLatin1()), logged);
    if (selection) {
        QCOMPARE(text(c.window, "btnHotKey3"), QStringLiteral("Beep"));
        QVERIFY(fileBytes(folder + "/tube/a.scr.hotkeys").contains("#hotkey3|Beep|do_beep 1\r\n"));
        c.peer->write("> ");
        QCOMPARE(readBytes(c.peer, 7), QByteArray("led 1\r\n")); // the rest goes on paced
    }
}

void TestWorkspaceWindow::stopEmptiesTheQueueAndEndsTheProgress()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    auto *progress = child<QLabel>(c.window, "lblRunProgress");
    editor(c.window)->setPlainText(QStringLiteral("a\n# note\nb\nc"));
    prompter.answer(QMessageBox::Yes);
    child<QPushButton>(c.window, "btnSend")->click();
    QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
    QCOMPARE(progress->text(), QStringLiteral("line 1 of 3"));
    c.peer->write("ok\n");
    QCOMPARE(readBytes(c.peer, 3), QByteArray("b\r\n"));
    QTRY_COMPARE(progress->text(), QStringLiteral("line 2 of 3")); // refreshed a few times a second
    child<QPushButton>(c.window, "btnSendStop")->click();
    QCOMPARE(readBytes(c.peer, 6), QByteArray("stop\r\n"));
    QVERIFY(progress->text().isEmpty());
    c.peer->write("stopped\n");
    QCOMPARE(readBytes(c.peer, 3, 300), QByteArray()); // c is never sent

    // A run that ends by itself ends the display too.
    prompter.answer(QMessageBox::Yes);
    child<QPushButton>(c.window, "btnSend")->click();
    for (const char *line : {"a\r\n", "b\r\n", "c\r\n"}) {
        QCOMPARE(readBytes(c.peer, 3), QByteArray(line));
        c.peer->write("ok\n");
    }
    QTRY_VERIFY(progress->text().isEmpty());
}

void TestWorkspaceWindow::loopRunsAgainAfterABrew()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    child<QComboBox>(c.window, "cboLoopTime")->setCurrentText("1 sec");
    auto *loop = child<QCheckBox>(c.window, "cheLoopCommand");
    loop->setChecked(true);
    editor(c.window)->setPlainText(QStringLiteral("a"));
    prompter.answer(QMessageBox::Yes);
    child<QPushButton>(c.window, "btnSend")->click();
    QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
    const auto brew = [&c] {
        for (int state : {4, 2}) {
            TBTubeLogData record = telemetryRecord(QStringLiteral("127.0.0.1"));
            record.state = state;
            c.window.gotLogdata(record);
        }
    };
    brew();
    QCOMPARE(readBytes(c.peer, 3, 3000), QByteArray("a\r\n")); // after the wait
    QCOMPARE(history(folder).count("[Logdate:"), 2);
    // Unchecking during the wait cancels it, and disables the wait choice.
    brew();
    loop->setChecked(false);
    QVERIFY(!child<QComboBox>(c.window, "cboLoopTime")->isEnabled());
    loop->setChecked(true);
    brew();
    QCOMPARE(readBytes(c.peer, 3, 1500), QByteArray()); // unchecking disarmed the loop
}

void TestWorkspaceWindow::keyBindings_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("asked");      // the confirmation of send all
    QTest::addColumn<QByteArray>("wire"); // with send all answered No
    const int alt = Qt::AltModifier;
    const int shift = Qt::ShiftModifier;
    QTest::newRow("Alt+Return sends the selection")
        << int(Qt::Key_Return) << alt << true << false << QByteArray("led 1\r\n");
    QTest::newRow("Alt+Enter sends the selection")
        << int(Qt::Key_Enter) << alt << true << false << QByteArray("led 1\r\n");
    QTest::newRow("Alt+Return without a selection does nothing")
        << int(Qt::Key_Return) << alt << false << false << QByteArray();
    QTest::newRow("Shift+Return asks to run all")
        << int(Qt::Key_Return) << shift << true << true << QByteArray();
    QTest::newRow("F5 runs hotkey 13")
        << int(Qt::Key_F5) << 0 << false << false << QByteArray("stop\r\n");
    QTest::newRow("Ctrl+F5 runs hotkey 13")
        << int(Qt::Key_F5) << int(Qt::ControlModifier) << false << false << QByteArray("stop\r\n");
    QTest::newRow("Return alone sends nothing")
        << int(Qt::Key_Return) << 0 << true << false << QByteArray();
}

void TestWorkspaceWindow::keyBindings()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, selected);
    QFETCH(bool, asked);
    QFETCH(QByteArray, wire);
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    child<QLineEdit>(c.window, "txtHotkey13")->setText(QStringLiteral("stop;;#x"));
    child<QCheckBox>(c.window, "cheAutoSwitch")->setChecked(true);
    child<QTabWidget>(c.window, "tabWidget")->setCurrentIndex(1);
    editor(c.window)->setPlainText(QStringLiteral("led 1"));
    if (selected)
        editor(c.window)->selectAll();
    prompter.answer(QMessageBox::No);
    QTest::keyClick(editor(c.window), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(readBytes(c.peer, wire.size() + 1, 300), wire);
    QCOMPARE(prompter.scriptUsedUp(), asked);
    QCOMPARE(child<QTabWidget>(c.window, "tabWidget")->currentIndex(), key == Qt::Key_F5 ? 0 : 1);
}

void TestWorkspaceWindow::hotkeyFieldRefusesBar()
{
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    auto *field = child<QLineEdit>(c.window, "txtHotkey4");
    QTest::keyClicks(field, QStringLiteral("led 1|led 0"));
    QCOMPARE(field->text(), QStringLiteral("led 1led 0"));
    QVERIFY(c.window.statusBar()->currentMessage().contains('|'));
    // An empty hotkey sends nothing.
    child<QPushButton>(c.window, "btnHotKey5")->click();
    QCOMPARE(readBytes(c.peer, 1, 300), QByteArray());
}

QTEST_MAIN(TestWorkspaceWindow)
#include "tst_workspacewindow.moc"
