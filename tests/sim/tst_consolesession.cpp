#include "boardcommands.h"
#include "boardidentity.h"
#include "consolesession.h"
#include "fletcher16.h"
#include "hextestfiles.h"
#include "romtestpacket.h"
#include "tubesimulation.h"

#include <QtTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(ConsoleSession::Mode)

namespace {

// A board's commands and tube with one console session, its output collected.
struct Harness
{
    explicit Harness(const FaultPlan &faults = FaultPlan())
        : tube(1000ms, 250ms)
    {
        identity.mac = {0x00, 0x56, 0x4F, 0x52, 0x4E, 0x01};
        identity.name = QStringLiteral("SimTube");
        identity.hw = QStringLiteral("71405");
        identity.sw = QStringLiteral("190918");
        commands = std::make_unique<BoardCommands>(identity, &tube);
        ConsoleSession::Settings settings;
        settings.faults = faults;
        settings.flashTime = 50ms;
        settings.romDir = romDir.path();
        session = std::make_unique<ConsoleSession>(commands.get(), settings);
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

    QByteArray fileContents(const QString &name) const
    {
        QFile file(QDir(romDir.path()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir romDir;
    BoardIdentity identity;
    TubeSimulation tube;
    std::unique_ptr<BoardCommands> commands;
    std::unique_ptr<ConsoleSession> session;
    QByteArray wire;
    QList<std::chrono::milliseconds> delays;
    bool closeRequested = false;
};

QByteArray reply(const QByteArrayList &lines, const QByteArray &prompt = ">")
{
    QByteArray bytes = "\r\n";
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes + prompt;
}

const QByteArray kRecipe = "2:100:98:98:60:108:10:45:6:90:3:50:\"Espresso\"";

} // namespace

class TestConsoleSession : public QObject
{
    Q_OBJECT
private slots:
    void greeting();
    void commandReply_data();
    void commandReply();
    void configDumpFramesTheSettings();
    void linesAreCutAtLineFeed();
    void overlongLineIsRefused();
    void programRowsFollowTheReply();
    void bootloaderTakesAFirmware();
    void bootloaderRefuses_data();
    void bootloaderRefuses();
    void quitInTheConsoleIsSilent();
    void romFileArrives();
    void romEmptyFileArrives();
    void romBadPacketStopsTheTransfer();
    void faultDropAfter();
    void faultSlowDelaysAnswersOnly();
    void faultLongLine();
    void faultNoisePacket();
};

void TestConsoleSession::greeting()
{
    Harness h;
    QByteArray wire;
    QObject::connect(h.session.get(), &ConsoleSession::output,
                     [&wire](const QByteArray &bytes) { wire += bytes; });
    h.session->start(QStringLiteral("VORNE|TUBE|HW:71405:"));
    QCOMPARE(wire, QByteArray("VORNE|TUBE|HW:71405:\r\n>"));
    QCOMPARE(h.say("ping"), reply({"pong"}));
}

void TestConsoleSession::commandReply_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArrayList>("lines");

    QTest::newRow("debug level set")
        << QByteArray("debug_level 128") << QByteArrayList{"Debug level 128"};
    QTest::newRow("debug level out of range") << QByteArray("debug_level 256")
                                              << QByteArrayList{"ERROR: debug_level needs a "
                                                                "number 0 to 255"};
    QTest::newRow("beep") << QByteArray("do_beep 62415") << QByteArrayList{"BEEP 62415"};
    QTest::newRow("ping") << QByteArray("ping") << QByteArrayList{"pong"};
    QTest::newRow("stop while idle")
        << QByteArray("stop") << QByteArrayList{"Stopped, nothing was running"};
    QTest::newRow("boot macro") << QByteArray("run_boot_macro")
                                << QByteArrayList{"Boot macro executed"};
    QTest::newRow("M2M reset") << QByteArray("mqtt_rest")
                               << QByteArrayList{"M2M settings reset to default"};
    QTest::newRow("restart") << QByteArray("restart") << QByteArrayList{"Restarting board"};
    QTest::newRow("empty line gets the prompt") << QByteArray("") << QByteArrayList();
    QTest::newRow("unknown command") << QByteArray("frobnicate 3")
                                     << QByteArrayList{"ERROR: unknown command \"frobnicate\" "
                                                       "(help lists them)"};
    QTest::newRow("program number 0") << QByteArray("/em 0")
                                      << QByteArrayList{"ERROR: /em needs a program number 1 "
                                                        "to 255"};
    QTest::newRow("recipe saved") << "save_recipe " + kRecipe
                                  << QByteArrayList{"Recipe 2 saved: \"Espresso\""};
    QTest::newRow("recipe without quotes") << QByteArray("save_recipe 1:2:3:4:5:6:7:8:9:1:2:3:x")
                                           << QByteArrayList{"ERROR: recipe name must stand in "
                                                             "double quotes"};
    QTest::newRow("recipe with a letter") << QByteArray("tb4 1:2:3:4:x:6:7:8:9:1:2:3:\"a\"")
                                          << QByteArrayList{"ERROR: recipe field 5 is not a "
                                                            "number"};
    QTest::newRow("no recipes stored")
        << QByteArray("list_recipes") << QByteArrayList{"0 recipes stored"};
    QTest::newRow("CAN node out of range") << QByteArray("can_bl 8")
                                           << QByteArrayList{"ERROR: can_bl needs a CAN node 0 "
                                                             "to 7"};
    QTest::newRow("put_binary short of a field") << QByteArray("put_binary 100:10")
                                                 << QByteArrayList{"ERROR: put_binary needs "
                                                                   "address:size:checksum"};
    QTest::newRow("macro over UDP")
        << QByteArray("send_macro 10") << QByteArrayList{"Sending macro 10 by UDP"};
}

void TestConsoleSession::commandReply()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArrayList, lines);
    Harness h;
    QCOMPARE(h.say(command), reply(lines));
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Console);
}

