// Decoder throughput on one core: a million lines (or --lines N) as a busy machine sends them,
// decoded by the grammar alone and through the registry (counter check and signals), in lines
// per second.
#include "benchcommandline.h"
#include "qdevicemachine.h"
#include "udppacketdecoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QStringList>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr int kDefaultLines = 1000000;
constexpr int kMaxLines = 10000000; // some 3 GB of lines
constexpr int kBoards = 8;

QString telemetry(QRandomGenerator &rng, int board, int counter, bool full)
{
    const auto f = [&rng](double low, double high) {
        return QString::number(low + rng.bounded(high - low), 'f', 2);
    };
    QStringList n = {"4",
                     "163",
                     QString::number(board),
                     "13330",
                     "20",
                     "1",
                     "168",
                     "192",
                     rng.bounded(10) ? "4" : "2",
                     f(10, 30),
                     f(80, 96),
                     f(80, 96),
                     f(60, 90),
                     f(0, 2000),
                     f(0, 12),
                     "250",
                     f(2, 8),
                     f(0, 100),
                     f(0, 3000),
                     rng.bounded(4) ? "998" : "12",
                     "1",
                     "1500",
                     "1500",
                     "105",
                     "1950"};
    n << QString::number(rng.bounded(300)); // eta, or unused in the short form
    if (full)
        n << QString::number(1 + rng.bounded(8)) << "0"
          << "12"
          << "190918.01";
    n << QString::number(counter);
    return QStringLiteral("\u00a4:101:") + n.join(QLatin1Char(':')) + QStringLiteral(":$");
}

QString otherLine(QRandomGenerator &rng, int board, int counter, int pick)
{
    const QString mac = QStringLiteral("0:4:163:%1:13330").arg(board);
    switch (pick) {
    case 0:
        return QStringLiteral("@:2:0:4:163:%1:13330:20:1:168:192:1.0:2.3:\"Tube %1\":%2:$")
            .arg(board)
            .arg(counter + 10);
    case 1:
        return QStringLiteral("X:100:%1:%2:%3:0:$")
            .arg(mac.section(':', 0, 3))
            .arg(QStringLiteral("52:20:%1:%2").arg(rng.bounded(400)).arg(rng.bounded(2)))
            .arg(counter);
    case 2:
        return QStringLiteral("+:%1:3:194:\"r;1;2\":\"Morning\":%2:$").arg(mac).arg(counter);
    case 3:
        return QStringLiteral("-:%1:3:25:\"r;1;2\":\"Morning\":%2:$").arg(mac).arg(counter);
    case 4:
        return QStringLiteral("!:%1:WAIT %2:0:$").arg(counter % 256).arg(counter);
    default:
        return QStringLiteral("board %1 says hello").arg(board);
    }
}

// About nine in ten lines are telemetry, like a machine brewing; the rest every other kind.
QStringList makeMix(int count, QStringList *telemetryOnly)
{
    QRandomGenerator rng(7112);
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int board = i % kBoards;
        const int counter = i / kBoards + 1;
        if (rng.bounded(100) < 90) {
            lines << telemetry(rng, board, counter, rng.bounded(5) != 0);
            *telemetryOnly << lines.constLast();
        } else {
            lines << otherLine(rng, board, counter, int(rng.bounded(6)));
        }
    }
    return lines;
}

struct Rate
{
    double cpu;  // lines per second of processor time: what one core does
    double wall; // lines per second of elapsed time: lower when other work shares the core
};

Rate linesPerSecond(const QStringList &lines, const std::function<void(const QString &)> &run)
{
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    for (const QString &line : lines)
        run(line);
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wallSeconds = double(timer.nsecsElapsed()) / 1e9;
    return {lines.size() / cpuSeconds, lines.size() / wallSeconds};
}

void print(const char *what, const Rate &rate)
{
    std::printf("%-26s %10.0f lines/s (wall %10.0f)\n", what, rate.cpu, rate.wall);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Decodes a mix of UDP lines as a busy machine sends them; lines per second."));
    const QCommandLineOption linesOption(QStringLiteral("lines"),
                                         QStringLiteral("Lines in the mix (default 1000000)."),
                                         QStringLiteral("n"), QString::number(kDefaultLines));
    parser.addOption(linesOption);
    if (const std::optional<int> exit = BenchCommandLine::parse(parser))
        return *exit;
    int count = 0;
    if (!BenchCommandLine::number(parser, linesOption, 1, kMaxLines, &count))
        return BenchCommandLine::kExitUsage;

    QLoggingCategory::setFilterRules(QStringLiteral("vorne.*.debug=false"));
    QStringList telemetryOnly;
    const QStringList mix = makeMix(count, &telemetryOnly);

    int matched = 0;
    const auto decode = [&matched](const QString &line) {
        matched += UdpPacketDecoder::decode(line).kind != UdpPacket::Kind::NoMatch;
    };
    const Rate grammarMix = linesPerSecond(mix, decode);
    const int matchedInMix = matched;
    const Rate grammarTelemetry = linesPerSecond(telemetryOnly, decode);

    QDeviceMachine::setReceivePort(std::nullopt);
    QDeviceMachine *hub = QDeviceMachine::instance();
    int logs = 0;
    QObject::connect(hub, &QDeviceMachine::logReceived, [&logs](TBTubeLogData) { ++logs; });
    const Rate registryMix =
        linesPerSecond(mix, [hub](const QString &line) { hub->gotUDPPacket(line); });

    std::printf("lines: %d (telemetry %d), decoded %d, logReceived %d\n", int(mix.size()),
                int(telemetryOnly.size()), matchedInMix, logs);
    print("decoder, mix:", grammarMix);
    print("decoder, telemetry only:", grammarTelemetry);
    print("registry, mix:", registryMix);
    delete hub;
    return 0;
}
