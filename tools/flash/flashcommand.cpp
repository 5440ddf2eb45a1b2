#include "flashcommand.h"

#include "consoleprogress.h"
#include "fwupdater.h"
#include "hexfile.h"
#include "hexfilecheck.h"
#include "hostport.h"
#include "intelhexreader.h"
#include "romareas.h"
#include "rompacket.h"
#include "romtransfer.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>

#include <functional>
#include <sstream>

struct FlashCommand::Subcommand
{
    const char *name;
    int (FlashCommand::*run)(const QStringList &arguments);
};

// Another kind of transfer joins here as one more row with its own run function.
const FlashCommand::Subcommand FlashCommand::kSubcommands[] = {
    {"hex", &FlashCommand::runHex},
    {"check", &FlashCommand::runCheck},
    {"rom", &FlashCommand::runRom},
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
      record, an unexpected reply, a lost connection or a board that does not prompt for the
      next step in time stops the upload, tells the bootloader to quit ("q") and exits with the
      reason. FILE may be a pipe, such as /dev/stdin.
  check FILE
      Reads the Intel HEX FILE offline as the uploader would and prints the image size, the
      highest address and the image checksum (hex and decimal), or else the refused lines
      with their line numbers and what is wrong with them (other bytes than printable ASCII
      shown as \xHH).
  rom FILE (--address ADDR | --area NAME [--gui2]) --host HOST[:PORT] [--timeout SECONDS]
      Writes FILE byte for byte into the external ROM of the board at HOST:PORT, as the ROM
      manager does: "put_binary ADDR:SIZE:CHECKSUM", answered by the board's ">" prompt, then
      packets of up to 240 bytes, each answered by ">" too. A progress bar is drawn on
      standard error. A board that answers put_binary with anything but its prompt (nothing of
      the file is sent then), closes the connection, does not prompt for the next packet in
      time or does not confirm the last packet with its prompt fails the transfer, and
      vorne-flash exits with the reason. FILE may be a pipe or a device; it is read whole
      first (at most 1 GiB).

Options of hex and rom:
  --host HOST[:PORT]   the board's console: a host name or address, optionally with a port;
                       an IPv6 address with a port is written [ADDRESS]:PORT
  --timeout SECONDS    give up when the board has not prompted for the next step this long,
                       silent or talking (default 60; a board erasing its flash can be
                       silent for tens of seconds); from 0.001 to 86400

Options of hex:
  --target N           the board to flash (default 0), as in the firmware dialog's list:
                         0  the connected board itself (Main KORVO PCB, Tube PCB, Spider PCB)
                         1  Button panel (CAN node 0)
                         2  Exp 1 (CAN node 1)   ...   8  Exp 7 (CAN node 7)
                       N may also be given as the name, e.g. --target "Exp 3"

Options of rom:
  --address ADDR       the ROM address FILE goes to: decimal (6053471) or hex (0x5C5E5F),
                       at most 0xFFFFFFFF
  --area NAME          the address of a ROM area of the ROM manager instead, by its name
                       (GUI1_ADDR_BTN_START, ADDR_DB_TUBE1, FullConfig) or its caption
                       (BTN_START, DB_TUBE1); any case. When FILE is a folder, the area's
                       file in it is sent (e.g. FOLDER/gui/btn_start.bin)
  --gui2               with a GUI1_ADDR_ area: write into the GUI 2 image (address moved by
                       0x297ABF)

General:
  -h, --help           show this text (also after a command: vorne-flash hex --help)

Exit status:
  0  success: the board took the checksum (hex), the file is fit to upload (check), or the
     board confirmed the last ROM packet (rom)
  1  the upload or ROM write failed, or the file has refused lines or no end-of-file record;
     the reason is printed on standard error
  2  wrong usage
)";

QCommandLineOption helpOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
}

const QCommandLineOption kHostOption(QStringLiteral("host"), QString(), QStringLiteral("host"));
const QCommandLineOption kTimeoutOption(QStringLiteral("timeout"), QString(),
                                        QStringLiteral("seconds"),
                                        QString::number(FlashCommand::kDefaultTimeoutSeconds));
const QCommandLineOption kAddressOption(QStringLiteral("address"), QString(),
                                        QStringLiteral("ADDR"));
const QCommandLineOption kAreaOption(QStringLiteral("area"), QString(), QStringLiteral("NAME"));
const QCommandLineOption kGui2Option(QStringLiteral("gui2"));

// The ROM transfer counts the bytes it put on the wire, framing included; the bar shows the
// bytes of the file, which it knows the size of. Every packet but the last is full.
int romFileBytes(int wireBytes)
{
    constexpr int kPacket = RomPacket::kMaxData + RomPacket::kFraming;
    const int packets = (wireBytes + kPacket - 1) / kPacket;
    return wireBytes - packets * RomPacket::kFraming;
}

int sameBytes(int bytes)
{
    return bytes;
}

