// The main window under load, offscreen: a burst of console lines from a board as fast as
// loopback carries them, and a plant network of many boards announcing themselves every 5 s.
// Prints lines per second, the longest stall of the event loop and the memory in use; with
// the Console tab open, the memory along the burst shows it level off at the tab's bound.
#include "benchcommandline.h"
#include "consoletab.h"
#include "mainwindow.h"
#include "prompter.h"
#include "qdevicemachine.h"
#include "udppacketwriter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>

namespace {

constexpr quint16 kUdpPort = 7112;
constexpr int kAnnouncePeriodMs = 5000;
constexpr int kBurstsPerPeriod = 50;
constexpr int kMemorySamples = 5; // along a console burst

// "VmHWM" (peak) or "VmRSS" (now) of this process in MiB.
double memoryMiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field)) + 1).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

// Runs the event loop until done() holds, and reports the longest gap between two turns.
qint64 runMeasuringStalls(const std::function<bool()> &done)
{
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { longest = std::max(longest, sinceTick.restart()); });
    tick.start(5);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return std::max(longest, sinceTick.elapsed());
}

void consoleBurst(MainWindow &window, int lines)
{
    QTcpServer board;
    board.listen(QHostAddress::LocalHost);
    if (!window.connectToDevice(QStringLiteral("127.0.0.1"), board.serverPort(), nullptr) ||
        !board.waitForNewConnection(3000)) {
        std::fprintf(stderr, "vorne-bench-window: the window did not connect\n");
        return;
    }
    QTcpSocket *peer = board.nextPendingConnection();
    int received = 0;
    QList<double> residentAt;
    const int sampleEvery = std::max(1, lines / kMemorySamples);
    QObject::connect(&window, &MainWindow::gotRow, [&] {
        if (++received % sampleEvery == 0)
            residentAt << memoryMiB("VmRSS:");
    });
    QByteArray burst;
    for (int i = 0; i < lines; ++i)
        burst += "IO [x]: M:" + QByteArray::number(i % 1000) + " C:1 S:2 T:3\n";
    const double residentBefore = memoryMiB("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    peer->write(burst);
    const qint64 stall = runMeasuringStalls([&] { return received >= lines; });
    QCoreApplication::processEvents(); // the last lines reach the Console tab
    const double seconds = timer.elapsed() / 1000.0;
    std::printf("console: %d lines in %.2f s, %.0f lines/s, longest stall %lld ms, "
                "peak memory %.0f MiB\n",
                lines, seconds, lines / seconds, static_cast<long long>(stall),
                memoryMiB("VmHWM:"));
    std::printf("memory along the burst: before %.1f MiB;", residentBefore);
    for (int i = 0; i < residentAt.size(); ++i)
        std::printf(" %d lines %.1f MiB;", (i + 1) * sampleEvery, residentAt.at(i));
    std::printf("\n");
}

void manyBoards(int boards, int seconds)
{
    QList<UdpPacketWriter> writers;
    for (int i = 0; i < boards; ++i) {
        BoardIdentity identity;
        identity.mac = {0x00, 0x56, 0x4f, 0x52, uint8_t(i >> 8), uint8_t(i)};
        identity.name = QStringLiteral("Tube %1").arg(i);
        identity.hw = QStringLiteral("71405");
        identity.sw = QStringLiteral("190918");
        identity.ipv4 = 0x0A000000u | uint32_t(i + 1);
        writers << UdpPacketWriter(identity);
    }
    QUdpSocket sender;
    int next = 0;
    // Every board once per period, in bursts every 100 ms: boards that start together announce
    // together, and a burst is what the receiver drains in one go.
    QTimer pace;
    const int perTick = std::max(1, boards / kBurstsPerPeriod);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        for (int i = 0; i < perTick; ++i, ++next)
            sender.writeDatagram(writers[next % boards].announce(), QHostAddress::LocalHost,
                                 kUdpPort);
    });
    pace.start(kAnnouncePeriodMs / kBurstsPerPeriod);
    QElapsedTimer timer;
    timer.start();
    const qint64 stall = runMeasuringStalls([&] { return timer.elapsed() >= seconds * 1000; });
    const QDeviceMachine::Registry registry = QDeviceMachine::instance()->registry();
    int known = 0;
    for (const QDeviceMachine::DeviceTable *table : registry)
        known += table ? table->size() : 0;
    std::printf("boards: %d announcing every %d s for %d s (%d announcements), %d known, "
                "longest stall %lld ms, memory %.0f MiB (peak %.0f MiB)\n",
                boards, kAnnouncePeriodMs / 1000, seconds, next, known,
                static_cast<long long>(stall), memoryMiB("VmRSS:"), memoryMiB("VmHWM:"));
}

} // namespace

int main(int argc, char *argv[])
{
    // Offscreen, with settings and workspace of its own: the user's are never touched.
    QTemporaryDir scratch;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
    QDir::setCurrent(scratch.path());
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The main window under load, offscreen."));
    const QCommandLineOption lines(QStringLiteral("lines"),
                                   QStringLiteral("console lines in the burst (default 1000000)"),
                                   QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption boards(QStringLiteral("boards"),
                                    QStringLiteral("boards announcing (default 5000)"),
                                    QStringLiteral("N"), QStringLiteral("5000"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("how long the boards announce (default 30)"),
                                     QStringLiteral("S"), QStringLiteral("30"));
    const QCommandLineOption consoleTab(
        QStringLiteral("console-tab"),
        QStringLiteral("show the Console tab during the burst (default: the Logdata tab)"));
    parser.addOptions({lines, boards, seconds, consoleTab});
    if (const std::optional<int> exit = BenchCommandLine::parse(parser))
        return *exit;
    int lineCount = 0, boardCount = 0, duration = 0;
    if (!BenchCommandLine::number(parser, lines, 0, 100000000, &lineCount) ||
        !BenchCommandLine::number(parser, boards, 0, 65535, &boardCount) ||
        !BenchCommandLine::number(parser, seconds, 1, 86400, &duration))
        return BenchCommandLine::kExitUsage;

    WidgetPrompter prompter; // nothing here asks a question
    bool lookedUp = false;
    QObject::connect(QDeviceMachine::instance(), &QDeviceMachine::lookupDone,
                     [&lookedUp] { lookedUp = true; });
    MainWindow window(prompter);
    if (parser.isSet(consoleTab)) {
        window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))
            ->setCurrentWidget(window.findChild<ConsoleTab *>());
    }
    window.show();
    // The window's first lookup empties the registry for a second; announcements count after.
    runMeasuringStalls([&lookedUp] { return lookedUp; });
    if (lineCount > 0)
        consoleBurst(window, lineCount);
    if (boardCount > 0)
        manyBoards(boardCount, duration);
    return 0;
}
