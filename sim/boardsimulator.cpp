#include "boardsimulator.h"

#include "simboard.h"

BoardSimulator::BoardSimulator(const SimOptions &options, QObject *parent)
    : QObject(parent)
    , options(options)
{}

BoardSimulator::~BoardSimulator() = default;

bool BoardSimulator::start(QString *error)
{
    if (!options.logFile.isEmpty() && !transcript.open(options.logFile, error))
        return false;
    Transcript *log = options.logFile.isEmpty() ? nullptr : &transcript;
    for (const BoardConfig &config : options.boards) {
        auto *board = new SimBoard(config, log, this);
        boards << board;
        if (!board->start(error))
            return false;
        connect(&discovery, &DiscoveryResponder::requested, board, &SimBoard::answerDiscovery);
    }
    // Discovery listens on the console address, so a loopback board hears loopback only.
    if (options.discoveryPort != 0 &&
        !discovery.bind(options.boards.first().listenAddress, options.discoveryPort, error))
        return false;
    return true;
}

QStringList BoardSimulator::summary() const
{
    QStringList lines;
    for (const SimBoard *board : boards) {
        const BoardConfig &c = board->config();
        QString line = QStringLiteral("vorne-boardsim: %1 (%2, MAC %3, hw %4, sw %5) console %6:%7")
                           .arg(c.identity.name, c.identity.kindText(), c.identity.macText(),
                                c.identity.hw, c.identity.sw, c.listenAddress.toString(),
                                QString::number(board->consolePort()));
        if (!c.connectHost.isEmpty())
            line += QStringLiteral(", connecting to %1:%2").arg(c.connectHost).arg(c.connectPort);
        lines << line;
    }
    if (!options.boards.isEmpty()) {
        const BoardConfig &first = options.boards.first();
        lines << QStringLiteral("vorne-boardsim: UDP to %1:%2, discovery %3")
                     .arg(first.udpTarget.toString())
                     .arg(first.udpTargetPort)
                     .arg(options.discoveryPort == 0
                              ? QStringLiteral("off")
                              : QStringLiteral("on port %1").arg(options.discoveryPort));
    }
    return lines;
}