// A refused line as a terminal may show it: printable ASCII as it is, every other byte (an
// escape sequence, a NUL) as \xHH, a backslash doubled.
std::string printable(const QByteArray &bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\')
            text += "\\\\";
        else if (byte >= 0x20 && byte < 0x7F)
            text += c;
        else
            text += QString::asprintf("\\x%02X", byte).toStdString();
    }
    return text;
}

// Runs one transfer (Fwupdater or RomTransfer) from start() to its done() with the bar
// following it; true when it succeeded, else *reason says why. done() may come before
// start() returns (a file that cannot be opened), so the loop only runs when still needed.
template<class Transfer>
bool runTransfer(Transfer *transfer, ConsoleProgress &bar, const std::function<void()> &start,
                 QString *reason, int (*fileBytes)(int) = &sameBytes)
{
    QObject::connect(transfer, &Transfer::setSize, transfer,
                     [&bar](int size) { bar.setTotal(size); });
    QObject::connect(transfer, &Transfer::progress, transfer,
                     [&bar, fileBytes](int sent) { bar.update(fileBytes(sent)); });
    bool finished = false;
    int status = 0;
    QEventLoop loop;
    QObject::connect(transfer, &Transfer::done, &loop, [&](int result) {
        status = result;
        *reason = transfer->failureReason();
        finished = true;
        loop.quit();
    });
    bar.takeLogMessages();
    start();
    if (!finished)
        loop.exec();
    bar.finish(status == 1);
    return status == 1;
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
    const QCommandLineOption targetOption(QStringLiteral("target"), QString(), QStringLiteral("N"),
                                          QStringLiteral("0"));
    parser.addOptions({kHostOption, targetOption, kTimeoutOption});
    QString fileName;
    int parsed = parseFileArguments(parser, arguments, "hex", &fileName);
    Board board;
    if (parsed == kGoOn)
        parsed = parseBoard(parser, "hex", &board);
    if (parsed != kGoOn)
        return parsed;
    const int target = targetIndex(parser.value(targetOption));
    if (target < 0)
        return usageError(QStringLiteral("--target must be 0 to 8 or a board name"));

    ConsoleProgress progress(err, out);
    std::ostream texts(&progress);
    QPointer<Fwupdater> uploader = new Fwupdater(board.host, board.port, target);
    uploader->setOutput(texts);
    uploader->setSilenceTimeout(board.silence);
    QString reason;
    // The count leaves out the line ends after the first line, so it stops short of the file
    // size; a finished upload shows a full bar all the same.
    const bool uploaded = runTransfer(
        uploader.data(), progress, [&] { uploader->uploadFile(fileName); }, &reason);
    delete uploader; // normally deleted later by itself; this loop will not get there

    const QString where =
        QStringLiteral("%1, target %2 (%3)").arg(board.text()).arg(target).arg(targetName(target));
    if (!uploaded) {
        err << "vorne-flash: upload of " << fileName.toStdString() << " to " << where.toStdString()
            << " failed: " << reason.toStdString() << std::endl;
        return Failed;
    }
    err << "vorne-flash: " << fileName.toStdString() << " uploaded to " << where.toStdString()
        << "; the board is flashing it now" << std::endl;
    return Success;
}

int FlashCommand::runRom(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOptions({kHostOption, kTimeoutOption, kAddressOption, kAreaOption, kGui2Option});
    QString fileName;
    int parsed = parseFileArguments(parser, arguments, "rom", &fileName);
    uint32_t address = 0;
    QString area;
    if (parsed == kGoOn)
        parsed = parseRomTarget(parser, &address, &fileName, &area);
    Board board;
    if (parsed == kGoOn)
        parsed = parseBoard(parser, "rom", &board);
    if (parsed != kGoOn)
        return parsed;

    ConsoleProgress progress(err, out);
    RomTransfer transfer(board.host, board.port);
    transfer.setSilenceTimeout(board.silence);
    int bytes = 0; // of the file, read whole first when it is a pipe
    QObject::connect(&transfer, &RomTransfer::setSize, [&bytes](int size) { bytes = size; });
    QString reason;
    const bool written = runTransfer(
        &transfer, progress, [&] { transfer.transferFile(address, fileName); }, &reason,
        &romFileBytes);

    const QString where =
        QStringLiteral("ROM address 0x%1%2 of %3")
            .arg(QString::number(address, 16).rightJustified(6, QLatin1Char('0')).toUpper())
            .arg(area.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(area))
            .arg(board.text());
    if (!written) {
        err << "vorne-flash: writing " << fileName.toStdString() << " to " << where.toStdString()
            << " failed: " << reason.toStdString() << std::endl;
        return Failed;
    }
    err << "vorne-flash: " << fileName.toStdString() << " (" << bytes << " bytes) written to "
        << where.toStdString() << std::endl;
    return Success;
}