void TestConsoleSession::configDumpFramesTheSettings()
{
    Harness h;
    h.say("debug_level 128");
    h.say("save_recipe " + kRecipe);
    const QByteArrayList lines = h.say("print_tb_config").split('\n');
    QCOMPARE(lines.at(1), QByteArray("TUBE CONFIG_START [MAC:00564f524e01]\r"));
    QVERIFY(lines.contains("DEBUG_LEVEL:128\r"));
    QVERIFY(lines.contains("RECIPE 2:" + kRecipe + '\r'));
    QCOMPARE(lines.at(lines.size() - 2), QByteArray("CONFIG_END\r"));
    QCOMPARE(lines.last(), QByteArray(">"));
}

void TestConsoleSession::linesAreCutAtLineFeed()
{
    Harness h;
    h.session->feed("pi");
    h.session->feed("ng\r");
    QVERIFY(h.wire.isEmpty());
    h.session->feed(QByteArray("\nping\ndebug_level\0"
                               "7\n",
                               20));
    QCOMPARE(h.wire, reply({"pong"}) + reply({"pong"}) + reply({"Debug level 7"}));
}

void TestConsoleSession::overlongLineIsRefused()
{
    Harness h;
    h.session->feed(QByteArray(ConsoleSession::kMaxLineLength + 1, 'a'));
    h.session->feed(QByteArray(10000, 'b'));
    QVERIFY(h.wire.isEmpty());
    h.session->feed("bbb\n");
    QCOMPARE(h.wire, reply({"ERROR: line too long"}));
    QCOMPARE(h.say("ping"), reply({"pong"}));
}

void TestConsoleSession::programRowsFollowTheReply()
{
    Harness h;
    const QByteArray wire = h.say("/em 10");
    QVERIFY(wire.startsWith("\r\nRunning program 10 \"1.0 Liter Flush\"\r\n>\r\nIO ["));
    QCOMPARE(h.say("/em 3"), QByteArray("ERROR: busy with macro 10\r\n>"));
    h.wire.clear();
    h.tube.advance(1000ms);
    QVERIFY(h.wire.endsWith("\r\nMACRO_DONE\r\n"));
    // The rows closed the prompt line, so the next reply needs no line end before it.
    QCOMPARE(h.say("/em 3").left(24), QByteArray("Running program 3 \"0.25 "));
}

