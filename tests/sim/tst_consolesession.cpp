#include "boardcommands.h"
#include "consolesession.h"
#include "fletcher16.h"
#include "hextestfiles.h"
#include "rompacket.h"
#include "simoptions.h"
#include "tubesimulation.h"

#include <QtTest>

using namespace std::chrono_literals;
using HexTestFiles::record;
using Mode = ConsoleSession::Mode;

Q_DECLARE_METATYPE(ConsoleSession::Mode)

namespace {

// A board's commands and tube with one console session, its output collected; the board is
// configured from vorne-boardsim options.
struct Harness
{
    explicit Harness(const QStringList &options = {})
        : tube(1000ms, 250ms)
    {
        SimOptions parsed;
        QString message;
        int exitCode = 0;
        const QStringList fixed{"vorne-boardsim", "--flash-ms", "50", "--rom-dir", romDir.path()};
        SimOptions::parse(fixed + options, &parsed, &message, &exitCode);
        const BoardConfig board = parsed.boards.value(0);
        commands = std::make_unique<BoardCommands>(board.identity, &tube);
        session = std::make_unique<ConsoleSession>(commands.get(), board.session);
        QObject::connect(session.get(), &ConsoleSession::output,
                         [this](const QByteArray &bytes, std::chrono::milliseconds delay) {
                             wire += bytes;
                             delays << delay;
                         });
        QObject::connect(session.get(), &ConsoleSession::closeRequested,
                         [this] { closeRequested = true; });
        QObject::connect(&tube, &TubeSimulation::row,
                         [this](const QString &row) { session->writeRow(row); });
        session->start();
        wire.clear();
        delays.clear();
    }

    // Feeds one line and returns what the session wrote for it.
    QByteArray say(const QByteArray &line)
    {
        wire.clear();
        session->feed(line + "\r\n");
        return wire;
    }

    // Every file the board kept, as "name=contents".
    QByteArray stored() const
    {
        QByteArray files;
        for (const QString &name : QDir(romDir.path()).entryList(QDir::Files))
            files += name.toLatin1() + '=' + HexTestFiles::readFile(romDir.filePath(name));
        return files;
    }

    QTemporaryDir romDir;
    TubeSimulation tube;
    std::unique_ptr<BoardCommands> commands;
    std::unique_ptr<ConsoleSession> session;
    QByteArray wire;
    QList<std::chrono::milliseconds> delays;
    bool closeRequested = false;
};

const QByteArray kRecipe = "2:100:98:98:60:108:10:45:6:90:3:50:\"Espresso\"";

QByteArrayList lines(const QByteArrayList &texts)
{
    QByteArrayList ended;
    for (const QByteArray &text : texts)
        ended << text + "\r\n";
    return ended;
}

// "put_binary" for file at address 4096 and its packets, framed as the program sends them.
QByteArrayList romTransfer(const QByteArray &file, int packetSize = RomPacket::kMaxData)
{
    QByteArrayList chunks{RomPacket::putBinaryCommand(4096, file.size(), Fletcher16::of(file))};
    for (int at = 0; at < file.size(); at += packetSize)
        chunks << RomPacket::frame(file.mid(at, packetSize), uint32_t(at / packetSize));
    return chunks;
}

void row(const char *name, const QString &fault, const QByteArrayList &chunks,
         const char *wirePattern, Mode mode, const QByteArray &stored = {})
{
    QTest::newRow(name) << fault << chunks << QString::fromLatin1(wirePattern) << mode << stored;
}

} // namespace

class TestConsoleSession : public QObject
{
    Q_OBJECT
private slots:
    void commandReply_data();
    void commandReply();
    void exchange_data();
    void exchange();
    void programRowsFollowTheReply();
};

void TestConsoleSession::commandReply_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer"); // empty: the prompt alone

    const auto reply = [](const char *name, const QByteArray &command, const char *answer) {
        QTest::newRow(name) << command << QByteArray(answer);
    };
    reply("debug level set", "debug_level 128", "Debug level 128");
    reply("debug level over 255", "debug_level 256", "ERROR: debug_level needs a number 0 to 255");
    reply("beep", "do_beep 62415", "BEEP 62415");
    reply("ping", "ping", "pong");
    reply("empty line gets the prompt", "", "");
    reply("unknown command", "frob 3", "ERROR: unknown command \"frob\" (help lists them)");
    reply("program number 0", "/em 0", "ERROR: /em needs a program number 1 to 255");
    reply("recipe saved", "save_recipe " + kRecipe, "Recipe 2 saved: \"Espresso\"");
    reply("recipe name unquoted", "tb4 1:2:3:4:5:6:7:8:9:1:2:3:x",
          "ERROR: recipe name must stand in double quotes");
    reply("recipe without a name", "tb4 1:2:3:4:5:6:7:8:9:1:2:3:\"\"",
          "ERROR: recipe name must not be empty");
    reply("recipe with a letter", "save_recipe 1:2:3:4:x:6:7:8:9:1:2:3:\"a\"",
          "ERROR: recipe field 5 is not a number");
    reply("CAN node out of range", "can_bl 8", "ERROR: can_bl needs a CAN node 0 to 7");
    reply("put_binary short of a field", "put_binary 100:10",
          "ERROR: put_binary needs address:size:checksum");
}

