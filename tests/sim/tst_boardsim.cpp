#include "boardcommands.h"
#include "consolesession.h"
#include "fletcher16.h"
#include "hextestfiles.h"
#include "rompacket.h"
#include "simoptions.h"
#include "tbrowparser.h"
#include "tubesimulation.h"
#include "udplines.h"
#include "udppacketwriter.h"

#include <QtTest>

using namespace std::chrono_literals;
using HexTestFiles::noise;

namespace {

// One console session of a simulated board configured from vorne-boardsim options, with
// everything it writes collected. What the program's clients and the end-to-end runs see
// of it (greeting, flashing, stored ROM areas, the faults they use) is tested there.
struct Harness
{
    explicit Harness(const QStringList &options = {})
    {
        QString message;
        int exitCode = 0;
        SimOptions::parse(QStringList{"vorne-boardsim", "--rom-dir", romDir.path()} + options,
                          &parsed, &message, &exitCode);
        const BoardConfig &board = parsed.boards.first();
        tube = std::make_unique<TubeSimulation>(board.programTime, board.telemetryInterval);
        commands = std::make_unique<BoardCommands>(board.identity, tube.get());
        session = std::make_unique<ConsoleSession>(commands.get(), board.session);
        QObject::connect(session.get(), &ConsoleSession::output,
                         [this](const QByteArray &bytes, std::chrono::milliseconds delay) {
                             wire += bytes;
                             delays << delay;
                         });
        QObject::connect(tube.get(), &TubeSimulation::row,
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

    QTemporaryDir romDir;
    SimOptions parsed;
    std::unique_ptr<TubeSimulation> tube;
    std::unique_ptr<BoardCommands> commands;
    std::unique_ptr<ConsoleSession> session;
    QByteArray wire;
    QList<std::chrono::milliseconds> delays;
};

QByteArrayList lines(const QByteArrayList &texts)
{
    QByteArrayList ended;
    for (const QByteArray &text : texts)
        ended << text + "\r\n";
    return ended;
}

// "put_binary" of file at address 4096, then its packets as the program frames them.
QByteArrayList romTransfer(const QByteArray &file, int packetSize = RomPacket::kMaxData)
{
    QByteArrayList chunks{RomPacket::putBinaryCommand(4096, file.size(), Fletcher16::of(file))};
    for (int at = 0; at < file.size(); at += packetSize)
        chunks << RomPacket::frame(file.mid(at, packetSize), uint32_t(at / packetSize));
    return chunks;
}

// A transfer of 20 bytes whose one packet the board must refuse, then a console line.
QByteArrayList refusedPacket(const QByteArray &packet)
{
    return {romTransfer(noise(20)).first(), packet, "ping\r\n"};
}

} // namespace

// The simulated board's wire conformance without sockets: its console, its command line and
// its datagrams. Its UDP over real sockets is seen by the window's telemetry and brew runs.
class TestBoardSim : public QObject
{
    Q_OBJECT

    SimOptions options;
    QString message;
    int exitCode = -1;

private slots:
    // Conversations: the bytes fed, in reads as given, and a pattern for all that came back
    // (a reply ends in the console's ">" or the bootloader's "BL>"), and the files stored.
    void exchange_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QByteArray>("stored");
        const auto row = [](const char *name, const QString &fault, const QByteArrayList &chunks,
                            const char *wire, const QByteArray &stored = {}) {
            QTest::newRow(name) << fault << chunks << QString::fromLatin1(wire) << stored;
        };
        const QByteArray abc = HexTestFiles::record(0, 0, "abc");
        const QByteArray eof = ":00000001FF";
        const QByteArray file = noise(241);
        QByteArrayList bytewise{romTransfer(file).first()};
        for (const QByteArray &packet : romTransfer(file).mid(1)) {
            for (char byte : packet)
                bytewise << QByteArray(1, byte);
        }
        QByteArray badByte = RomPacket::frame(noise(20), 0);
        badByte[7] = 'x';

        row("unknown command", "", lines({"frob 3"}),
            R"(^\r\nERROR: unknown command "frob" \(help lists them\)\r\n>$)");
        row("recipe without a name, whose brew packets could not be read", "",
            lines({"tb4 1:2:3:4:5:6:7:8:9:1:2:3:\"\""}),
            R"(^\r\nERROR: recipe name must not be empty\r\n>$)");
        row("line split across reads, NUL a blank", "",
            {"pi", "ng\r", "\nping\ndebug_level" + QByteArray(1, '\0') + "7\n"},
            R"(^(\r\npong\r\n>){2}\r\nDebug level 7\r\n>$)");
        row("overlong line refused, the next answered", "",
            {QByteArray(ConsoleSession::kMaxLineLength + 1, 'a'), QByteArray(10000, 'b'), "bbb\n",
             "ping\r\n"},
            R"(^\r\nERROR: line too long\r\n>\r\npong\r\n>$)");
        row("quit in the console is silent, an empty line gets the prompt", "",
            lines({"q", "", "ping"}), R"(^\r\n>\r\npong\r\n>$)");
        row("menu commands known, each answered", "",
            lines({"stop", "run_boot_macro", "mqtt_rest", "restart", "list_recipes",
                   "send_macro 10"}),
            R"(^(\r\n(?!ERROR)[^\r\n]+\r\n>){6}$)");