void TestConsoleSession::bootloaderTakesAFirmware()
{
    Harness h;
    QCOMPARE(h.say("bl"), QByteArray("\r\nBL>"));
    const QByteArrayList records{":020000040800F2", HexTestFiles::record(0, 0, "abc"),
                                 HexTestFiles::record(5, 0, QByteArray::fromHex("08000131")),
                                 ":00000001FF"};
    for (const QByteArray &record : records)
        QCOMPARE(h.say(record), QByteArray("\r\nBL>"));
    // A matching checksum: silence while the board flashes, then the report.
    QCOMPARE(h.say("$19495"), QByteArray());
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Flashing);
    QCOMPARE(h.fileContents("flash-board.bin"), QByteArray("abc"));
    QTRY_COMPARE(h.wire, reply({"Flash written: 3 bytes, checksum 19495 OK"}));
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Console);
}

void TestConsoleSession::bootloaderRefuses_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("lastReply");
    QTest::addColumn<ConsoleSession::Mode>("mode");

    const QByteArray eof = ":00000001FF";
    const QByteArray abc = HexTestFiles::record(0, 0, "abc");
    QTest::newRow("record with a checksum error")
        << QByteArray("bl") << QByteArrayList{":0300000061626300"}
        << reply({"ERROR: record 1: record checksum error"}, "BL>")
        << ConsoleSession::Mode::Bootloader;
    QTest::newRow("text that is no record")
        << QByteArray("bl") << QByteArrayList{abc, "hello"}
        << reply({"ERROR: record 2: record does not start with ':'"}, "BL>")
        << ConsoleSession::Mode::Bootloader;
    QTest::newRow("checksum that does not match")
        << QByteArray("can_bl 2") << QByteArrayList{abc, eof, "$19494"}
        << reply({"ERROR: checksum 19494 does not match the image's 19495"})
        << ConsoleSession::Mode::Console;
    QTest::newRow("checksum before the end of file")
        << QByteArray("bl") << QByteArrayList{abc, "$19495"}
        << reply({"ERROR: no end-of-file record before the checksum"})
        << ConsoleSession::Mode::Console;
    QTest::newRow("checksum that is no number")
        << QByteArray("bl") << QByteArrayList{abc, eof, "$x"}
        << reply({"ERROR: \"$x\" is no 16-bit checksum"}) << ConsoleSession::Mode::Console;
    QTest::newRow("quit leaves at once") << QByteArray("bl") << QByteArrayList{abc, "q"}
                                         << reply({}) << ConsoleSession::Mode::Console;
    QTest::newRow("empty line gets the bootloader prompt")
        << QByteArray("bl") << QByteArrayList{""} << reply({}, "BL>")
        << ConsoleSession::Mode::Bootloader;
}

void TestConsoleSession::bootloaderRefuses()
{
    QFETCH(QByteArray, start);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, lastReply);
    QFETCH(ConsoleSession::Mode, mode);
    Harness h;
    QCOMPARE(h.say(start), QByteArray("\r\nBL>"));
    QByteArray last;
    for (const QByteArray &line : lines)
        last = h.say(line);
    QCOMPARE(last, lastReply);
    QCOMPARE(h.session->mode(), mode);
    QVERIFY(QDir(h.romDir.path()).isEmpty());
}

void TestConsoleSession::quitInTheConsoleIsSilent()
{
    Harness h;
    QCOMPARE(h.say("q"), QByteArray());
    QCOMPARE(h.say("ping"), reply({"pong"}));
}

