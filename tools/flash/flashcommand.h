#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

class QCommandLineParser;

// The vorne-flash command line: one subcommand per kind of transfer, each reading its own
// options, all running on the same classes as the firmware dialog.
class FlashCommand
{
public:
    enum ExitCode { Success = 0, Failed = 1, UsageError = 2 };

    // How long an upload waits for the board before giving up, unless --timeout says otherwise.
    static constexpr int kDefaultTimeoutSeconds = 60;
    static constexpr int kDefaultPort = 23;
    // "check" lists this many refused lines, then only counts the rest.
    static constexpr int kMaxListedRefusals = 50;

    // Texts for standard output (the uploader's texts, "check" reports) go to out; the progress
    // bar, results and reasons for failure to err.
    FlashCommand(std::ostream &out, std::ostream &err);

    // arguments without the program name. "hex" needs a running QCoreApplication.
    int run(const QStringList &arguments);

    // deviceIndex for a --target value: 0 to 8, or a name of the firmware dialog's board list.
    static int targetIndex(const QString &value);
    static QString targetName(int deviceIndex);
    // Splits HOST[:PORT] ("[v6]:PORT" for IPv6); port is kDefaultPort when not given.
    static bool parseHost(const QString &value, QString &host, int &port);

private:
    struct Subcommand;
    static const Subcommand kSubcommands[];

    // Parses a command's options (set up in parser) and its one FILE: kGoOn to go on, or
    // the exit code when help was shown or the usage is wrong.
    static constexpr int kGoOn = -1;
    int parseFileArguments(QCommandLineParser &parser, const QStringList &arguments,
                           const char *command, QString *fileName);
    int runHex(const QStringList &arguments);
    int runCheck(const QStringList &arguments);
    int usageError(const QString &problem);
    void printHelp();

    std::ostream &out;
    std::ostream &err;
};
