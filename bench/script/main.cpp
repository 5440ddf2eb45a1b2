// Benchmark of a long script run: its lines sent one per board reply through the real main
// window (offscreen, "Send all" in the editor) against the simulated board, and the same
// lines sent by a minimal client on the same board. Run it inside a private network
// namespace, since the window broadcasts a device lookup:
//   scripts/in-netns.sh build/bin/vorne-bench-script [--lines N] [--rounds N]

#include "benchcommandline.h"
#include "boardsimprocess.h"
#include "fakeprompter.h"
#include "mainwindow.h"
#include "settingsstore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QPushButton>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const QByteArray kCommand("ping");
const QByteArray kReply("pong");
constexpr int kGiveUpMs = 300000;

// Runs the event loop until done() holds or the time is up; false on time-out.
template<typename Done> bool runUntil(QEventLoop &loop, Done done)
{
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    giveUp.start(kGiveUpMs);
    return done() || loop.exec() == 0;
}

// The board's pace without a window: send a line, wait for its reply line, send the next.
double timeMinimalClient(quint16 port, int lines)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(3000) || !socket.waitForReadyRead(3000))
        return -1;
    socket.readAll(); // the greeting prompt
    QByteArray buffer;
    int replies = 0;
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        buffer += socket.readAll();
        for (int lf = buffer.indexOf('\n'); lf >= 0; lf = buffer.indexOf('\n')) {
            const bool reply = buffer.left(lf).trimmed() == kReply;
            buffer.remove(0, lf + 1);
            if (reply && ++replies == lines)
                loop.quit();
            else if (reply)
                socket.write(kCommand + "\r\n");
        }
    });
    QElapsedTimer timer;
    timer.start();
    socket.write(kCommand + "\r\n");
    return runUntil(loop, [] { return false; }) ? timer.nsecsElapsed() / 1e9 : -1;
}

// The same lines as a script in the window's editor, run with "Send all".
double timeWindow(MainWindow &window, FakePrompter &prompter, quint16 port, int lines)
{
    int replies = 0;
    bool greeted = false;
    QEventLoop loop;
    const QMetaObject::Connection counting =
        QObject::connect(&window, &MainWindow::gotRow, &loop, [&](const QString &row) {
            if (!greeted && row == QLatin1String("Debug level 128")) {
                greeted = true;
                loop.quit();
            } else if (row == QLatin1String(kReply) && ++replies == lines) {
                loop.quit();
            }
        });
    // The reply to the greeting must not pace the script: the run starts after it.
    if (!window.connectToDevice(QStringLiteral("127.0.0.1"), port, nullptr) ||
        !runUntil(loop, [&] { return greeted; }))
        return -1;
    QElapsedTimer timer;
    timer.start();
    prompter.answer(QMessageBox::Yes);
    window.findChild<QPushButton *>(QStringLiteral("btnSend"))->click();
    const bool done = runUntil(loop, [&] { return replies == lines; });
    QObject::disconnect(counting);
    return done ? timer.nsecsElapsed() / 1e9 : -1;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window stores its workspace: in a folder of the benchmark's, not the user's.
    QTemporaryDir work;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, work.path());
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("8859-1"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times a script run through the main window against a minimal client."));
    const QCommandLineOption linesOption(QStringLiteral("lines"),
                                         QStringLiteral("Script lines (default 10000)."),
                                         QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Runs per client (default 3)."),
                                          QStringLiteral("n"), QStringLiteral("3"));
    parser.addOptions({linesOption, roundsOption});
    if (const std::optional<int> exit = BenchCommandLine::parse(parser))
        return *exit;
    int lines = 0, rounds = 0;
    if (!BenchCommandLine::number(parser, linesOption, 1, 1000000, &lines) ||
        !BenchCommandLine::number(parser, roundsOption, 1, 100, &rounds))
        return BenchCommandLine::kExitUsage;

    BoardSimProcess board;
    if (!board.start(BoardSimProcess::quietArguments())) {
        std::fprintf(stderr, "vorne-boardsim did not start\n");
        return 1;
    }
    const quint16 port = board.ports.first();
    QDir(work.path()).mkpath(QStringLiteral("scripts/log"));
    SettingsStore::set(QStringLiteral("workingFolder"), work.path() + QStringLiteral("/scripts"));
    FakePrompter prompter;
    MainWindow window(prompter);
    window.show();
    QStringList script;
    for (int i = 0; i < lines; ++i)
        script << QString::fromLatin1(kCommand);
    window.findChild<QTextEdit *>(QStringLiteral("txtCommand"))->setPlainText(script.join('\n'));

    // Wall time is what the user waits, but on a shared machine it follows the load; the
    // processor time of this process (the board runs in its own) is the client's own cost.
    std::vector<double> client, own, clientCpu, ownCpu;
    const auto cpuSince = [](std::clock_t start) {
        return double(std::clock() - start) / CLOCKS_PER_SEC;
    };
    for (int round = 1; round <= rounds; ++round) {
        std::clock_t start = std::clock();
        client.push_back(timeMinimalClient(port, lines));
        clientCpu.push_back(cpuSince(start));
        start = std::clock();
        own.push_back(timeWindow(window, prompter, port, lines));
        ownCpu.push_back(cpuSince(start));
        if (client.back() < 0 || own.back() < 0) {
            std::fprintf(stderr, "round %d did not finish\n", round);
            return 1;
        }
        std::printf("  round %d: minimal client %.3f s (processor %.3f s), main window %.3f s "
                    "(processor %.3f s)\n",
                    round, client.back(), clientCpu.back(), own.back(), ownCpu.back());
        std::fflush(stdout);
    }
    std::printf("Script of %d lines, one per reply of vorne-boardsim on loopback (median of "
                "%d):\n",
                lines, rounds);
    std::printf("  minimal client:  %.3f s = %.0f lines/s\n", median(client),
                lines / median(client));
    std::printf("  main window:     %.3f s = %.0f lines/s\n", median(own), lines / median(own));
    std::printf("  ratio:           %.3f (window / client)\n", median(own) / median(client));
    std::printf("  processor time:  client %.3f s, window %.3f s (medians)\n", median(clientCpu),
                median(ownCpu));
    return 0;
}
