#include "commandline.h"

#include "appversion.h"
#include "consoleline.h"

namespace CommandLine {

Request parse(const QStringList &arguments)
{
    // A host is never called like an option, so these are safe to take before the rules.
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return {Action::PrintHelp, {}};
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            return {Action::PrintVersion, {}};
    }
    if (arguments.size() == 1)
        return {Action::Connect, {arguments.at(0), ConsoleLine::kBoardConsolePort}};
    if (arguments.size() == 2)
        return {Action::Connect, {arguments.at(0), ConsoleAddress::portFromText(arguments.at(1))}};
    return {};
}

QString usage(const QString &programName)
{
    return QStringLiteral("Usage: %1 [host [port]]\n"
                          "\n"
                          "Console for the controller boards of the brewing machine.\n"
                          "\n"
                          "  (no argument)  open the window without a console connection\n"
                          "  host           connect to the board console at host, port 23\n"
                          "  host port      connect to the board console at host:port\n"
                          "  -h, --help     print this help and exit\n"
                          "  -v, --version  print the version and exit\n"
                          "\n"
                          "Boards and tools may also connect to this program on TCP port "
                          "7123.\n"
                          "Traces: QT_LOGGING_RULES=\"vorne.*.debug=true\"\n")
        .arg(programName);
}

QString versionText()
{
    return QStringLiteral("vorne-commander %1\n").arg(QLatin1String(AppVersion::kVersion));
}

} // namespace CommandLine
