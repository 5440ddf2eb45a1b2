#include "simoptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

constexpr char kDefaultMac[] = "00564f524e01";
constexpr char kDefaultSoftware[] = "190918";
constexpr double kMaxSeconds = 24 * 3600;

QString defaultName(BoardKind kind)
{
    switch (kind) {
    case BoardKind::Main:
        return QStringLiteral("SimMain");
    case BoardKind::Tube:
        return QStringLiteral("SimTube");
    case BoardKind::Spider:
        return QStringLiteral("SimSpider");
    }
    return QString();
}

// "host:port"; the port may be left out when a default is given (defaultPort >= 0).
bool splitHostPort(const QString &text, int defaultPort, QString *host, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    *host = colon < 0 ? text : text.left(colon);
    bool ok = colon >= 0;
    const uint value = colon < 0 ? uint(defaultPort) : text.mid(colon + 1).toUInt(&ok);
    if ((colon < 0 && defaultPort < 0) || (colon >= 0 && !ok) || value > 0xFFFF || host->isEmpty())
        return false;
    *port = quint16(value);
    return true;
}

bool parseAddress(const QString &text, QHostAddress *address)
{
    if (text == QLatin1String("localhost")) {
        *address = QHostAddress(QHostAddress::LocalHost);
        return true;
    }
    return address->setAddress(text) && address->protocol() == QAbstractSocket::IPv4Protocol;
}

bool parseMilliseconds(const QString &text, std::chrono::milliseconds *value)
{
    bool ok = false;
    const qlonglong ms = text.toLongLong(&ok);
    if (!ok || ms <= 0 || ms > qlonglong(kMaxSeconds * 1000))
        return false;
    *value = std::chrono::milliseconds(ms);
    return true;
}

bool parseMac(const QString &text, std::array<uint8_t, 6> *mac)
{
    static const QRegularExpression pattern(QStringLiteral("^00[0-9a-fA-F]{10}$"));
    if (!pattern.match(text).hasMatch())
        return false;
    for (int i = 0; i < 6; ++i)
        (*mac)[i] = uint8_t(text.mid(2 * i, 2).toUInt(nullptr, 16));
    return true;
}

bool fail(QString *message, int *exitCode, const QString &text)
{
    *message = QStringLiteral("vorne-boardsim: %1 (--help lists the options)").arg(text);
    *exitCode = 2;
    return false;
}

} // namespace

