#include "simoptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

constexpr char kDefaultMac[] = "00564f524e01";
constexpr char kDefaultSoftware[] = "190918";
constexpr double kMaxSeconds = 24 * 3600;
constexpr int kDefaultClientPort = 7123;

QCommandLineOption option(const char *name, const char *description, const char *value,
                          const QString &defaultValue = QString())
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                              QString::fromLatin1(value), defaultValue);
}

// The command line's options, registered with the parser in the order --help lists them.
struct OptionSet
{
    OptionSet()
    {
        parser.setApplicationDescription(
            QStringLiteral("A simulated tube, main or spider board on loopback: console, "
                           "bootloader, ROM transfer, UDP announcements and telemetry."));
        help = parser.addHelpOption();
        version = parser.addVersionOption();
        parser.addOptions({type, listen, connectTo, udpTarget, discoveryPort, ip, mac, name, hw, sw,
                           count, programSeconds, telemetryMs, announceMs, flashMs, romDir, log,
                           fault});
    }

    QCommandLineParser parser;
    QCommandLineOption help{QStringLiteral("help")};
    QCommandLineOption version{QStringLiteral("version")};
    const QCommandLineOption type =
        option("type", "Board type: tube, main or spider.", "type", QStringLiteral("tube"));
    const QCommandLineOption listen =
        option("listen", "Console server address and port (port 0: any free port).", "ip:port",
               QStringLiteral("127.0.0.1:2323"));
    const QCommandLineOption connectTo =
        option("connect",
               "Also connect to the program's console server and announce the board (port "
               "7123 when left out).",
               "host[:port]");
    const QCommandLineOption udpTarget =
        option("udp-target", "Where announcements, telemetry and events go.", "ip:port",
               QStringLiteral("127.0.0.1:7112"));
    const QCommandLineOption discoveryPort =
        option("discovery-port",
               "UDP port for discovery requests, on the console address "
               "(0: none).",
               "port", QStringLiteral("7113"));
    const QCommandLineOption ip = option("ip",
                                         "IPv4 address the board reports (default: the console "
                                         "address, 127.0.0.1 for any).",
                                         "ip");
    const QCommandLineOption mac = option("mac", "MAC as 12 hex digits starting with 00.", "hex",
                                          QString::fromLatin1(kDefaultMac));
    const QCommandLineOption name = option("name", "Board name.", "name");
    const QCommandLineOption hw =
        option("hw", "Hardware id (digits; default 71405 tube, 71401 main, 71407 spider).", "id");
    const QCommandLineOption sw = option("sw", "Software version (digits).", "version",
                                         QString::fromLatin1(kDefaultSoftware));
    const QCommandLineOption count =
        option("count", "Number of boards (distinct MACs, names and console ports).", "n",
               QStringLiteral("1"));
    const QCommandLineOption programSeconds =
        option("program-seconds", "How long a program (/em) or brew (tb4) runs.", "s",
               QStringLiteral("10"));
    const QCommandLineOption telemetryMs =
        option("telemetry-ms", "Telemetry and console row interval.", "ms", QStringLiteral("1000"));
    const QCommandLineOption announceMs =
        option("announce-ms", "Announcement interval.", "ms", QStringLiteral("5000"));
    const QCommandLineOption flashMs =
        option("flash-ms",
               "Silence after a matching firmware checksum before the report (over 1000, or "
               "the program's uploader reports a failure).",
               "ms", QStringLiteral("2000"));
    const QCommandLineOption romDir = option(
        "rom-dir", "Folder for received ROM files and flashed images (default: not kept).", "dir");
    const QCommandLineOption log =
        option("log", "Transcript of every console line received and written.", "file");
    const QCommandLineOption fault{QStringLiteral("fault"),
                                   QStringLiteral("A fault on purpose (repeatable): ") +
                                       FaultPlan::spellings() + QLatin1Char('.'),
                                   QStringLiteral("name=value")};
};

