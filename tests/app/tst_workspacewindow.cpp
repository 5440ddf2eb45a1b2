#include "scratchfile.h"
#include "telemetryrecord.h"
#include "windowprobe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {

QTextEdit *editor(const MainWindow &window)
{
    return child<QTextEdit>(window, "txtCommand");
}

} // namespace

// The workspace, script runs and hotkeys as the main window wires them: saving before a
// script is left, the questions asked, what a run saves and logs, Stop, the loop and the keys
// of the editor. The files, lines and pacing themselves are the units' tests.
class TestWorkspaceWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void leavingAScriptSavesItsEdits_data();
    void leavingAScriptSavesItsEdits();
    void switchingByName_data();
    void switchingByName();
    void runs_data();
    void runs();
    void stopEmptiesTheQueueAndEndsTheProgress();
    void loopRunsAgainAfterABrew();
    void keyBindings_data();
    void keyBindings();
    void hotkeyFieldRefusesBar();

private:
    FakePrompter prompter;
    const QString folder = QDir::currentPath() + QStringLiteral("/ws");
};

void TestWorkspaceWindow::init()
{
    // ws/tube holds the stored script a.scr with hotkey 2, and b.scr; ws/other is a git tree.
    resetWindowState();
    prompter = FakePrompter();
    QDir(folder).removeRecursively();
    writeFile(folder + "/tube/a.scr", "led 1\n");
    writeFile(folder + "/tube/a.scr.hotkeys", "#hotkey2|Beep|do_beep 1\r\n");
    writeFile(folder + "/tube/b.scr", "bee\n");
    writeFile(folder + "/other/.git/HEAD");
    writeFile(folder + "/other/d.scr", "dee\n");
    QDir().mkpath(folder + "/tube/log");
    for (const QString &prefix : {QString(), QStringLiteral("prod_")}) {
        SettingsStore::set(prefix + "workingFolder", folder);
        SettingsStore::set(prefix + "workingSubProjFile", "/tube");
        SettingsStore::set(prefix + "workingFile", "a.scr");
    }
}

void TestWorkspaceWindow::leavingAScriptSavesItsEdits_data()
{
    QTest::addColumn<QString>("leave"); // by which choice the script is left
    QTest::addColumn<bool>("production");
    QTest::newRow("another script") << "script" << false;
    QTest::newRow("another sub project") << "sub project" << false;
    QTest::newRow("another folder, a git work tree") << "folder" << false;
    QTest::newRow("production mode saves nothing") << "script" << true;
}

void TestWorkspaceWindow::leavingAScriptSavesItsEdits()
{
    QFETCH(QString, leave);
    QFETCH(bool, production);
    SettingsStore::set("prod_mode", production ? "1" : "0");
    MainWindow window(prompter);
    QVERIFY(child<QWidget>(window, "cmdGitCommit")->isHidden());
    editor(window)->setPlainText(QStringLiteral("edited"));
    child<QLineEdit>(window, "txtHotkey1")->setText(QStringLiteral("stop"));
    if (leave == "script")
        child<QComboBox>(window, "cboScriptfiles")->setCurrentText("b.scr");
    if (leave == "sub project")
        child<QComboBox>(window, "cboSubProj")->setCurrentText("/other");
    prompter.answer(folder + "/other");
    if (leave == "folder")
        child<QPushButton>(window, "btnHomeDirectory")->click();
    QCOMPARE(fileBytes(folder + "/tube/a.scr"), QByteArray(production ? "led 1\n" : "edited"));
    const QByteArray hotkeys = fileBytes(folder + "/tube/a.scr.hotkeys");
    QCOMPARE(hotkeys.contains("#hotkey1|Hotkey 1|stop\r\n"), !production);
    QCOMPARE(hotkeys.endsWith("#hotkey13|Hotkey 13 (F5)|\r\n"), !production);
    QCOMPARE(editor(window)->toPlainText(), QString(leave == "script" ? "bee\n" : "dee\n"));
    QCOMPARE(child<QWidget>(window, "cmdGitCommit")->isHidden(), leave != "folder");
}

void TestWorkspaceWindow::switchingByName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("answer"); // to "Save active file?" after editing; 0: not edited
    QTest::addColumn<QByteArray>("oldFile");
    QTest::addColumn<QString>("shown"); // editor afterwards
    QTest::addColumn<QString>("name");  // field and working file afterwards
    const QByteArray old("led 1\n");
    QTest::newRow("Yes saves under the old name")
        << "b.scr" << int(QMessageBox::Yes) << QByteArray("edited") << "bee\n"
        << "b.scr";
    QTest::newRow("No drops the edits") << "b.scr" << int(QMessageBox::No) << old << "bee\n"
                                        << "b.scr";
    QTest::newRow("Cancel keeps name and edits")
        << "b.scr" << int(QMessageBox::Cancel) << old << "edited"
        << "a.scr";
    QTest::newRow("new name starts an empty script") << "new.scr" << 0 << old << ""
                                                     << "new.scr";
    QTest::newRow("name with a folder refused") << "../b.scr" << 0 << old << "led 1\n"
                                                << "a.scr";
}

