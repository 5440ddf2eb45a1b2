#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <ostream>

class QCommandLineParser;
struct RomArea;

// The vorne-flash command line: one subcommand per kind of transfer, each reading its own
// options, all running on the same classes as the firmware dialog.
class FlashCommand
{
public:
    enum ExitCode { Success = 0, Failed = 1, UsageError = 2 };

    // How long an upload waits for the board before giving up, unless --timeout says otherwise.
    static constexpr int kDefaultTimeoutSeconds = 60;
    // A day: longer than any erase, and well inside the milliseconds a timer can count.
    static constexpr int kMaxTimeoutSeconds = 86400;
    static constexpr int kDefaultPort = 23;
    // "check" lists this many refused lines, then only counts the rest.
    static constexpr int kMaxListedRefusals = 50;

    // Texts for standard output (the uploader's texts, "check" reports) go to out; the progress
    // bar, log messages, results and reasons for failure to err.
    FlashCommand(std::ostream &out, std::ostream &err);

    // arguments without the program name. "hex" and "rom" need a QCoreApplication.
    int run(const QStringList &arguments);

    // deviceIndex for a --target value: 0 to 8, or a name of the firmware dialog's board list.
    static int targetIndex(const QString &value);
    static QString targetName(int deviceIndex);
    // Splits HOST[:PORT] ("[v6]:PORT" for IPv6); port is kDefaultPort when not given.
    static bool parseHost(const QString &value, QString &host, int &port);
    // A ROM address: decimal or 0x-hex digits only, at most 0xFFFFFFFF.
    static bool parseAddress(const QString &value, uint32_t &address);
    // The ROM area of that name, in any case, with or without its GUI1_ADDR_ or ADDR_
    // prefix (the caption of its button in the ROM manager); null when there is none.
    static const RomArea *romArea(const QString &name);

private:
    struct Subcommand;
    static const Subcommand kSubcommands[];

    // The board a transfer talks to and how long it may stay silent.
    struct Board
    {
        QString host;
        int port = kDefaultPort;
        std::chrono::milliseconds silence{};
        QString text() const;
    };

    // Parses a command's options (set up in parser) and its one FILE: kGoOn to go on, or
    // the exit code when help was shown or the usage is wrong.
    static constexpr int kGoOn = -1;
    int parseFileArguments(QCommandLineParser &parser, const QStringList &arguments,
                           const char *command, QString *fileName);
    // Reads --host and --timeout: kGoOn, or the exit code of a usage error.
    int parseBoard(const QCommandLineParser &parser, const char *command, Board *board);
    // Reads --address or --area [--gui2]; an area also turns a folder FILE into its file.
    int parseRomTarget(const QCommandLineParser &parser, uint32_t *address, QString *fileName,
                       QString *areaText);
    int runHex(const QStringList &arguments);
    int runCheck(const QStringList &arguments);
    int runRom(const QStringList &arguments);
    int usageError(const QString &problem);
    void printHelp();

    std::ostream &out;
    std::ostream &err;
};