void TestConsoleSession::romFileArrives()
{
    Harness h;
    QByteArray file;
    for (int i = 0; i < 241; ++i)
        file.append(char(i * 13));
    const QByteArray command =
        QByteArray("put_binary 4096:241:") + QByteArray::number(Fletcher16::of(file));
    QCOMPARE(h.say(command), QByteArray("\r\n>"));
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Binary);
    h.wire.clear();
    h.session->feed(romTestPacket(file.left(240), 0));
    QCOMPARE(h.wire, QByteArray("\r\n>"));
    h.tube.startProgram(3); // rows of a running program stay out of the transfer
    h.wire.clear();
    h.session->feed(romTestPacket(file.mid(240), 1));
    QCOMPARE(h.wire, QByteArray("\r\n>"));
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Console);
    QCOMPARE(h.fileContents("rom-001000.bin"), file);
}

void TestConsoleSession::romEmptyFileArrives()
{
    Harness h;
    QCOMPARE(h.say("put_binary 100:0:0"), QByteArray("\r\n>"));
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Console);
    QCOMPARE(h.fileContents("rom-000064.bin"), QByteArray());
}

void TestConsoleSession::romBadPacketStopsTheTransfer()
{
    Harness h;
    h.say("put_binary 4096:10:1234");
    QByteArray packet = romTestPacket("0123456789", 0);
    packet[6] = 'X';
    h.wire.clear();
    h.session->feed(packet + romTestPacket("0123456789", 1));
    // An error line and no prompt, so the sender does not go on.
    QCOMPARE(h.wire, QByteArray("\r\nERROR: ROM transfer: packet 0: Fletcher bytes do not "
                                "match\r\n"));
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Console);
    QCOMPARE(h.say("ping"), QByteArray("pong\r\n>"));
    QVERIFY(QDir(h.romDir.path()).isEmpty());
}

void TestConsoleSession::faultDropAfter()
{
    FaultPlan faults;
    faults.dropAfter = 2;
    Harness h(faults);
    h.say("ping");
    QVERIFY(!h.closeRequested);
    h.session->feed("ping\r\nping\r\n");
    QVERIFY(h.closeRequested);
    QCOMPARE(h.wire, reply({"pong"}) + reply({"pong"}));
    QCOMPARE(h.session->mode(), ConsoleSession::Mode::Closed);
}

void TestConsoleSession::faultSlowDelaysAnswersOnly()
{
    FaultPlan faults;
    faults.slow = 300ms;
    Harness h(faults);
    h.say("/em 3");
    QVERIFY(h.delays.size() > 2);
    QCOMPARE(h.delays.first(), 300ms);
    QCOMPARE(h.delays.last(), 0ms); // a program row
}

void TestConsoleSession::faultLongLine()
{
    FaultPlan faults;
    faults.longLineMiB = 1;
    Harness h(faults);
    const QByteArray first = h.say("ping");
    QCOMPARE(first.size(), 1024 * 1024 + reply({"pong"}).size());
    QVERIFY(!first.left(1024 * 1024).contains('\n'));
    QCOMPARE(h.say("ping"), reply({"pong"}));
}

void TestConsoleSession::faultNoisePacket()
{
    FaultPlan faults;
    faults.noisePacket = 2;
    Harness h(faults);
    const QByteArray file(30, 'r');
    h.say("put_binary 0:30:" + QByteArray::number(Fletcher16::of(file)));
    h.wire.clear();
    h.session->feed(romTestPacket(file.left(10), 0));
    QCOMPARE(h.wire, QByteArray("\r\n>"));
    h.wire.clear();
    h.session->feed(romTestPacket(file.mid(10, 10), 1));
    QCOMPARE(h.wire.size(), 2 + ConsoleSession::kNoiseLength + 3);
    const QByteArray noise = h.wire.mid(2, ConsoleSession::kNoiseLength);
    for (char forbidden : {'\0', '\r', '\n', '>'})
        QVERIFY(!noise.contains(forbidden));
    QVERIFY(h.wire.endsWith("\r\n>"));
    h.session->feed(romTestPacket(file.mid(20), 2));
    QCOMPARE(h.fileContents("rom-000000.bin"), file);
}

QTEST_GUILESS_MAIN(TestConsoleSession)
#include "tst_consolesession.moc"