void TestWorkspaceWindow::switchingByName()
{
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QByteArray, oldFile);
    QFETCH(QString, shown);
    QFETCH(QString, name);
    MainWindow window(prompter);
    if (answer) {
        editor(window)->setPlainText(QStringLiteral("edited"));
        prompter.answer(QMessageBox::StandardButton(answer));
    }
    auto *field = child<QLineEdit>(window, "txtlogFile");
    field->setText(typed);
    QTest::keyClick(field, Qt::Key_Return); // the handler runs twice: Return, end of editing
    QCOMPARE(fileBytes(folder + "/tube/a.scr"), oldFile);
    QCOMPARE(editor(window)->toPlainText(), shown);
    QCOMPARE(field->text() + SettingsStore::get("workingFile", "").toString(), name + name);
    QCOMPARE(text(window, "btnHotKey2"), QStringLiteral("Beep")); // kept without a hotkey file
    QStringList asked = prompter.shown();
    if (answer)
        QCOMPARE(asked.takeFirst(), QStringLiteral("Confirm change|Save active file?"));
    QCOMPARE(asked.size(), typed.contains('/') ? 1 : 0); // the refusal
}

void TestWorkspaceWindow::runs_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("selection"); // all of it selected and sent with Alt+Return
    QTest::addColumn<bool>("production");
    QTest::addColumn<QByteArray>("wire"); // sent at once
    QTest::newRow("send all saves, then sends the first command")
        << "# c\n\n  \nled 1\n#x\nled 0" << false << false << QByteArray("led 1\r\n");
    QTest::newRow("only comments send nothing, still logged")
        << "# a\n \n# b" << false << false << QByteArray();
    QTest::newRow("selection saves first too")
        << "led 2" << true << false << QByteArray("led 2\r\n");
    QTest::newRow("production mode saves nothing, still logged")
        << "led 1" << true << true << QByteArray("led 1\r\n");
}

void TestWorkspaceWindow::runs()
{
    QFETCH(QString, script);
    QFETCH(bool, selection);
    QFETCH(bool, production);
    QFETCH(QByteArray, wire);
    SettingsStore::set("prod_mode", production ? "1" : "0");
    ConnectedWindow c(prompter);
    QVERIFY(c.peer);
    editor(c.window)->setPlainText(script);
    editor(c.window)->selectAll();
    prompter.answer(QMessageBox::Yes);
    QTest::keyClick(editor(c.window), Qt::Key_Return,
                    selection ? Qt::AltModifier : Qt::ShiftModifier);
    QCOMPARE(readBytes(c.peer, wire.size() + 1, 300), wire);
    QCOMPARE(fileBytes(folder + "/tube/a.scr") == script.toLatin1(), !production);
    const QByteArray history = fileBytes(folder + "/tube/log/history.log");
    QVERIFY2(history.startsWith("[Logdate:") && history.endsWith(script.toLatin1()), history);
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
    const auto brew = [&c] {
        for (int state : {4, 2}) {
            TBTubeLogData record = telemetryRecord(QStringLiteral("127.0.0.1"));
            record.state = state;
            c.window.gotLogdata(record);
        }
    };
    brew();
    QCOMPARE(readBytes(c.peer, 6, 3000), QByteArray("a\r\na\r\n")); // again after the wait
    brew(); // unchecking during the wait cancels it and disarms the loop
    loop->setChecked(false);
    loop->setChecked(true);
    brew();
    QCOMPARE(readBytes(c.peer, 3, 1500), QByteArray());
}

void TestWorkspaceWindow::keyBindings_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("asked");      // the confirmation of send all
    QTest::addColumn<QByteArray>("wire"); // with send all answered No
    QTest::newRow("Alt+Return sends the selection")
        << int(Qt::Key_Return) << int(Qt::AltModifier) << true << false << QByteArray("a\r\n");
    QTest::newRow("Alt+Return without a selection does nothing")
        << int(Qt::Key_Return) << int(Qt::AltModifier) << false << false << QByteArray();
    QTest::newRow("Shift+Enter asks to run all")
        << int(Qt::Key_Enter) << int(Qt::ShiftModifier) << true << true << QByteArray();
    QTest::newRow("Ctrl+F5 runs hotkey 13, on the Logdata tab")
        << int(Qt::Key_F5) << int(Qt::ControlModifier) << false << false << QByteArray("stop\r\n");
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
    editor(c.window)->setPlainText(QStringLiteral("a"));
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
}

QTEST_MAIN(TestWorkspaceWindow)
#include "tst_workspacewindow.moc"
