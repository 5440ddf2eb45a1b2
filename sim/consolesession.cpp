#include "consolesession.h"

#include "boardcommands.h"
#include "simlogging.h"

#include <QDir>
#include <QSaveFile>
#include <utility>

namespace {

constexpr char kPrompt[] = ">";
constexpr char kBootPrompt[] = "BL>";
constexpr int kMiB = 1024 * 1024;

QString errorLine(const QString &text)
{
    return QStringLiteral("ERROR: ") + text;
}

} // namespace

ConsoleSession::ConsoleSession(BoardCommands *commands, const Settings &settings, QObject *parent)
    : QObject(parent)
    , commands(commands)
    , settings(settings)
{
    flashTimer.setSingleShot(true);
    connect(&flashTimer, &QTimer::timeout, this, &ConsoleSession::flashDone);
}

void ConsoleSession::start(const QString &announcement)
{
    QByteArray out;
    if (!announcement.isEmpty())
        out += announcement.toLatin1() + "\r\n";
    out += kPrompt;
    promptOpen = true;
    emitOutput(out, false);
}

void ConsoleSession::feed(const QByteArray &bytes)
{
    if (current == Mode::Closed)
        return;
    buffer.append(bytes);
    while (current != Mode::Closed) {
        if (current == Mode::Binary) {
            if (!takePacket())
                break;
            continue;
        }
        const int lf = buffer.indexOf('\n');
        if (lf < 0) {
            if (buffer.size() > kMaxLineLength) {
                discarding = true;
                buffer.clear();
            }
            break;
        }
        const QByteArray line = buffer.left(lf);
        buffer.remove(0, lf + 1);
        if (discarding || line.size() > kMaxLineLength) {
            discarding = false;
            emit received(QStringLiteral("[line longer than %1 bytes]").arg(kMaxLineLength));
            answer({errorLine(QStringLiteral("line too long"))},
                   current == Mode::Bootloader ? kBootPrompt : kPrompt);
            unitDone();
            continue;
        }
        handleLine(line);
    }
}

void ConsoleSession::writeRow(const QString &row)
{
    if (current != Mode::Console)
        return;
    if (holdingRows) {
        heldRows << row;
        return;
    }
    QByteArray out = promptOpen ? QByteArray("\r\n") : QByteArray();
    out += row.toLatin1() + "\r\n";
    promptOpen = false;
    emitOutput(out, false);
}

void ConsoleSession::handleLine(const QByteArray &raw)
{
    QByteArray line = raw;
    line.replace('\0', ' ');
    line.replace("\r", "");
    emit received(QString::fromLatin1(line));
    switch (current) {
    case Mode::Console:
        consoleLine(QString::fromLatin1(line));
        break;
    case Mode::Bootloader:
        bootloaderLine(line);
        break;
    case Mode::Flashing:
        answer({errorLine(QStringLiteral("flashing, please wait"))}, nullptr);
        break;
    case Mode::Binary:
    case Mode::Closed:
        break;
    }
    unitDone();
}

void ConsoleSession::consoleLine(const QString &line)
{
    QString command;
    QString arguments;
    BoardCommands::split(line, &command, &arguments);
    if (command.isEmpty()) {
        answer({}, kPrompt);
    } else if (command == QLatin1String("q")) {
        // The bootloader's quit arriving after the bootloader has left: staying silent
        // keeps an uploader that answers every non-bootloader reply with "q" from
        // ping-ponging with the console for ever.
    } else if (command == QLatin1String("bl") && arguments.isEmpty()) {
        startBootloader(-1);
    } else if (command == QLatin1String("can_bl")) {
        bool ok = false;
        const int node = arguments.toInt(&ok);
        if (ok && BoardCommands::hasCanNode(node))
            startBootloader(node);
        else
            answer({errorLine(QStringLiteral("can_bl needs a CAN node 0 to %1")
                                  .arg(BoardCommands::kCanNodes - 1))},
                   kPrompt);
    } else if (command == QLatin1String("put_binary")) {
        startRom(arguments);
    } else {
        // Rows a command causes (a program starting) follow its reply, as on a board.
        holdingRows = true;
        const QStringList reply = commands->execute(line);
        holdingRows = false;
        answer(reply, kPrompt);
        const QStringList rows = std::exchange(heldRows, QStringList());
        for (const QString &row : rows)
            writeRow(row);
    }
}

void ConsoleSession::startBootloader(int node)
{
    checker = std::make_unique<HexRecordChecker>();
    records = 0;
    bootNode = node;
    current = Mode::Bootloader;
    answer({}, kBootPrompt);
}

void ConsoleSession::bootloaderLine(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed == "q") {
        current = Mode::Console;
        checker.reset();
        answer({}, kPrompt);
    } else if (trimmed.isEmpty()) {
        answer({}, kBootPrompt);
    } else if (trimmed.startsWith('$')) {
        checkImage(QString::fromLatin1(trimmed.mid(1)));
    } else {
        checkRecord(line);
    }
}

void ConsoleSession::checkRecord(const QByteArray &line)
{
    ++records;
    if (records == settings.faults.refuseRecord) {
        answer({errorLine(QStringLiteral("record %1 refused").arg(records))}, kBootPrompt);
        return;
    }
    const HexRecordChecker::Verdict verdict = checker->check(line);
    if (verdict.accepted)
        answer({}, kBootPrompt);
    else
        answer({errorLine(QStringLiteral("record %1: %2").arg(records).arg(verdict.reason))},
               kBootPrompt);
}

