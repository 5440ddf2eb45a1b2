// Screenshots for the documentation: the real main window offscreen, with a workspace of its
// own, connected to a simulated board; a script started with "Send all" idles, runs a program
// and idles again. The Logdata tab is grabbed during the program, the Console and Plot tabs
// after it. Run it in a private network namespace:
//   scripts/in-netns.sh build/bin/vorne-doc-screenshots docs
#include "boardsimprocess.h"
#include "consoletab.h"
#include "mainwindow.h"
#include "plottab.h"
#include "prompter.h"
#include "settingsstore.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kIdleBeforeMs = 15000;
constexpr int kProgramSeconds = 25;
constexpr int kIdleAfterMs = 12000;

const char kScript[] = "# Cold rinse, then program 1\n"
                       "ping\n"
                       "can_list_devices\n"
                       "\n"
                       "/em 1\n";

// Answers the one question asked here, "Run all lines.", with Yes.
class RunPrompter : public WidgetPrompter
{
public:
    QMessageBox::StandardButton question(const QString &, const QString &, const QString &,
                                         QMessageBox::StandardButtons,
                                         QMessageBox::StandardButton) override
    {
        return QMessageBox::Yes;
    }
};

// Settings and a working folder of their own, with one script in a sub project.
bool prepareWorkspace(const QTemporaryDir &scratch)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("config"))));
    const QString folder = scratch.filePath(QStringLiteral("scripts"));
    QFile script(folder + QStringLiteral("/tube/cold_rinse.scr"));
    if (!QDir().mkpath(folder + QStringLiteral("/tube/log")) || !script.open(QIODevice::WriteOnly))
        return false;
    script.write(kScript);
    SettingsStore::set(QStringLiteral("workingFolder"), folder);
    SettingsStore::set(QStringLiteral("workingSubProjFile"), QStringLiteral("/tube"));
    SettingsStore::set(QStringLiteral("workingFile"), QStringLiteral("cold_rinse.scr"));
    return true;
}

bool grabTab(MainWindow &window, QWidget *tab, const QString &path)
{
    window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentWidget(tab);
    QTest::qWait(300);
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    QApplication app(argc, argv);
    const QDir out(app.arguments().value(1, QStringLiteral("docs")));
    if (!prepareWorkspace(scratch)) {
        std::fprintf(stderr, "cannot make the workspace in %s\n", qPrintable(scratch.path()));
        return 1;
    }

    BoardSimProcess sim;
    if (!sim.start(BoardSimProcess::quietArguments()
                   << "--telemetry-ms"
                   << "500"
                   << "--program-seconds" << QString::number(kProgramSeconds))) {
        std::fprintf(stderr, "the simulated board did not start\n");
        return 1;
    }
    RunPrompter prompter;
    MainWindow window(prompter);
    window.resize(1500, 860);
    window.show();
    if (!window.connectToDevice(QStringLiteral("127.0.0.1"), sim.ports.at(0), nullptr)) {
        std::fprintf(stderr, "cannot connect to the simulated board\n");
        return 1;
    }
    auto *plot = window.findChild<PlotTab *>();
    plot->findChild<QComboBox *>(QStringLiteral("cboWindow"))->setCurrentIndex(0); // 1 min

    // The script's program starts once the board answered its first lines.
    QTest::qWait(kIdleBeforeMs);
    window.findChild<QPushButton *>(QStringLiteral("btnSend"))->click();
    QTest::qWait(kProgramSeconds * 1000 / 2);
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const bool logdata =
        grabTab(window, tabs->widget(0), out.filePath(QStringLiteral("screenshot.png")));
    QTest::qWait(kProgramSeconds * 1000 / 2 + kIdleAfterMs);

    const bool console = grabTab(window, window.findChild<ConsoleTab *>(),
                                 out.filePath(QStringLiteral("console-tab.png")));
    const bool plotted = grabTab(window, plot, out.filePath(QStringLiteral("plot-tab.png")));
    return logdata && console && plotted ? 0 : 1;
}
