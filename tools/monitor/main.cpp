// vorne-monitor: logs the boards' UDP events headless, one JSON object (or CSV row) per line.
#include "devicemonitor.h"
#include "limitedlinereader.h"
#include "qdevicemachine.h"
#include "udpreciver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <cstdio>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitNoSocket = 1;
constexpr int kLookupSelector = 255; // every board answers

int usageError(const QString &message)
{
    std::fprintf(stderr, "vorne-monitor: %s\n", qPrintable(message));
    std::fputs("Try \"vorne-monitor --help\".\n", stderr);
    return kExitUsage;
}

// "00:04:A3:12:34:14", "00-04-a3-12-34-14" or "0004a3123414" as the registry's MAC text.
QString macText(QString mac)
{
    mac.remove(QLatin1Char(':')).remove(QLatin1Char('-'));
    mac = mac.toLower();
    static const QRegularExpression twelveHex(QStringLiteral("^[0-9a-f]{12}$"));
    return twelveHex.match(mac).hasMatch() ? mac : QString();
}

void replayStandardInput(QDeviceMachine *hub)
{
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    LimitedLineReader reader(&in); // udp.log is written as UTF-8
    while (const std::optional<QString> line = reader.next())
        hub->gotUDPPacket(*line);
    if (reader.skipped() > 0) {
        std::fprintf(stderr, "vorne-monitor: skipped %d line%s longer than %d bytes\n",
                     reader.skipped(), reader.skipped() == 1 ? "" : "s", reader.maxLine());
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorne-monitor"));
    // Keep standard error quiet; QT_LOGGING_RULES still switches the traces on.
    QLoggingCategory::setFilterRules(QStringLiteral("vorne.*.debug=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints every event the boards send by UDP as one JSON object per line."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("UDP port to listen on (default 7112)."),
        QStringLiteral("port"), QString::number(UDPReciver::kDefaultPort));
    const QCommandLineOption lookupOption(QStringLiteral("lookup"),
                                          QStringLiteral("Send one discovery request at start."));
    const QCommandLineOption mainMacOption(
        QStringLiteral("main-mac"),
        QStringLiteral("MAC of the main device; its object value packets are printed."),
        QStringLiteral("mac"));
    const QCommandLineOption csvOption(
        QStringLiteral("csv"), QStringLiteral("Print telemetry only, as CSV with a header row."));
    const QCommandLineOption rawOption(QStringLiteral("raw"),
                                       QStringLiteral("Print every received line as well."));
    const QCommandLineOption stdinOption(
        QStringLiteral("stdin"),
        QStringLiteral("Decode lines from standard input (a udp.log) instead of the socket."));
    parser.addOptions({portOption, lookupOption, mainMacOption, csvOption, rawOption, stdinOption});
    // Not QCommandLineParser::process(): it ends a wrong command line with exit code 1.
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument %1")
                              .arg(parser.positionalArguments().constFirst()));
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port == 0 || port > 65535)
        return usageError(QStringLiteral("--port needs a number from 1 to 65535"));
    const bool fromStdin = parser.isSet(stdinOption);
    if (fromStdin && parser.isSet(lookupOption))
        return usageError(QStringLiteral("--lookup needs the socket; not with --stdin"));

    QDeviceMachine::setReceivePort(fromStdin ? std::nullopt
                                             : std::optional<quint16>(quint16(port)));
    QDeviceMachine *hub = QDeviceMachine::instance();
    if (parser.isSet(mainMacOption)) {
        const QString mac = macText(parser.value(mainMacOption));
        if (mac.isEmpty())
            return usageError(QStringLiteral("--main-mac needs 12 hex digits"));
        const Device mainDevice(1, mac, QString(), QString(), QString(), QString());
        hub->setMainDevice(&mainDevice);
    }

    QFile out; // by descriptor: every line reaches the pipe before a kill can lose it
    out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered);
    const DeviceMonitor monitor(hub, &out,
                                parser.isSet(csvOption) ? DeviceMonitor::Format::Csv
                                                        : DeviceMonitor::Format::Json,
                                parser.isSet(rawOption));
    if (fromStdin) {
        replayStandardInput(hub);
        return 0;
    }
    if (hub->receivePort() == 0) {
        std::fprintf(stderr, "vorne-monitor: %s\n", qPrintable(hub->receiveError()));
        return kExitNoSocket;
    }
    if (parser.isSet(lookupOption))
        hub->lookup(kLookupSelector);
    return app.exec();
}