        row("bootloader prompts, an empty line too, and quits", "", lines({"bl", "", abc, "q"}),
            R"(^(\r\nBL>){3}\r\n>$)");
        row("checksum that does not match", "", lines({"can_bl 2", abc, eof, "$19494"}),
            R"(^(\r\nBL>){3}\r\nERROR: checksum 19494 does not match the image's 19495\r\n>$)");
        row("checksum before the end of file", "", lines({"bl", abc, "$19495"}),
            R"(^(\r\nBL>){2}\r\nERROR: no end-of-file record before the checksum\r\n>$)");

        row("put_binary short of a field", "", lines({"put_binary 100:10"}),
            R"(^\r\nERROR: put_binary needs address:size:checksum\r\n>$)");
        row("put_binary past the ROM end", "", lines({"put_binary 8388600:9:1"}),
            R"(^\r\nERROR: put_binary area does not fit the ROM\r\n>$)");
        row("ROM packets one byte a read", "", bytewise, R"(^(\r\n>){3}$)",
            "rom-001000.bin=" + file);
        row("empty ROM file complete at once", "", romTransfer(""), R"(^\r\n>$)",
            "rom-001000.bin=");
        row("ROM packet out of sequence", "", refusedPacket(RomPacket::frame(noise(20), 1)),
            R"(^\r\n>\r\nERROR: ROM transfer: packet 0: sequence 1\r\npong\r\n>$)");
        row("ROM data byte changed, the rest of the stream dropped", "",
            refusedPacket(badByte + RomPacket::frame(noise(20), 0)),
            R"(^\r\n>\r\nERROR: ROM transfer: packet 0: Fletcher bytes do not match)"
            R"(\r\npong\r\n>$)");
        row("ROM file checksum differs", "", refusedPacket(RomPacket::frame(noise(19) + 'q', 0)),
            R"(^\r\n>\r\nERROR: ROM transfer: file checksum \d+, announced \d+\r\npong\r\n>$)");

        row("fault noise-packet", "noise-packet=2", romTransfer(QByteArray(30, 'r'), 10),
            R"(^(\r\n>){2}\r\n[^\x00\r\n>]{32}\r\n>\r\n>$)",
            "rom-001000.bin=" + QByteArray(30, 'r'));
        row("fault long-line", "long-line=1", lines({"ping", "ping"}),
            R"(^(?:[^\n]{1024}){1024}\r\npong\r\n>\r\npong\r\n>$)");
    }

