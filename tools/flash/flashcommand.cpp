#include "flashcommand.h"

#include "consoleprogress.h"
#include "fwupdater.h"
#include "hexfile.h"
#include "intelhexreader.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QPointer>

#include <sstream>

struct FlashCommand::Subcommand
{
    const char *name;
    int (FlashCommand::*run)(const QStringList &arguments);
};

// A ROM transfer joins here as one more row with its own run function.
const FlashCommand::Subcommand FlashCommand::kSubcommands[] = {
    {"hex", &FlashCommand::runHex},
    {"check", &FlashCommand::runCheck},
};

namespace {

// Entries 1 to 8 of the firmware dialog's board list; entry 0 is the connected board itself,
// named after its type.
const char *const kCanBoards[] = {"Button panel", "Exp 1", "Exp 2", "Exp 3",
                                  "Exp 4",        "Exp 5", "Exp 6", "Exp 7"};
const char *const kMainBoards[] = {"Main KORVO PCB", "Tube PCB", "Spider PCB", "Unknown PCB"};

const char kHelp[] = R"(Usage: vorne-flash COMMAND [OPTIONS]

Flashes VORNE boards from the command line with the same uploader as the firmware dialog.

Commands:
  hex FILE --host HOST[:PORT] [--target N] [--timeout SECONDS]
      Uploads the Intel HEX firmware FILE through the bootloader of the board whose console
      listens at HOST:PORT (PORT defaults to 23), or of a board behind it on its CAN bus.
      The bootloader gets one record per prompt and, at the end, the Fletcher-16 checksum of
      the image, which the board compares with its own before it flashes itself (that takes
      up to a minute; reconnect afterwards). A progress bar is drawn on standard error; the
      uploader's texts, the image checksum among them, go to standard output, and the image
      sent is also written to ./fw.bin. Every record is checked before it is sent: a refused
      record, an unexpected reply, a lost connection or a silent board stops the upload, tells
      the bootloader to quit ("q") and exits with the reason.
  check FILE
      Reads the Intel HEX FILE offline as the uploader would and prints the image size, the
      highest address and the image checksum (hex and decimal), or else the refused lines
      with their line numbers and what is wrong with them.

Options of hex:
  --host HOST[:PORT]   the board's console: a host name or address, optionally with a port;
                       an IPv6 address with a port is written [ADDRESS]:PORT
  --target N           the board to flash (default 0), as in the firmware dialog's list:
                         0  the connected board itself (Main KORVO PCB, Tube PCB, Spider PCB)
                         1  Button panel (CAN node 0)
                         2  Exp 1 (CAN node 1)   ...   8  Exp 7 (CAN node 7)
                       N may also be given as the name, e.g. --target "Exp 3"
  --timeout SECONDS    give up when the board says nothing for this long (default 60;
                       erasing the flash after the start can take tens of seconds)

General:
  -h, --help           show this text (also after a command: vorne-flash hex --help)

Exit status:
  0  success: the board took the checksum (hex), or the file is fit to upload (check)
  1  the upload failed, or the file has refused lines or no end-of-file record;
     the reason is printed on standard error
  2  wrong usage
)";

QCommandLineOption helpOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
}

} // namespace

FlashCommand::FlashCommand(std::ostream &out, std::ostream &err)
    : out(out)
    , err(err)
{}

int FlashCommand::run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = arguments.first();
    if (command == QLatin1String("-h") || command == QLatin1String("--help")) {
        printHelp();
        return Success;
    }
    for (const Subcommand &subcommand : kSubcommands) {
        if (command == QLatin1String(subcommand.name))
            return (this->*subcommand.run)(arguments.mid(1));
    }
    return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
}