bool SimOptions::parse(const QStringList &arguments, SimOptions *options, QString *message,
                       int *exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated tube, main or spider board on loopback: console, bootloader, ROM "
        "transfer, UDP announcements and telemetry."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption type(QStringLiteral("type"),
                                  QStringLiteral("Board type: tube, main or spider."),
                                  QStringLiteral("type"), QStringLiteral("tube"));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Console server address and port (port 0: "
                                                   "any free port)."),
                                    QStringLiteral("ip:port"), QStringLiteral("127.0.0.1:2323"));
    const QCommandLineOption connectTo(
        QStringLiteral("connect"),
        QStringLiteral("Also connect to the program's console server and announce the board "
                       "(port defaults to 7123)."),
        QStringLiteral("host[:port]"));
    const QCommandLineOption udpTarget(
        QStringLiteral("udp-target"), QStringLiteral("Where announcements and telemetry go."),
        QStringLiteral("ip:port"), QStringLiteral("127.0.0.1:7112"));
    const QCommandLineOption discoveryPort(
        QStringLiteral("discovery-port"),
        QStringLiteral("UDP port for discovery requests, on the console address (0: none)."),
        QStringLiteral("port"), QStringLiteral("7113"));
    const QCommandLineOption ip(QStringLiteral("ip"),
                                QStringLiteral("IPv4 address the board reports (default: the "
                                               "console address, 127.0.0.1 for any)."),
                                QStringLiteral("ip"));
    const QCommandLineOption mac(QStringLiteral("mac"),
                                 QStringLiteral("MAC as 12 hex digits starting with 00."),
                                 QStringLiteral("hex"), QString::fromLatin1(kDefaultMac));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Board name."),
                                  QStringLiteral("name"));
    const QCommandLineOption hw(QStringLiteral("hw"),
                                QStringLiteral("Hardware id (digits; default by type: 71405 "
                                               "tube, 71401 main, 71407 spider)."),
                                QStringLiteral("id"));
    const QCommandLineOption sw(QStringLiteral("sw"), QStringLiteral("Software version (digits)."),
                                QStringLiteral("version"), QString::fromLatin1(kDefaultSoftware));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Number of boards (distinct MACs, names and "
                                                  "console ports)."),
                                   QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption programSeconds(
        QStringLiteral("program-seconds"),
        QStringLiteral("How long a program (/em) or brew (tb4) runs."), QStringLiteral("s"),
        QStringLiteral("10"));
    const QCommandLineOption telemetryMs(QStringLiteral("telemetry-ms"),
                                         QStringLiteral("Telemetry and console row interval."),
                                         QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption announceMs(QStringLiteral("announce-ms"),
                                        QStringLiteral("Announcement interval."),
                                        QStringLiteral("ms"), QStringLiteral("5000"));
    const QCommandLineOption flashMs(
        QStringLiteral("flash-ms"),
        QStringLiteral("Silence after a matching firmware checksum before the report (over "
                       "1000, or the program's uploader reports a failure)."),
        QStringLiteral("ms"), QStringLiteral("2000"));
    const QCommandLineOption romDir(QStringLiteral("rom-dir"),
                                    QStringLiteral("Folder for received ROM files and flashed "
                                                   "images (default: not kept)."),
                                    QStringLiteral("dir"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Transcript of every console line received "
                                                "and written."),
                                 QStringLiteral("file"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("A fault on purpose (repeatable): ") +
                                       FaultPlan::spellings() + QLatin1Char('.'),
                                   QStringLiteral("name=value"));
    parser.addOptions({type, listen, connectTo, udpTarget, discoveryPort, ip, mac, name, hw, sw,
                       count, programSeconds, telemetryMs, announceMs, flashMs, romDir, log,
                       fault});

    if (!parser.parse(arguments))
        return fail(message, exitCode, parser.errorText());
    if (parser.isSet(help) || parser.isSet(version)) {
        *message = parser.isSet(help) ? parser.helpText() : QStringLiteral("vorne-boardsim 1.0");
        *exitCode = 0;
        return false;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(message, exitCode,
                    QStringLiteral("unexpected argument ") + parser.positionalArguments().first());

    BoardConfig base;
    if (!BoardIdentity::parseKind(parser.value(type), &base.identity.kind))
        return fail(message, exitCode, QStringLiteral("--type must be tube, main or spider"));
    QString host;
    if (!splitHostPort(parser.value(listen), -1, &host, &base.listenPort) ||
        !parseAddress(host, &base.listenAddress))
        return fail(message, exitCode, QStringLiteral("--listen needs ip:port"));
    if (parser.isSet(connectTo) &&
        !splitHostPort(parser.value(connectTo), 7123, &base.connectHost, &base.connectPort))
        return fail(message, exitCode, QStringLiteral("--connect needs host[:port]"));
    if (!splitHostPort(parser.value(udpTarget), -1, &host, &base.udpTargetPort) ||
        !parseAddress(host, &base.udpTarget))
        return fail(message, exitCode, QStringLiteral("--udp-target needs ip:port"));
    bool ok = false;
    const uint discovery = parser.value(discoveryPort).toUInt(&ok);
    if (!ok || discovery > 0xFFFF)
        return fail(message, exitCode, QStringLiteral("--discovery-port needs a port"));
    QHostAddress reported = base.listenAddress;
    if (parser.isSet(ip) && !parseAddress(parser.value(ip), &reported))
        return fail(message, exitCode, QStringLiteral("--ip needs an IPv4 address"));
    if (reported == QHostAddress(QHostAddress::AnyIPv4))
        reported = QHostAddress(QHostAddress::LocalHost);
    base.identity.ipv4 = reported.toIPv4Address();
    if (!parseMac(parser.value(mac), &base.identity.mac))
        return fail(message, exitCode,
                    QStringLiteral("--mac needs 12 hex digits starting with 00 (telemetry "
                                   "does not carry the first byte)"));
    const QString baseName =
        parser.isSet(name) ? parser.value(name) : defaultName(base.identity.kind);
    if (baseName.isEmpty() || baseName.contains(QRegularExpression(QStringLiteral("[|:\"]"))))
        return fail(message, exitCode, QStringLiteral("--name must not hold | : or \""));
    base.identity.hw =
        parser.isSet(hw) ? parser.value(hw) : BoardIdentity::defaultHardwareId(base.identity.kind);
    base.identity.sw = parser.value(sw);
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    if (!digits.match(base.identity.hw).hasMatch() || !digits.match(base.identity.sw).hasMatch())
        return fail(message, exitCode, QStringLiteral("--hw and --sw need 1 to 9 digits"));
    const int boards = parser.value(count).toInt(&ok);
    if (!ok || boards < 1 || boards > kMaxBoards)
        return fail(message, exitCode,
                    QStringLiteral("--count needs a number 1 to %1").arg(kMaxBoards));
    if (base.listenPort != 0 && base.listenPort + boards - 1 > 0xFFFF)
        return fail(message, exitCode, QStringLiteral("--listen port too high for --count"));
    const double seconds = parser.value(programSeconds).toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > kMaxSeconds)
        return fail(message, exitCode, QStringLiteral("--program-seconds needs a positive time"));
    base.programTime = std::chrono::milliseconds(qRound64(seconds * 1000));
    if (!parseMilliseconds(parser.value(telemetryMs), &base.telemetryInterval) ||
        !parseMilliseconds(parser.value(announceMs), &base.announceInterval) ||
        !parseMilliseconds(parser.value(flashMs), &base.session.flashTime))
        return fail(message, exitCode,
                    QStringLiteral("--telemetry-ms, --announce-ms and "
                                   "--flash-ms need positive milliseconds"));
    base.session.romDir = parser.value(romDir);
    for (const QString &spec : parser.values(fault)) {
        QString why;
        if (!base.session.faults.add(spec, &why))
            return fail(message, exitCode, why);
    }

    SimOptions parsed;
    parsed.discoveryPort = quint16(discovery);
    parsed.logFile = parser.value(log);
    for (int i = 0; i < boards; ++i) {
        BoardConfig board = base;
        const int low = base.identity.mac[4] * 256 + base.identity.mac[5] + i;
        board.identity.mac[4] = uint8_t((low >> 8) & 0xFF);
        board.identity.mac[5] = uint8_t(low & 0xFF);
        board.identity.name =
            boards == 1 ? baseName : QStringLiteral("%1-%2").arg(baseName).arg(i + 1);
        board.label = boards == 1 ? QString() : board.identity.name;
        if (base.listenPort != 0)
            board.listenPort = quint16(base.listenPort + i);
        parsed.boards << board;
    }
    *options = parsed;
    return true;
}