    void exchange()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, wire);
        QFETCH(QByteArray, stored);
        Harness h(fault.isEmpty() ? QStringList() : QStringList{"--fault", fault});
        for (const QByteArray &chunk : chunks) {
            h.session->feed(chunk);
            // A program running during a transfer: its rows stay out of the binary exchange.
            if (h.session->mode() == ConsoleSession::Mode::Binary)
                h.tube->startProgram(3);
        }
        QVERIFY2(QRegularExpression(wire).match(QString::fromLatin1(h.wire)).hasMatch(),
                 h.wire.left(300).data());
        QByteArray files;
        for (const QString &name : QDir(h.romDir.path()).entryList(QDir::Files))
            files += name.toLatin1() + '=' + HexTestFiles::readFile(h.romDir.filePath(name));
        QCOMPARE(files, stored);
    }

    // A slow board delays its answers, not the rows; a program however short shows every row
    // form the control center reads, then MACRO_DONE; a stopped brew ends without either.
    void programRowsFollowTheReply()
    {
        Harness h({"--fault", "slow=300", "--program-seconds", "0.1"});
        const QByteArray reply = h.say("/em 10");
        QVERIFY(reply.startsWith("\r\nRunning program 10 \"1.0 Liter Flush\"\r\n>\r\nIO ["));
        QCOMPARE(h.delays.first(), 300ms);
        QCOMPARE(h.delays.last(), 0ms);
        QCOMPARE(h.say("/em 3"), QByteArray("ERROR: busy with macro 10\r\n>"));
        for (int step = 0; step < 3; ++step)
            h.tube->advance(100ms);
        QVERIFY(h.wire.endsWith("\r\nMACRO_DONE\r\n"));
        QSet<QString> forms;
        for (const QByteArray &row : (reply + h.wire).split('\n')) {
            if (row.startsWith("IO ["))
                forms << TBRowParser::parse(row, false).trace.section(' ', 0, 0);
        }
        QCOMPARE(forms, (QSet<QString>{"TBMacro", "TBHeater", "TBEnd", "TBRun", "TBObj"}));

        // The rows closed the prompt line, so the next reply needs no line end before it.
        const QByteArray brew = "tb4 2:100:98:97:60:108:10:45:6:90:3:50:\"Espresso\"";
        QVERIFY(h.say(brew).startsWith("Brewing"));
        bool ended = false;
        QObject::connect(h.tube.get(), &TubeSimulation::brewEnded, [&ended] { ended = true; });
        QVERIFY(h.say("stop").contains("Stopped macro 998\r\n>"));
        h.tube->advance(1000ms);
        QVERIFY(!h.wire.contains("MACRO_DONE") && !ended);
    }
    // Without options everything stays on loopback.
    void defaultsStayOnLoopback()
    {
        QVERIFY(SimOptions::parse({"vorne-boardsim"}, &options, &message, &exitCode));
        const BoardConfig &board = options.boards.first();
        QVERIFY(board.listenAddress.isLoopback() && board.udpTarget.isLoopback());
        QVERIFY(board.connectHost.isEmpty());
        QCOMPARE(board.identity.ipText(), QStringLiteral("127.0.0.1"));
    }

    // Boards of a count take consecutive ports and a MAC and name of their own.
    void boardsOfACount()
    {
        QVERIFY(SimOptions::parse({"vorne-boardsim", "--count", "2", "--listen", "127.0.0.1:4000"},
                                  &options, &message, &exitCode));
        const BoardConfig &second = options.boards.at(1);
        QCOMPARE(second.listenPort, quint16(4001));
        QCOMPARE(second.identity.macText() + ' ' + second.identity.name, "00564f524e02 SimTube-2");
    }

    // send_macro hands the stored program's lines to the board's UDP macro packets.
    void macroAskedFor()
    {
        Harness h;
        QSignalSpy macro(h.commands.get(), &BoardCommands::macroRequested);
        h.say("send_macro 10");
        QCOMPARE(macro.count(), 1);
        QVERIFY(macro.first().first().toStringList().size() > 1);
    }

    // A wrong option fails with exit code 2 instead of starting a board unlike the one asked
    // for, one row per option; the options that work are used by the tests that run it.
    void wrongOptionRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown board type") << QStringList{"--type", "sensor"};
        QTest::newRow("listen without port") << QStringList{"--listen", "127.0.0.1"};
        QTest::newRow("listen on a host name") << QStringList{"--listen", "example.org:23"};
        QTest::newRow("MAC with a first byte") << QStringList{"--mac", "01564f524e01"};
        QTest::newRow("name with a bar") << QStringList{"--name", "a|b"};
        QTest::newRow("ports past 65535")
            << QStringList{"--count", "3", "--listen", "127.0.0.1:65534"};
        QTest::newRow("program of no time") << QStringList{"--program-seconds", "0"};
        QTest::newRow("unknown fault") << QStringList{"--fault", "explode=1"};
        QTest::newRow("flood too large") << QStringList{"--fault", "long-line=1000"};
        QTest::newRow("unknown option") << QStringList{"--bogus"};
    }

    void wrongOptionRefused()
    {
        QFETCH(QStringList, arguments);
        QVERIFY(!SimOptions::parse(QStringList{"vorne-boardsim"} + arguments, &options, &message,
                                   &exitCode));
        QCOMPARE(exitCode, 2);
        QVERIFY(message.startsWith(QLatin1String("vorne-boardsim: ")));
    }

    // The datagrams, byte for byte: each is one line of the shared table (whose decoding the
    // decoder test checks) with CR LF, so the board says what it means.
    void datagramsAreTheTablesLines()
    {
        UdpPacketWriter writer({BoardKind::Tube,
                                {0x00, 0x56, 0x4F, 0x52, 0x4E, 0x01},
                                "SimTube",
                                "71405",
                                "190918",
                                0xC0A80114});
        TubeSample s;
        s.state = 4;
        s.tempIn = 166.66666;
        s.tempH1 = 91.25;
        s.currVol = 450;
        s.targVol = 12345678;
        s.macro = 998;
        s.eta = 125;
        s.thermosId = 3;
        BrewEvent brew{3, 194, "2:100:98", "Big \"Brew\": one"};
        QList<QByteArray> datagrams{writer.announce(), writer.telemetry(s)};
        datagrams << writer.object(323, 920) << writer.brewStart(brew);
        brew.timeValue = 50;
        datagrams << writer.brewEnd(brew) << writer.macroLines({"MACRO 10", "SET: 92", "END"});
        QCOMPARE(writer.lastCounter(), 5); // macro lines are not counted
        QCOMPARE(datagrams.size(), UdpLines::simulatedTube().size());
        for (int i = 0; i < datagrams.size(); ++i)
            QCOMPARE(datagrams.at(i), UdpLines::simulatedTube().at(i).text.toLatin1() + "\r\n");
    }
};

QTEST_GUILESS_MAIN(TestBoardSim)
#include "tst_boardsim.moc"