int FlashCommand::parseRomTarget(const QCommandLineParser &parser, uint32_t *address,
                                 QString *fileName, QString *areaText)
{
    const bool gui2 = parser.isSet(kGui2Option);
    if (parser.isSet(kAddressOption) == parser.isSet(kAreaOption))
        return usageError(QStringLiteral("rom needs either --address ADDR or --area NAME"));
    if (parser.isSet(kAddressOption)) {
        if (gui2)
            return usageError(QStringLiteral("--gui2 goes with --area"));
        if (!parseAddress(parser.value(kAddressOption), *address))
            return usageError(QStringLiteral("--address must be a number from 0 to 0xFFFFFFFF, "
                                             "decimal or hex with 0x, not \"%1\"")
                                  .arg(parser.value(kAddressOption)));
        return kGoOn;
    }
    const RomArea *area = romArea(parser.value(kAreaOption));
    if (!area)
        return usageError(QStringLiteral("no ROM area \"%1\"").arg(parser.value(kAreaOption)));
    // GUI 2 applies to the GUI areas only; silently ignoring it elsewhere would let a
    // production script believe it wrote the second image.
    if (gui2 && !area->gui)
        return usageError(QStringLiteral("--gui2 goes only with a GUI1_ADDR_ area"));
    *address = RomAreas::addressOf(*area, gui2 ? RomAreas::kGuiShift : 0);
    *areaText = QLatin1String(area->name) + (gui2 ? QStringLiteral(", GUI2") : QString());
    if (QFileInfo(*fileName).isDir())
        *fileName = RomAreas::filePath(*fileName, area->file);
    return kGoOn;
}

int FlashCommand::parseBoard(const QCommandLineParser &parser, const char *command, Board *board)
{
    if (!parser.isSet(kHostOption) ||
        !parseHost(parser.value(kHostOption), board->host, board->port))
        return usageError(QStringLiteral("%1 needs --host HOST[:PORT]").arg(command));
    bool ok = false;
    const double timeout = parser.value(kTimeoutOption).toDouble(&ok);
    // Written so that NaN fails too; under a millisecond a timer would fire at once.
    if (!ok || !(timeout >= 0.001 && timeout <= kMaxTimeoutSeconds))
        return usageError(QStringLiteral("--timeout must be a number of seconds from 0.001 to %1")
                              .arg(kMaxTimeoutSeconds));
    board->silence = std::chrono::milliseconds(qint64(timeout * 1000));
    return kGoOn;
}

QString FlashCommand::Board::text() const
{
    return QStringLiteral("%1:%2").arg(host).arg(port);
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
    HexFileCheck lines(reader);
    int refused = 0;
    quint32 firstRefused = 0;
    const auto judge = [&](const QByteArray &line) {
        if (lines.check(line))
            return;
        if (refused++ == 0)
            firstRefused = reader.lineNumber();
        if (refused <= kMaxListedRefusals)
            out << "line " << reader.lineNumber() << ": " << lines.refusal().toStdString() << ": "
                << printable(line.left(48)) << (line.size() > 48 ? "..." : "") << '\n';
    };
    QByteArray line;
    while (!file.atEnd()) {
        file.readLine(line);
        judge(line);
    }
    const quint32 lineCount = reader.lineNumber();
    // The uploader sends the first line before it looks for the end of the file, so it reads
    // a file of one line past its end, and refuses the empty line it finds there.
    if (lineCount <= 1)
        judge(QByteArray());
    if (refused > kMaxListedRefusals)
        out << "... and " << refused - kMaxListedRefusals << " more refused lines\n";

    out << fileName.toStdString() << ": " << lineCount << " lines\n";
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
    const HostPort parts = HostPort::split(value);
    if (!parts.wellFormed)
        return false;
    host = parts.host;
    port = parts.hasPort ? parts.port() : kDefaultPort;
    if (port < 1 || port > 65535)
        return false;
    return !host.isEmpty();
}

bool FlashCommand::parseAddress(const QString &value, uint32_t &address)
{
    // Plain digits only: toULongLong alone would also take signs, blanks and, with base 0,
    // a leading 0 as octal.
    static const QRegularExpression pattern(QStringLiteral("^(?:0[xX][0-9A-Fa-f]+|[0-9]+)$"));
    if (!pattern.match(value).hasMatch())
        return false;
    const bool hex = value.size() > 1 && value.at(1).toLower() == QLatin1Char('x');
    bool ok = false;
    const qulonglong number = value.mid(hex ? 2 : 0).toULongLong(&ok, hex ? 16 : 10);
    if (!ok || number > 0xFFFFFFFFull)
        return false;
    address = uint32_t(number);
    return true;
}

const RomArea *FlashCommand::romArea(const QString &name)
{
    const auto matches = [&name](const RomArea &area) {
        const QString full = QLatin1String(area.name);
        for (const char *prefix : {"", "GUI1_ADDR_", "ADDR_"}) {
            if (full.startsWith(QLatin1String(prefix)) &&
                name.compare(full.mid(int(qstrlen(prefix))), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    };
    if (matches(RomAreas::kFullConfig))
        return &RomAreas::kFullConfig;
    for (const RomArea &area : RomAreas::all()) {
        if (matches(area))
            return &area;
    }
    return nullptr;
}