void TestConsoleSession::commandReply()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    Harness h;
    QCOMPARE(h.say(command), "\r\n" + (answer.isEmpty() ? answer : answer + "\r\n") + '>');
    QCOMPARE(h.session->mode(), Mode::Console);
}

// Conversations of several steps: the bytes fed, in reads as given, and all that came back.
void TestConsoleSession::exchange_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QString>("wire"); // a pattern for everything written
    QTest::addColumn<Mode>("mode");    // right after the last chunk
    QTest::addColumn<QByteArray>("stored");

    const QByteArray abc = record(0, 0, "abc");
    const QByteArray eof = ":00000001FF";
    // Two records with a gap, which the image fills with zeros.
    const QByteArray image = QByteArray(16, 'a') + QByteArray(0xF0, '\0') + QByteArray(16, 'b');
    const QByteArray firmware = ":020000040800F2\r\n" + record(0, 0, image.left(16)) + "\r\n" +
                                record(0, 0x100, image.mid(0x100)) + "\r\n" +
                                record(5, 0, QByteArray::fromHex("08000131")) + "\r\n" + eof +
                                "\r\n";
    const QByteArray file = HexTestFiles::noise(241);
    QByteArrayList badPacket = romTransfer("0123456789");
    badPacket.last()[6] = 'X';
    badPacket.last() += RomPacket::frame("0123456789", 1); // dropped with the bad one
    badPacket << "ping\r\n";

    row("line split across reads", "",
        {"pi", "ng\r", "\nping\ndebug_level" + QByteArray(1, '\0') + "7\n"},
        R"(^(\r\npong\r\n>){2}\r\nDebug level 7\r\n>$)", Mode::Console);
    row("overlong line refused, the next answered", "",
        {QByteArray(ConsoleSession::kMaxLineLength + 1, 'a'), QByteArray(10000, 'b'), "bbb\n",
         "ping\r\n"},
        R"(^\r\nERROR: line too long\r\n>\r\npong\r\n>$)", Mode::Console);
    row("quit in the console is silent", "", lines({"q", "ping"}), R"(^\r\npong\r\n>$)",
        Mode::Console);

    row("menu commands known, each answered", "",
        lines({"stop", "run_boot_macro", "mqtt_rest", "restart", "list_recipes", "send_macro 10"}),
        R"(^(\r\n(?!ERROR)[^\r\n]+\r\n>){6}$)", Mode::Console);
    row("configuration dump framed, with the settings", "",
        lines({"debug_level 128", "save_recipe " + kRecipe, "print_tb_config"}),
        R"(^\r\nDebug level 128\r\n>\r\nRecipe 2 saved: "Espresso"\r\n>\r\n)"
        R"(TUBE CONFIG_START \[MAC:00564f524e01\]\r\n(.*\r\n)*DEBUG_LEVEL:128\r\n(.*\r\n)*)"
        R"(RECIPE 2:2:100:98:98:60:108:10:45:6:90:3:50:"Espresso"\r\nCONFIG_END\r\n>$)",
        Mode::Console);

    row("firmware flashed after a matching checksum", "",
        {"bl\r\n", firmware, "$" + QByteArray::number(Fletcher16::of(image)) + "\r\n"},
        R"(^(\r\nBL>){6}\r\nFlash written: 272 bytes, checksum \d+ OK\r\n>$)", Mode::Flashing,
        "flash-board.bin=" + image);
    row("record with a checksum error", "", lines({"bl", ":0300000061626300"}),
        R"(^\r\nBL>\r\nERROR: record 1: record checksum error\r\nBL>$)", Mode::Bootloader);
    row("text that is no record", "", lines({"bl", abc, "hello"}),
        R"(^(\r\nBL>){2}\r\nERROR: record 2: record does not start with ':'\r\nBL>$)",
        Mode::Bootloader);
    row("checksum that does not match", "", lines({"can_bl 2", abc, eof, "$19494"}),
        R"(^(\r\nBL>){3}\r\nERROR: checksum 19494 does not match the image's 19495\r\n>$)",
        Mode::Console);
    row("checksum before the end of file", "", lines({"bl", abc, "$19495"}),
        R"(^(\r\nBL>){2}\r\nERROR: no end-of-file record before the checksum\r\n>$)",
        Mode::Console);
    row("checksum that is no number", "", lines({"bl", abc, eof, "$x"}),
        R"(^(\r\nBL>){3}\r\nERROR: "\$x" is no 16-bit checksum\r\n>$)", Mode::Console);
    row("quit leaves the bootloader", "", lines({"bl", abc, "q"}), R"(^(\r\nBL>){2}\r\n>$)",
        Mode::Console);
    row("empty line gets the bootloader prompt", "", lines({"bl", ""}), R"(^(\r\nBL>){2}$)",
        Mode::Bootloader);
    row("fault refuse-record", "refuse-record=2", lines({"bl", abc, abc}),
        R"(^(\r\nBL>){2}\r\nERROR: record 2 refused\r\nBL>$)", Mode::Bootloader);

    row("ROM file in packets arrives", "", romTransfer(file), R"(^(\r\n>){3}$)", Mode::Console,
        "rom-001000.bin=" + file);
    row("empty ROM file arrives at once", "", romTransfer(""), R"(^\r\n>$)", Mode::Console,
        "rom-001000.bin=");
    row("bad ROM packet stops the transfer without a prompt", "", badPacket,
        R"(^\r\n>\r\nERROR: ROM transfer: packet 0: Fletcher bytes do not match\r\npong\r\n>$)",
        Mode::Console);
    row("fault noise-packet", "noise-packet=2", romTransfer(QByteArray(30, 'r'), 10),
        R"(^(\r\n>){2}\r\n[^\x00\r\n>]{32}\r\n>\r\n>$)", Mode::Console,
        "rom-001000.bin=" + QByteArray(30, 'r'));

    row("fault drop-after", "drop-after=2", lines({"ping", "ping", "ping"}),
        R"(^(\r\npong\r\n>){2}$)", Mode::Closed);
    row("fault long-line", "long-line=1", lines({"ping", "ping"}),
        R"(^(?:[^\n]{1024}){1024}\r\npong\r\n>\r\npong\r\n>$)", Mode::Console);
}

