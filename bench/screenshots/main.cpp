// Screenshots of the Console and Plot tabs for the documentation: the real main window
// offscreen, connected to a simulated board that idles, runs a program and idles again,
// each tab grabbed into a PNG file. Run it in a private network namespace:
//   scripts/in-netns.sh build/bin/vorne-doc-screenshots docs
#include "boardsimprocess.h"
#include "consoletab.h"
#include "mainwindow.h"
#include "plottab.h"
#include "prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kIdleBeforeMs = 15000;
constexpr int kProgramSeconds = 25;
constexpr int kIdleAfterMs = 12000;

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
    QApplication app(argc, argv);
    const QDir out(app.arguments().value(1, QStringLiteral("docs")));

    BoardSimProcess sim;
    if (!sim.start(BoardSimProcess::quietArguments()
                   << "--telemetry-ms"
                   << "500"
                   << "--program-seconds" << QString::number(kProgramSeconds))) {
        std::fprintf(stderr, "the simulated board did not start\n");
        return 1;
    }
    WidgetPrompter prompter; // asks nothing here
    MainWindow window(prompter);
    window.resize(1500, 860);
    window.show();
    if (!window.connectToDevice(QStringLiteral("127.0.0.1"), sim.ports.at(0), nullptr)) {
        std::fprintf(stderr, "cannot connect to the simulated board\n");
        return 1;
    }
    auto *plot = window.findChild<PlotTab *>();
    plot->findChild<QComboBox *>(QStringLiteral("cboWindow"))->setCurrentIndex(0); // 1 min

    window.queueLines({QStringLiteral("ping"), QStringLiteral("can_list_devices")});
    QTest::qWait(kIdleBeforeMs);
    window.queueLines({QStringLiteral("/em 1")});
    QTest::qWait(kProgramSeconds * 1000 + kIdleAfterMs);
    window.sendData(QStringLiteral("help"));
    QTest::qWait(500);

    const bool console = grabTab(window, window.findChild<ConsoleTab *>(),
                                 out.filePath(QStringLiteral("console-tab.png")));
    const bool plotted = grabTab(window, plot, out.filePath(QStringLiteral("plot-tab.png")));
    return console && plotted ? 0 : 1;
}