void ConsoleSession::checkImage(const QString &text)
{
    bool ok = false;
    const uint wanted = text.toUInt(&ok);
    const uint16_t sum = checker->checksum();
    QString problem;
    if (!ok || wanted > 0xFFFF)
        problem = QStringLiteral("\"$%1\" is no 16-bit checksum").arg(text);
    else if (!checker->endOfFileSeen())
        problem = QStringLiteral("no end-of-file record before the checksum");
    else if (wanted != sum)
        problem = QStringLiteral("checksum %1 does not match the image's %2").arg(wanted).arg(sum);
    const QString name = bootNode < 0 ? QStringLiteral("flash-board.bin")
                                      : QStringLiteral("flash-can%1.bin").arg(bootNode);
    // The image is kept at once: an uploader may close its connection while the board
    // still flashes.
    if (problem.isEmpty())
        saveFile(name, checker->image(), &problem);
    if (!problem.isEmpty()) {
        current = Mode::Console;
        checker.reset();
        answer({errorLine(problem)}, kPrompt);
        return;
    }
    current = Mode::Flashing;
    flashTimer.start(settings.flashTime);
}

void ConsoleSession::flashDone()
{
    const QString report = QStringLiteral("Flash written: %1 bytes, checksum %2 OK")
                               .arg(checker->image().size())
                               .arg(checker->checksum());
    current = Mode::Console;
    checker.reset();
    answer({report}, kPrompt);
}

void ConsoleSession::startRom(const QString &arguments)
{
    RomPacketReceiver::Request request;
    QString why;
    if (!RomPacketReceiver::parseRequest(arguments, &request, &why)) {
        answer({errorLine(why)}, kPrompt);
        return;
    }
    rom = std::make_unique<RomPacketReceiver>(request);
    switch (rom->start()) {
    case RomPacketReceiver::Step::NeedMore:
        current = Mode::Binary;
        answer({}, kPrompt);
        break;
    default:
        romFinished();
        break;
    }
}

bool ConsoleSession::takePacket()
{
    const RomPacketReceiver::Step step = rom->take(buffer);
    if (step == RomPacketReceiver::Step::NeedMore)
        return false;
    if (step == RomPacketReceiver::Step::Failed) {
        emit received(QStringLiteral("[bad ROM packet]"));
        // What follows in the stream belongs to the broken transfer.
        buffer.clear();
    } else {
        emit received(QStringLiteral("[ROM packet %1: %2 bytes]")
                          .arg(rom->packets() - 1)
                          .arg(rom->lastPacketSize()));
    }
    if (step == RomPacketReceiver::Step::PacketAccepted) {
        QStringList lines;
        if (int(rom->packets()) == settings.faults.noisePacket)
            lines << QString::fromLatin1(noise());
        answer(lines, kPrompt);
    } else {
        romFinished();
    }
    unitDone();
    return true;
}

void ConsoleSession::romFinished()
{
    const RomPacketReceiver::Request &request = rom->request();
    QString problem = rom->error();
    const QString name = QStringLiteral("rom-%1.bin").arg(request.address, 6, 16, QLatin1Char('0'));
    if (problem.isEmpty())
        saveFile(name, rom->data(), &problem);
    current = Mode::Console;
    rom.reset();
    // The last packet of a good file is answered with the bare prompt, as every packet;
    // a failure gets an error line and no prompt, so the sender does not go on.
    if (problem.isEmpty())
        answer({}, kPrompt);
    else
        answer({errorLine(QStringLiteral("ROM transfer: ") + problem)}, nullptr);
}

void ConsoleSession::answer(const QStringList &lines, const char *prompt)
{
    QByteArray out = promptOpen ? QByteArray("\r\n") : QByteArray();
    for (const QString &line : lines)
        out += line.toLatin1() + "\r\n";
    promptOpen = prompt != nullptr;
    if (prompt)
        out += prompt;
    emitOutput(out, true);
}

void ConsoleSession::emitOutput(QByteArray bytes, bool isAnswer)
{
    if (bytes.isEmpty())
        return;
    if (isAnswer && settings.faults.longLineMiB > 0 && !flooded) {
        flooded = true;
        bytes.prepend(QByteArray(settings.faults.longLineMiB * kMiB, 'X'));
    }
    emit output(bytes, isAnswer ? settings.faults.slow : std::chrono::milliseconds(0));
}

void ConsoleSession::unitDone()
{
    ++units;
    if (settings.faults.dropAfter > 0 && units >= settings.faults.dropAfter &&
        current != Mode::Closed) {
        current = Mode::Closed;
        flashTimer.stop();
        emit closeRequested();
    }
}

bool ConsoleSession::saveFile(const QString &name, const QByteArray &data, QString *error)
{
    if (settings.romDir.isEmpty())
        return true;
    const QString path = QDir(settings.romDir).filePath(name);
    QSaveFile file(path);
    if (!QDir().mkpath(settings.romDir) || !file.open(QIODevice::WriteOnly) ||
        file.write(data) != data.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    qCDebug(lcSim) << "wrote" << path << data.size() << "bytes";
    emit fileWritten(path);
    return true;
}

QByteArray ConsoleSession::noise() const
{
    // A fixed pseudo-random run, so a test sees the same garbage every time; never a line
    // end, a NUL or a prompt character, so it stays one line of junk before the answer.
    QByteArray bytes;
    uint32_t state = 0x2545F491u;
    while (bytes.size() < kNoiseLength) {
        state = state * 1664525u + 1013904223u;
        const char c = char(state >> 24);
        if (c != '\0' && c != '\r' && c != '\n' && c != '>')
            bytes += c;
    }
    return bytes;
}