int FlashCommand::runHex(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption hostOption(QStringLiteral("host"), QString(), QStringLiteral("host"));
    const QCommandLineOption targetOption(QStringLiteral("target"), QString(), QStringLiteral("N"),
                                          QStringLiteral("0"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"), QString(),
                                           QStringLiteral("seconds"),
                                           QString::number(kDefaultTimeoutSeconds));
    parser.addOptions({hostOption, targetOption, timeoutOption});
    QString fileName;
    const int parsed = parseFileArguments(parser, arguments, "hex", &fileName);
    if (parsed != kGoOn)
        return parsed;
    QString host;
    int port = kDefaultPort;
    if (!parser.isSet(hostOption) || !parseHost(parser.value(hostOption), host, port))
        return usageError(QStringLiteral("hex needs --host HOST[:PORT]"));
    const int target = targetIndex(parser.value(targetOption));
    if (target < 0)
        return usageError(QStringLiteral("--target must be 0 to 8 or a board name"));
    bool ok = false;
    const double timeout = parser.value(timeoutOption).toDouble(&ok);
    if (!ok || timeout <= 0)
        return usageError(QStringLiteral("--timeout must be a positive number of seconds"));

    ConsoleProgress progress(err, out);
    std::ostream texts(&progress);
    QPointer<Fwupdater> uploader = new Fwupdater(host, port, target);
    uploader->setOutput(texts);
    uploader->setSilenceTimeout(std::chrono::milliseconds(qint64(timeout * 1000)));
    QObject::connect(uploader, &Fwupdater::setSize, uploader,
                     [&progress](int size) { progress.setTotal(size); });
    QObject::connect(uploader, &Fwupdater::progress, uploader,
                     [&progress](int sent) { progress.update(sent); });
    int status = 0;
    QString reason;
    QEventLoop loop;
    QObject::connect(uploader, &Fwupdater::done, &loop, [&](int result) {
        status = result;
        reason = uploader->failureReason();
        loop.quit();
    });
    uploader->uploadFile(fileName);
    loop.exec();     // done() always comes from the event loop, failures included
    delete uploader; // normally deleted later by itself; this loop will not get there
    // The count leaves out the line ends after the first line, so it stops short of the file
    // size; a finished upload shows a full bar all the same.
    progress.finish(status == 1);

    const QString board = QStringLiteral("%1:%2, target %3 (%4)")
                              .arg(host)
                              .arg(port)
                              .arg(target)
                              .arg(targetName(target));
    if (status != 1) {
        err << "vorne-flash: upload of " << fileName.toStdString() << " to " << board.toStdString()
            << " failed: " << reason.toStdString() << std::endl;
        return Failed;
    }
    err << "vorne-flash: " << fileName.toStdString() << " uploaded to " << board.toStdString()
        << "; the board is flashing it now" << std::endl;
    return Success;
}

int FlashCommand::runCheck(const QStringList &arguments)
{
    QCommandLineParser parser;
    QString fileName;
    const int parsed = parseFileArguments(parser, arguments, "check", &fileName);
    if (parsed != kGoOn)
        return parsed;

    HexFile file;
    if (!file.open(fileName)) {
        err << "vorne-flash: cannot open " << fileName.toStdString() << ": "
            << file.errorString().toStdString() << std::endl;
        return Failed;
    }
    // The reader's own texts repeat what the report below says.
    std::ostringstream readerTexts;
    IntelHexReader reader(readerTexts);
    QByteArray line;
    int refused = 0;
    quint32 firstRefused = 0;
    while (!file.atEnd()) {
        file.readLine(line);
        reader.nextLine();
        if (reader.parseHexLine(line))
            continue;
        if (refused++ == 0)
            firstRefused = reader.lineNumber();
        if (refused <= kMaxListedRefusals)
            out << "line " << reader.lineNumber() << ": "
                << IntelHexReader::describe(reader.lastRefusal()) << ": "
                << line.left(48).toStdString() << (line.size() > 48 ? "..." : "") << '\n';
    }
    if (refused > kMaxListedRefusals)
        out << "... and " << refused - kMaxListedRefusals << " more refused lines\n";

    out << fileName.toStdString() << ": " << reader.lineNumber() << " lines\n";
    if (refused > 0) {
        out << refused << " refused lines; an upload would stop at line " << firstRefused << '\n';
        err << "vorne-flash: " << fileName.toStdString() << " has " << refused << " refused lines"
            << std::endl;
        return Failed;
    }
    const quint32 size = reader.imageLength();
    const quint16 checksum = reader.imageChecksum();
    out << QString::asprintf("image size:    %u bytes (0x%X)\n", size, size).toStdString()
        << QString::asprintf("highest:       offset 0x%06X, flash address 0x%08X\n",
                             reader.highest(), IntelHexReader::kFlashStart + reader.highest())
               .toStdString()
        << QString::asprintf("checksum:      0x%04x (%u)\n", checksum, checksum).toStdString();
    if (reader.startAddressSeen())
        out << QString::asprintf("start address: 0x%08X\n", reader.startAddress()).toStdString();
    if (!reader.eofSeen()) {
        err << "vorne-flash: " << fileName.toStdString()
            << " has no end-of-file record; the uploader would refuse to finish it" << std::endl;
        return Failed;
    }
    return Success;
}

int FlashCommand::parseFileArguments(QCommandLineParser &parser, const QStringList &arguments,
                                     const char *command, QString *fileName)
{
    parser.addOption(helpOption());
    if (!parser.parse(QStringList(QStringLiteral("vorne-flash")) + arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        printHelp();
        return Success;
    }
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("%1 needs exactly one FILE").arg(command));
    *fileName = parser.positionalArguments().first();
    return kGoOn;
}

int FlashCommand::usageError(const QString &problem)
{
    err << "vorne-flash: " << problem.toStdString() << "\n"
        << "Try \"vorne-flash --help\"." << std::endl;
    return UsageError;
}

void FlashCommand::printHelp()
{
    out << kHelp << std::flush;
}

int FlashCommand::targetIndex(const QString &value)
{
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number <= 8 ? number : -1;
    for (const char *name : kMainBoards) {
        if (value.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return 0;
    }
    for (int i = 0; i < 8; ++i) {
        if (value.compare(QLatin1String(kCanBoards[i]), Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return -1;
}

QString FlashCommand::targetName(int deviceIndex)
{
    if (deviceIndex == 0)
        return QStringLiteral("the connected board");
    return QLatin1String(kCanBoards[deviceIndex - 1]);
}

bool FlashCommand::parseHost(const QString &value, QString &host, int &port)
{
    port = kDefaultPort;
    QString portText;
    bool hasPort = false;
    if (value.startsWith(QLatin1Char('['))) {
        const int close = value.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        host = value.mid(1, close - 1);
        const QString rest = value.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        hasPort = !rest.isEmpty();
        portText = rest.mid(1);
    } else if (value.count(QLatin1Char(':')) == 1) {
        host = value.section(QLatin1Char(':'), 0, 0);
        portText = value.section(QLatin1Char(':'), 1);
        hasPort = true;
    } else {
        host = value; // a name, an IPv4 address or a bare IPv6 address
    }
    if (hasPort) {
        bool ok = false;
        port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return false;
    }
    return !host.isEmpty();
}
