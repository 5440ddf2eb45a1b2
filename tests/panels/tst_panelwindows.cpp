#include "boardsimprocess.h"
#include "fakeprompter.h"
#include "form_macroeditor.h"
#include "loadedmacrodialog.h"
#include "mainwindow.h"
#include "tbmacro.h"
#include "tbreciperunner.h"
#include "thermostimersdialog.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {

QString text(const QObject &parent, const char *name)
{
    return parent.findChild<QObject *>(QLatin1String(name))->property("text").toString();
}

void press(const MainWindow &window, const char *name)
{
    if (auto *action = window.findChild<QAction *>(QLatin1String(name)))
        action->trigger();
    else
        window.findChild<QPushButton *>(QLatin1String(name))->click();
}

// The one window of a kind the main window holds; null when it holds none or several.
template<typename T> T *only(const MainWindow &window)
{
    const QList<T *> found = window.findChildren<T *>();
    return found.size() == 1 ? found.first() : nullptr;
}

} // namespace

// The panels opened from the main window on the simulated board, in one run: a brew from the
// recipe runner with its progress and its thermos, a program of the control center with its
// status rows, and the windows kept, shown again or forgotten; and the dialog of a dump.
class TestPanelWindows : public QObject
{
    Q_OBJECT
private slots:
    void panelsOnTheSimulatedBoard()
    {
        MainWindow window(prompter);
        BoardSimProcess sim;
        QVERIFY(sim.start(BoardSimProcess::quietArguments() + QStringList{"--program-seconds", "4",
                                                                          "--telemetry-ms", "200",
                                                                          "--announce-ms", "300"}));
        QVERIFY(window.connectToDevice("127.0.0.1", sim.ports.first(), nullptr));

        press(window, "actionRecipe_runner");
        const QPointer<TBRecipeRunner> runner = only<TBRecipeRunner>(window);
        runner->findChild<QPushButton *>("Brew")->click();
        auto *bar = runner->findChild<QProgressBar *>("progress");
        QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible() && bar->value() > 0 && bar->value() < 100, 5000);
        QVERIFY(text(*runner, "lblTimeLeftVal").contains(QRegularExpression("^00m 0[1-4]s$")));
        QCOMPARE(text(*runner, "Brew"), QStringLiteral("STOP"));

        // Thermos 1 of the recipe brews on the simulated tube, then is brewed.
        press(window, "actionThermos_GUI");
        ThermosTimersDialog *thermos = only<ThermosTimersDialog>(window);
        auto *timeLeft = thermos->findChild<QLabel *>("lblBrewTimerVal1");
        QTRY_VERIFY(timeLeft->text().startsWith(QLatin1String("Brewtime left:00m 0")));
        QCOMPARE(text(*thermos, "lblRecipeNameVal1"), QStringLiteral("Preset"));
        QTRY_COMPARE(text(*thermos, "lblUnitVal1"), QStringLiteral("SimTube"));
        QTRY_COMPARE_WITH_TIMEOUT(timeLeft->text(), QStringLiteral("Rebrew in:00h 49m"), 8000);
        QTRY_COMPARE(text(*runner, "Brew"), QStringLiteral("Brew"));
        QVERIFY(!bar->isVisible());

        // The thermos board is kept: Back hides it, the Tools button shows the same one.
        thermos->findChild<QPushButton *>("btnBack")->click();
        press(window, "pushButton_2");
        QVERIFY(only<ThermosTimersDialog>(window) == thermos && thermos->isVisible());
        // The macro editor opens once; after its closing the action does nothing.
        press(window, "actionMacro_Editor");
        Form_MacroEditor *editor = only<Form_MacroEditor>(window);
        editor->close();
        press(window, "actionMacro_Editor");
        QVERIFY(only<Form_MacroEditor>(window) == editor && !editor->isVisible());
        // Both openings of the recipe runner show the one runner.
        press(window, "btnReicipeMaker");
        QVERIFY(only<TBRecipeRunner>(window) == runner && runner->isModal());
        QVERIFY(runner->isVisible() && runner->windowFlags() & Qt::WindowStaysOnTopHint);

        // A program of the control center shows its rows until MACRO_DONE.
        press(window, "actionTB_Window");
        press(window, "actionTB_Window");
        TBMacro *center = only<TBMacro>(window); // kept and shown again
        QVERIFY(center && center->isFullScreen());
        auto *program = center->findChild<QPushButton *>("btn10");
        program->click();
        QVERIFY(!program->isEnabled());
        QTRY_COMPARE(text(*center, "lblStatusCurrMacro"), QStringLiteral("10"));
        QTRY_VERIFY_WITH_TIMEOUT(program->isEnabled(), 8000); // MACRO_DONE

        // The board going away closes the control center and the runner, which the window
        // forgets: on the next console a new one opens.
        sim.process.kill();
        QTRY_VERIFY(!center->isVisible() && !runner);
        QVERIFY(!window.findChild<QAction *>("actionTB_Window")->isEnabled());
        BoardSimProcess next;
        QVERIFY(next.start(BoardSimProcess::quietArguments()));
        QVERIFY(window.connectToDevice("127.0.0.1", next.ports.first(), nullptr));
        press(window, "actionRecipe_runner");
        QVERIFY(only<TBRecipeRunner>(window));
    }
    // A board's text is never markup; the copy takes the user's edits.
    void loadedMacroIsPlainTextAndCopied()
    {
        const QString dump = QStringLiteral("NAME:<b>Tube</b> & co\n");
        LoadedMacroDialog dialog(dump);
        dialog.show();
        auto *shown = dialog.findChild<QTextEdit *>(QStringLiteral("txtLoadedMacro"));
        QCOMPARE(shown->toPlainText(), dump);
        shown->moveCursor(QTextCursor::End);
        QTest::keyClicks(shown, QStringLiteral("edited"));
        dialog.findChild<QPushButton *>("btnPaste")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(QGuiApplication::clipboard()->text(), dump + "edited");
    }
    // Macros received show in one dialog, which the next macro shows again once it is closed.
    void windowKeepsOneLoadedMacroDialog()
    {
        MainWindow window(prompter);
        window.macroRecived(QStringLiteral("first"));
        window.macroRecived(QStringLiteral("<i>second</i>"));
        LoadedMacroDialog *dialog = only<LoadedMacroDialog>(window);
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        const auto shown = [dialog] { return dialog->findChild<QTextEdit *>()->toPlainText(); };
        QCOMPARE(shown(), QStringLiteral("<i>second</i>"));
        dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        QVERIFY(!dialog->isVisible());
        window.macroRecived(QStringLiteral("again"));
        QVERIFY(only<LoadedMacroDialog>(window) == dialog && dialog->isVisible());
        QCOMPARE(shown(), QStringLiteral("again"));
    }

private:
    FakePrompter prompter;
};

QTEST_MAIN(TestPanelWindows)
#include "tst_panelwindows.moc"