// "host:port"; without a colon the default port is taken, when there is one (>= 0).
bool splitHostPort(const QString &text, int defaultPort, QString *host, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    *host = colon < 0 ? text : text.left(colon);
    bool ok = colon >= 0 || defaultPort >= 0;
    const uint value = colon < 0 ? uint(defaultPort) : text.mid(colon + 1).toUInt(&ok);
    if (!ok || value > 0xFFFF || host->isEmpty())
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

bool parseEndpoint(const QString &text, QHostAddress *address, quint16 *port)
{
    QString host;
    return splitHostPort(text, -1, &host, port) && parseAddress(host, address);
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

bool readNetwork(const OptionSet &o, BoardConfig *board, QString *error)
{
    const QCommandLineParser &p = o.parser;
    if (!parseEndpoint(p.value(o.listen), &board->listenAddress, &board->listenPort))
        *error = QStringLiteral("--listen needs ip:port");
    else if (p.isSet(o.connectTo) && !splitHostPort(p.value(o.connectTo), kDefaultClientPort,
                                                    &board->connectHost, &board->connectPort))
        *error = QStringLiteral("--connect needs host[:port]");
    else if (!parseEndpoint(p.value(o.udpTarget), &board->udpTarget, &board->udpTargetPort))
        *error = QStringLiteral("--udp-target needs ip:port");
    return error->isEmpty();
}

bool readIdentity(const OptionSet &o, BoardIdentity *identity, QString *error)
{
    const QCommandLineParser &p = o.parser;
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    static const QRegularExpression forbidden(QStringLiteral("[|:\"]"));
    if (!BoardIdentity::parseKind(p.value(o.type), &identity->kind))
        *error = QStringLiteral("--type must be tube, main or spider");
    identity->name = p.isSet(o.name) ? p.value(o.name) : BoardIdentity::defaultName(identity->kind);
    identity->hw = p.isSet(o.hw) ? p.value(o.hw) : BoardIdentity::defaultHardwareId(identity->kind);
    identity->sw = p.value(o.sw);
    if (!error->isEmpty())
        return false;
    if (!parseMac(p.value(o.mac), &identity->mac))
        *error = QStringLiteral("--mac needs 12 hex digits starting with 00 (telemetry does "
                                "not carry the first byte)");
    else if (identity->name.isEmpty() || identity->name.contains(forbidden))
        *error = QStringLiteral("--name must not be empty nor hold | : or \"");
    else if (!digits.match(identity->hw).hasMatch() || !digits.match(identity->sw).hasMatch())
        *error = QStringLiteral("--hw and --sw need 1 to 9 digits");
    return error->isEmpty();
}

bool readReportedAddress(const OptionSet &o, BoardConfig *board, QString *error)
{
    QHostAddress reported = board->listenAddress;
    if (o.parser.isSet(o.ip) && !parseAddress(o.parser.value(o.ip), &reported)) {
        *error = QStringLiteral("--ip needs an IPv4 address");
        return false;
    }
    if (reported == QHostAddress(QHostAddress::AnyIPv4))
        reported = QHostAddress(QHostAddress::LocalHost);
    board->identity.ipv4 = reported.toIPv4Address();
    return true;
}

bool readTimes(const OptionSet &o, BoardConfig *board, QString *error)
{
    const QCommandLineParser &p = o.parser;
    bool ok = false;
    const double seconds = p.value(o.programSeconds).toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > kMaxSeconds)
        *error = QStringLiteral("--program-seconds needs a positive time");
    else if (!parseMilliseconds(p.value(o.telemetryMs), &board->telemetryInterval) ||
             !parseMilliseconds(p.value(o.announceMs), &board->announceInterval) ||
             !parseMilliseconds(p.value(o.flashMs), &board->session.flashTime))
        *error = QStringLiteral("--telemetry-ms, --announce-ms and --flash-ms need positive "
                                "milliseconds");
    board->programTime = std::chrono::milliseconds(qRound64(seconds * 1000));
    return error->isEmpty();
}

bool readFaults(const OptionSet &o, FaultPlan *faults, QString *error)
{
    for (const QString &faultText : o.parser.values(o.fault)) {
        if (!faults->add(faultText, error))
            return false;
    }
    return true;
}

// The boards of --count: MACs, names and console ports counting up from the first.
QList<BoardConfig> expand(const BoardConfig &base, int boards)
{
    QList<BoardConfig> list;
    for (int i = 0; i < boards; ++i) {
        BoardConfig board = base;
        const int low = base.identity.mac[4] * 256 + base.identity.mac[5] + i;
        board.identity.mac[4] = uint8_t((low >> 8) & 0xFF);
        board.identity.mac[5] = uint8_t(low & 0xFF);
        if (boards > 1) {
            board.identity.name = QStringLiteral("%1-%2").arg(base.identity.name).arg(i + 1);
            board.label = board.identity.name;
        }
        if (base.listenPort != 0)
            board.listenPort = quint16(base.listenPort + i);
        list << board;
    }
    return list;
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
    OptionSet o;
    if (!o.parser.parse(arguments))
        return fail(message, exitCode, o.parser.errorText());
    if (o.parser.isSet(o.help) || o.parser.isSet(o.version)) {
        *message =
            o.parser.isSet(o.help) ? o.parser.helpText() : QStringLiteral("vorne-boardsim 1.0");
        *exitCode = 0;
        return false;
    }
    if (!o.parser.positionalArguments().isEmpty())
        return fail(message, exitCode,
                    QStringLiteral("unexpected argument ") +
                        o.parser.positionalArguments().first());

    BoardConfig base;
    QString error;
    if (!readNetwork(o, &base, &error) || !readIdentity(o, &base.identity, &error) ||
        !readReportedAddress(o, &base, &error) || !readTimes(o, &base, &error) ||
        !readFaults(o, &base.session.faults, &error))
        return fail(message, exitCode, error);
    base.session.romDir = o.parser.value(o.romDir);

    bool ok = false;
    const uint discovery = o.parser.value(o.discoveryPort).toUInt(&ok);
    if (!ok || discovery > 0xFFFF)
        return fail(message, exitCode, QStringLiteral("--discovery-port needs a port"));
    const int boards = o.parser.value(o.count).toInt(&ok);
    if (!ok || boards < 1 || boards > kMaxBoards)
        return fail(message, exitCode,
                    QStringLiteral("--count needs a number 1 to %1").arg(kMaxBoards));
    if (base.listenPort != 0 && base.listenPort + boards - 1 > 0xFFFF)
        return fail(message, exitCode, QStringLiteral("--listen port too high for --count"));

    SimOptions parsed;
    parsed.discoveryPort = quint16(discovery);
    parsed.logFile = o.parser.value(o.log);
    parsed.boards = expand(base, boards);
    *options = parsed;
    return true;
}
