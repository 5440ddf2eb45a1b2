#include "boardsimprocess.h"
#include "fakeprompter.h"
#include "form_macroeditor.h"
#include "mainwindow.h"
#include "tbmacro.h"
#include "tbreciperunner.h"
#include "thermostimersdialog.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

template<typename T> T *child(const QObject &parent, const QString &name)
{
    T *found = parent.findChild<T *>(name);
    if (!found)
        qFatal("no %s", qPrintable(name));
    return found;
}

QString text(const QObject &parent, const QString &name)
{
    if (auto *label = parent.findChild<QLabel *>(name))
        return label->text();
    return child<QAbstractButton>(parent, name)->text();
}

void trigger(const MainWindow &window, const char *action)
{
    child<QAction>(window, QLatin1String(action))->trigger();
}

// The one window of a kind the main window holds; null when it holds none or several.
template<typename T> T *only(const MainWindow &window)
{
    const QList<T *> found = window.findChildren<T *>();
    return found.size() == 1 ? found.first() : nullptr;
}

} // namespace

// The panels as the main window opens, keeps and forgets them, and against the simulated
// board: a brew from the recipe runner with its progress and its thermos, and a program of
// the control center with its status rows.
class TestPanelWindows : public QObject
{
    Q_OBJECT
private slots:
    void openingsKeepOrForgetTheirWindow();
    void recipeBrewShowsProgressAndThermos();
    void controlCenterFollowsAProgram();

private:
    FakePrompter prompter;
};

void TestPanelWindows::openingsKeepOrForgetTheirWindow()
{
    MainWindow window(prompter);
    QTcpServer board;
    QVERIFY(board.listen(QHostAddress::LocalHost));
    QVERIFY(window.connectToDevice("127.0.0.1", board.serverPort(), nullptr));
    QVERIFY(board.waitForNewConnection(3000));
    QTcpSocket *peer = board.nextPendingConnection();

    trigger(window, "actionTB_Window");
    trigger(window, "actionTB_Window");
    TBMacro *center = only<TBMacro>(window);
    QVERIFY(center && center->isVisible() && center->isFullScreen());

    // The macro editor opens once; after its closing the action does nothing.
    trigger(window, "actionMacro_Editor");
    Form_MacroEditor *editor = only<Form_MacroEditor>(window);
    QVERIFY(editor && editor->isVisible());
    editor->close();
    trigger(window, "actionMacro_Editor");
    QVERIFY(only<Form_MacroEditor>(window) == editor && !editor->isVisible());

    // The thermos board is kept: Back hides it, the button shows the same one again.
    trigger(window, "actionThermos_GUI");
    ThermosTimersDialog *thermos = only<ThermosTimersDialog>(window);
    QVERIFY(thermos && thermos->isModal() && thermos->isVisible());
    child<QPushButton>(*thermos, "btnBack")->click();
    child<QPushButton>(window, "pushButton_2")->click();
    QVERIFY(only<ThermosTimersDialog>(window) == thermos && thermos->isVisible());
    thermos->hide();

    // Both openings of the recipe runner show the one runner.
    trigger(window, "actionRecipe_runner");
    TBRecipeRunner *runner = only<TBRecipeRunner>(window);
    QVERIFY(runner && runner->isModal());
    QTRY_VERIFY(runner->isFullScreen());
    child<QPushButton>(window, "btnReicipeMaker")->click();
    QVERIFY(only<TBRecipeRunner>(window) == runner && runner->isVisible());
    QVERIFY(runner->windowFlags() & Qt::WindowStaysOnTopHint);

    // The lost console closes the runner and the control center; the runner is forgotten.
    const QPointer<TBRecipeRunner> closing(runner);
    peer->close();
    QTRY_VERIFY(!closing);
    QVERIFY(!center->isVisible());
    QVERIFY(!child<QAction>(window, "actionTB_Window")->isEnabled());
    QVERIFY(window.connectToDevice("127.0.0.1", board.serverPort(), nullptr));
    trigger(window, "actionRecipe_runner");
    QVERIFY(only<TBRecipeRunner>(window));
}

void TestPanelWindows::recipeBrewShowsProgressAndThermos()
{
    MainWindow window(prompter);
    BoardSimProcess sim;
    QVERIFY(sim.start({"--listen", "127.0.0.1:0", "--discovery-port", "0", "--program-seconds", "4",
                       "--telemetry-ms", "200", "--announce-ms", "300"}));
    QVERIFY(window.connectToDevice("127.0.0.1", sim.ports.first(), nullptr));

    trigger(window, "actionRecipe_runner");
    TBRecipeRunner *runner = only<TBRecipeRunner>(window);
    QVERIFY(runner);
    child<QPushButton>(*runner, "Brew")->click();
    auto *bar = child<QProgressBar>(*runner, "progress");
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible() && bar->value() > 0 && bar->value() < 100, 5000);
    QVERIFY(text(*runner, "lblTimeLeftVal").contains(QRegularExpression("^00m 0[1-4]s$")));
    QCOMPARE(text(*runner, "Brew"), QStringLiteral("STOP"));

    // Thermos 1 of the recipe brews on the simulated tube, then is brewed.
    trigger(window, "actionThermos_GUI");
    ThermosTimersDialog *thermos = only<ThermosTimersDialog>(window);
    QVERIFY(thermos);
    auto *timeLeft = child<QLabel>(*thermos, "lblBrewTimerVal1");
    QTRY_VERIFY(timeLeft->text().startsWith(QLatin1String("Brewtime left:00m 0")));
    QCOMPARE(timeLeft->styleSheet(), QStringLiteral("color:blue;"));
    QCOMPARE(text(*thermos, "lblRecipeNameVal1"), QStringLiteral("Preset"));
    QTRY_COMPARE(text(*thermos, "lblUnitVal1"), QStringLiteral("SimTube"));
    QTRY_COMPARE_WITH_TIMEOUT(timeLeft->text(), QStringLiteral("Rebrew in:00h 49m"), 8000);
    QCOMPARE(timeLeft->styleSheet(), QStringLiteral("color:green;"));
    QTRY_COMPARE(text(*runner, "Brew"), QStringLiteral("Brew"));
    QVERIFY(!bar->isVisible());
}

void TestPanelWindows::controlCenterFollowsAProgram()
{
    MainWindow window(prompter);
    BoardSimProcess sim;
    QVERIFY(sim.start(BoardSimProcess::quietArguments() + QStringList{"--program-seconds", "2"}));
    QVERIFY(window.connectToDevice("127.0.0.1", sim.ports.first(), nullptr));

    trigger(window, "actionTB_Window");
    TBMacro *center = only<TBMacro>(window);
    QVERIFY(center);
    auto *program = child<QPushButton>(*center, "btn10");
    program->click();
    QVERIFY(!program->isEnabled());
    QTRY_COMPARE(text(*center, "lblStatusCurrMacro"), QStringLiteral("10"));
    QTRY_VERIFY(text(*center, "lblStatusDispWater").endsWith(QLatin1String(" ml")));
    QTRY_COMPARE(text(*center, "lblStatusInletValve"), QStringLiteral("ON"));
    QTRY_VERIFY_WITH_TIMEOUT(program->isEnabled(), 5000); // MACRO_DONE
    QCOMPARE(text(*center, "lblStatusInletValve"), QStringLiteral("OFF"));

    // The board going away closes the control center.
    sim.process.kill();
    QTRY_VERIFY(!center->isVisible());
}

QTEST_MAIN(TestPanelWindows)
#include "tst_panelwindows.moc"