void TestConsoleSession::exchange()
{
    QFETCH(QString, fault);
    QFETCH(QByteArrayList, chunks);
    QFETCH(QString, wire);
    QFETCH(Mode, mode);
    QFETCH(QByteArray, stored);
    Harness h(fault.isEmpty() ? QStringList() : QStringList{"--fault", fault});
    for (const QByteArray &chunk : chunks) {
        h.session->feed(chunk);
        // A program running during a transfer: its rows stay out of the binary exchange.
        if (h.session->mode() == Mode::Binary)
            h.tube.startProgram(3);
    }
    QCOMPARE(h.session->mode(), mode);
    QCOMPARE(h.closeRequested, mode == Mode::Closed);
    const QRegularExpression pattern(wire);
    QTRY_VERIFY2(pattern.match(QString::fromLatin1(h.wire)).hasMatch(), h.wire.left(300).data());
    QCOMPARE(h.stored(), stored);
}

void TestConsoleSession::programRowsFollowTheReply()
{
    Harness h({"--fault", "slow=300"}); // a slow board delays its answers, not the rows
    const QByteArray wire = h.say("/em 10");
    QVERIFY(wire.startsWith("\r\nRunning program 10 \"1.0 Liter Flush\"\r\n>\r\nIO ["));
    QVERIFY(h.delays.size() > 2);
    QCOMPARE(h.delays.first(), 300ms);
    QCOMPARE(h.delays.last(), 0ms);
    QCOMPARE(h.say("/em 3"), QByteArray("ERROR: busy with macro 10\r\n>"));
    h.wire.clear();
    h.tube.advance(1000ms);
    QVERIFY(h.wire.endsWith("\r\nMACRO_DONE\r\n"));
    // The rows closed the prompt line, so the next reply needs no line end before it.
    QCOMPARE(h.say("/em 3").left(24), QByteArray("Running program 3 \"0.25 "));
}

QTEST_GUILESS_MAIN(TestConsoleSession)
#include "tst_consolesession.moc"
