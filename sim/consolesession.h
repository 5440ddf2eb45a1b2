#pragma once

#include "faultplan.h"
#include "hexrecordchecker.h"
#include "rompacketreceiver.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <memory>

class BoardCommands;

// One console connection of a simulated board. It cuts the incoming bytes into lines (or,
// after "put_binary", into ROM packets), runs the console, the bootloader and the ROM
// receiver, and commits the planned faults. It owns no socket: it is fed bytes and emits
// what to write, so tests drive it directly.
//
// Output follows a board's prompt habit: a reply is its lines, each ended by CR LF, then
// the prompt (">" or "BL>") without line end; whatever comes after an open prompt starts
// with CR LF, so every reply line starts a line of its own on the program's console.
class ConsoleSession : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Console, Bootloader, Flashing, Binary, Closed };

    // Longest console line kept; a longer one is skipped up to its line feed and refused.
    static constexpr int kMaxLineLength = 4096;
    static constexpr int kNoiseLength = 32;

    struct Settings
    {
        FaultPlan faults;
        // How long the board "flashes" after a matching checksum before it reports; the
        // program's uploader counts one second of silence as success.
        std::chrono::milliseconds flashTime{2000};
        QString romDir; // empty: received files and images are checked but not kept
    };

    ConsoleSession(BoardCommands *commands, const Settings &settings, QObject *parent = nullptr);

    // Greets the connection with the prompt, after the announcement line when one is given
    // (a board that connects to the program's console server announces itself first).
    void start(const QString &announcement = QString());
    void feed(const QByteArray &bytes);
    // Unasked console output, such as the rows of a running program; written in console
    // mode only, so it never disturbs a bootloader or ROM exchange.
    void writeRow(const QString &row);
    Mode mode() const { return current; }

signals:
    // Bytes to write after delay; outputs keep their order whatever their delays.
    void output(const QByteArray &bytes, std::chrono::milliseconds delay);
    // Close the connection once everything emitted before is written.
    void closeRequested();
    // Each line or packet as it arrives, for the transcript.
    void received(const QString &what);
    void fileWritten(const QString &path);

private:
    void handleLine(const QByteArray &line);
    void consoleLine(const QString &line);
    void bootloaderLine(const QByteArray &line);
    void checkRecord(const QByteArray &line);
    bool takePacket(); // false when the buffer holds no whole packet yet
    void startBootloader(int node);
    void checkImage(const QString &line);
    void flashDone();
    void startRom(const QString &arguments);
    void romFinished();
    void answer(const QStringList &lines, const char *prompt);
    void emitOutput(QByteArray bytes, bool isAnswer);
    void unitDone();
    bool saveFile(const QString &name, const QByteArray &data, QString *error);
    QByteArray noise() const;

    BoardCommands *const commands;
    const Settings settings;
    Mode current = Mode::Console;
    QByteArray buffer;
    bool discarding = false; // skipping an overlong line up to its line feed
    bool promptOpen = false;
    bool flooded = false;
    bool holdingRows = false; // a command runs: its rows wait for its reply
    QStringList heldRows;
    int units = 0;     // lines and packets received, for drop-after
    int bootNode = -1; // -1 the board itself, else the CAN node of "can_bl"
    std::unique_ptr<HexRecordChecker> checker;
    int records = 0;
    std::unique_ptr<RomPacketReceiver> rom;
    QTimer flashTimer;
};
