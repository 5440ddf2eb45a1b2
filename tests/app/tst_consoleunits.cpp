#include "boardannouncement.h"
#include "commandline.h"
#include "configdump.h"
#include "consolechannel.h"
#include "consoleline.h"
#include "consolelinecutter.h"
#include "consolepeer.h"
#include "pacedqueue.h"
#include "scriptloop.h"

#include <QTcpServer>
#include <QtTest>

Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

// A channel connected as client to a peer of the test, reading as the window does.
struct ClientChannel
{
    ClientChannel()
    {
        QObject::connect(&channel, &ConsoleChannel::readyRead, &channel,
                         &ConsoleChannel::readPending);
        if (server.listen(QHostAddress::LocalHost) &&
            channel.connectTo(QStringLiteral("127.0.0.1"), server.serverPort()) &&
            server.waitForNewConnection(3000))
            peer = server.nextPendingConnection();
    }
    // Starts a paced run of lines and sends its first line.
    void run(const QStringList &lines)
    {
        channel.send(channel.startQueue(lines, PacedQueue::FirstLine::Command));
    }

    ConsoleChannel channel;
    QSignalSpy lines{&channel, &ConsoleChannel::lineReceived};
    QSignalSpy progress{&channel, &ConsoleChannel::queueProgress};
    QSignalSpy finished{&channel, &ConsoleChannel::queueFinished};
    QTcpServer server;
    QTcpSocket *peer = nullptr;
};

QStringList texts(const QSignalSpy &spy)
{
    QStringList all;
    for (const QList<QVariant> &arguments : spy) {
        QStringList one;
        for (const QVariant &argument : arguments)
            one << argument.toString();
        all << one.join(QLatin1Char('/'));
    }
    return all;
}

} // namespace

// The console without a window: wire bytes, cutting received bytes into lines, board
// announcements, configuration dumps, paced script runs, the loop after a brew and the
// command line; then the connection against loopback peers: what goes on the wire, what
// comes back as lines, the pace of a script, replacing, losing and lending the connection.
class TestConsoleUnits : public QObject
{
    Q_OBJECT
private slots:
    void encode_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("plain command gets CR LF") << "stop" << QByteArray("stop\r\n");
        QTest::newRow("own CR LF is not doubled") << "stop\r\n" << QByteArray("stop\r\n");
        QTest::newRow("CR and LF inside removed") << "led\r 1\n" << QByteArray("led 1\r\n");
        QTest::newRow("empty command is a bare line end") << "" << QByteArray("\r\n");
        QTest::newRow("Latin-1 one byte per character")
            << QString::fromUtf8("set_name K\u00f6ln") << QByteArray("set_name K\xf6ln\r\n");
    }
    void encode()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, wire);
        QCOMPARE(ConsoleLine::encode(command), wire);
    }

    void cutting_data()
    {
        using Chunks = QList<QByteArray>;
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("rest");
        const auto row = [](const char *name, const Chunks &chunks, const QStringList &lines,
                            const QByteArray &rest) {
            QTest::newRow(name) << chunks << lines << rest;
        };
        row("half line completed by the next chunk", {"one\ntwo\nthr", "ee\n"},
            {"one", "two", "three"}, {});
        row("NUL becomes a space, CR inside removed", {QByteArray("a\0b\rc\n", 6)}, {"a bc"}, {});
        row("empty line is a line", {"\n\n"}, {"", ""}, {});
        row("byte by byte, CR and LF apart", {"h", "i", "\r", "\n", "x"}, {"hi"}, "x");
        row("Latin-1 byte read as one character", {"K\xf6ln\n"}, {QString::fromUtf8("K\u00f6ln")},
            {});
        const int limit = ConsoleLine::kMaxLineBytes;
        const QString full(limit, QLatin1Char('x'));
        row("line of exactly the limit kept whole", {QByteArray(limit, 'x'), "\n"}, {full}, {});
        row("over-long line cut at the limit", {QByteArray(3 * limit + 5, 'x') + "\nok\n"},
            {full, full, full, "xxxxx", "ok"}, {});
    }
    void cutting()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, rest);
        ConsoleLineCutter cutter;
        QStringList got;
        for (const QByteArray &chunk : chunks) {
            cutter.append(chunk);
            QString line;
            while (cutter.next(&line))
                got << line;
            cutter.compact();
        }
        QCOMPARE(got, lines);
        QCOMPARE(cutter.pending(), rest);
    }

    void burstOfShortLinesCutInLinearTime()
    {
        // Cutting each line off the front of the buffer moved the rest every time: 300,000
        // short lines took seconds, a million over a minute.
        const int count = 300000;
        QElapsedTimer timer;
        timer.start();
        ConsoleLineCutter cutter;
        cutter.append(QByteArray("ab\n").repeated(count));
        QString line;
        int lines = 0;
        while (cutter.next(&line))
            ++lines;
        QCOMPARE(lines, count);
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    }

    void announcement_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("device"); // type hw sw [name] mac ip, or "none"
        const auto row = [](const char *name, const char *line, const char *device) {
            QTest::newRow(name) << line << device;
        };
        row("tube board", "BOOT|1|HW:71405-2:x|SW:2.13:|NAME:tube one:|MAC:0011aabbccdd:|IP:0:",
            "2 71405-2 2.13 [tube one] 0011aabbccdd 1.1.1.1");
        row("unknown hardware is type 0",
            "a|b|HW:99:|SW:1:|NAME:m:|MAC:01:|X:", "0 99 1 [m] 01 1.1.1.1");
        row("tube id wins over main id",
            "a|b|HW:71401-71405:|SW:1:|NAME:m:|MAC:01:|X:", "2 71401-71405 1 [m] 01 1.1.1.1");
        row("value without closing colon runs to the end", "a|b|HW:71405|SW:7|NAME:n|MAC:02|X",
            "2 71405 7 [n] 02 1.1.1.1");
        row("fewer than seven fields ignored", "a|b|HW:71405:|SW:1:|NAME:n:|MAC:01:", "none");
        row("no marker ignored", "a|b|HW:71405:|SW:1:|NAME:n:|mac:01:|X:", "none");
    }
    void announcement()
    {
        QFETCH(QString, line);
        QFETCH(QString, device);
        const std::optional<Device> d = BoardAnnouncement::parse(line);
        QCOMPARE(d ? QStringLiteral("%1 %2 %3 [%4] %5 %6")
                         .arg(d->type)
                         .arg(d->hw, d->sw, d->name, d->mac, d->ip)
                   : QStringLiteral("none"),
                 device);
    }

    void configDump_data()
    {
        QTest::addColumn<QString>("lines"); // one per line of text
        QTest::addColumn<QString>("steps"); // Started, Collected, Finished or Other per line
        QTest::addColumn<QString>("text");  // the text when the last Finished came, or as left
        const auto row = [](const char *name, const QString &lines, const char *steps,
                            const QString &text) { QTest::newRow(name) << lines << steps << text; };
        row("dump of two lines", "xx CONFIG_START [MAC:0011AA]\na\nb\nCONFIG_END", "SCCF",
            "MAC:0011AA\r\na\r\nb\r\n");
        row("start in any letter case", "> config_start [mac:ff]\nx\nCONFIG_END", "SCF",
            "MAC:ff\r\nx\r\n");
        row("start needs text before CONFIG_START", "CONFIG_START [MAC:01]\nx", "OO", "");
        row("end with trailing blanks ends the dump", "> CONFIG_START [MAC:01]\nCONFIG_END   ",
            "SF", "MAC:01\r\n");
        row("lower-case end does not end the dump",
            "> CONFIG_START [MAC:01]\nconfig_end\nCONFIG_END", "SCF", "MAC:01\r\nconfig_end\r\n");
        row("new start restarts the collection",
            "> CONFIG_START [MAC:01]\nold\n> CONFIG_START [MAC:02]\n  new  \nCONFIG_END", "SCSCF",
            "MAC:02\r\nnew\r\n");
        row("announcement inside a dump not collected",
            "> CONFIG_START [MAC:01]\na|b|HW:1:|SW:1:|NAME:n:|MAC:01:|X:\nCONFIG_END", "SOF",
            "MAC:01\r\n");
        row("stray end does not deliver an old text",
            "> CONFIG_START [MAC:01]\na\nCONFIG_END\nCONFIG_END", "SCFO", "MAC:01\r\na\r\n");
        row("UTF-8 configuration text decoded",
            QString::fromLatin1("> CONFIG_START [MAC:01]\nname=K\xc3\xb6ln\nCONFIG_END"), "SCF",
            QString::fromUtf8("MAC:01\r\nname=K\u00f6ln\r\n"));
    }
    void configDump()
    {
        QFETCH(QString, lines);
        QFETCH(QString, steps);
        QFETCH(QString, text);
        using S = ConfigDump::Step;
        const QMap<S, QChar> letters = {
            {S::Started, 'S'}, {S::Collected, 'C'}, {S::Finished, 'F'}, {S::Other, 'O'}};
        ConfigDump dump;
        QString got;
        for (const QString &line : lines.split(QLatin1Char('\n')))
            got += letters.value(dump.take(line));
        QCOMPARE(got, steps);
        QCOMPARE(dump.text(), text);
    }

    void dumpWithoutEndIsDroppedPastItsLimit()
    {
        // A CONFIG_START never followed by CONFIG_END made the text grow with every line.
        ConfigDump dump;
        QCOMPARE(dump.take(QStringLiteral("> CONFIG_START [MAC:01]")), ConfigDump::Step::Started);
        const QString line(1000, QLatin1Char('k'));
        int collected = 0;
        while (dump.take(line) == ConfigDump::Step::Collected)
            ++collected;
        QCOMPARE(collected, ConfigDump::kMaxTextLength / 1002); // each line with its CR LF
        QVERIFY(dump.text().size() <= ConfigDump::kMaxTextLength);
        QCOMPARE(dump.take(QStringLiteral("CONFIG_END")), ConfigDump::Step::Other);
        // The next dump is collected as ever.
        QCOMPARE(dump.take(QStringLiteral("> CONFIG_START [MAC:02]")), ConfigDump::Step::Started);
        QCOMPARE(dump.take(QStringLiteral("CONFIG_END")), ConfigDump::Step::Finished);
    }

    void pacedRun_data()
    {
        using F = PacedQueue::FirstLine;
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("selection");   // a "#hotkey" line may go first
        QTest::addColumn<QStringList>("sent"); // first line, then one per reply until null
        const auto row = [](const char *name, const QStringList &lines, F rule,
                            const QStringList &sent) {
            QTest::newRow(name) << lines << (rule == F::CommandOrHotkeyDefinition) << sent;
        };
        row("comments and blank lines never sent", {"# first", "", "   ", "led 1", "#x", "led 0"},
            F::Command, {"led 1\r\n", "led 0\r\n"});
        row("only comments and blanks send nothing", {"#a", " ", "", "  # b"}, F::Command, {});
        row("lines with CR LF sent with one CR LF", {"a\r", "b\r", ""}, F::Command,
            {"a\r\n", "b\r\n"});
        row("first line keeps its blanks, later lines trimmed", {"  a  ", "  b  "}, F::Command,
            {"  a  \r\n", "b\r\n"});
        row("hotkey definition may go first in a selection", {"#hotkey3|Beep|do_beep 1", "stop"},
            F::CommandOrHotkeyDefinition, {"#hotkey3|Beep|do_beep 1\r\n", "stop\r\n"});
        row("hotkey definition is a comment in send all", {"#hotkey3|Beep|do_beep 1", "stop"},
            F::Command, {"stop\r\n"});
        row("hotkey definition skipped after the first line", {"a", "#hotkey3|B|x"},
            F::CommandOrHotkeyDefinition, {"a\r\n"});
    }
    void pacedRun()
    {
        QFETCH(QStringList, lines);
        QFETCH(bool, selection);
        QFETCH(QStringList, sent);
        using F = PacedQueue::FirstLine;
        PacedQueue queue;
        queue.start({"old", "lines", "dropped"}, F::Command);
        QStringList got;
        for (QString line =
                 queue.start(lines, selection ? F::CommandOrHotkeyDefinition : F::Command);
             !line.isNull(); line = queue.next()) {
            got << line;
            QCOMPARE(queue.sentCount(), got.size());
            QCOMPARE(queue.total(), sent.size());
        }
        QCOMPARE(got, sent);
        QVERIFY(!queue.isPaced());
        QVERIFY(queue.next().isNull()); // further replies send nothing
    }

    void loopWaitsOnlyAfterARun()
    {
        using namespace std::chrono_literals;
        ScriptLoop loop;
        QSignalSpy over(&loop, &ScriptLoop::waitOver);
        const auto states = [&loop](std::initializer_list<int> list, bool checked, auto wait) {
            for (int state : list)
                loop.tubeState(state, checked, wait);
        };
        // The box alone arms nothing; armed, states 4, 4, 2 start one wait of the chosen length.
        states({4, 2}, true, 15s);
        QVERIFY(!loop.waiting());
        loop.arm();
        states({4, 4, 2}, true, 15s);
        QCOMPARE(loop.waitInterval(), std::chrono::milliseconds(15000));
        // 2 afterwards starts nothing new; 4, 2 during the wait restart it with the new length.
        states({2}, true, 1s);
        QCOMPARE(loop.waitInterval(), std::chrono::milliseconds(15000));
        states({4, 2}, true, 1s);
        QCOMPARE(loop.waitInterval(), std::chrono::milliseconds(1000));
        QVERIFY(over.wait(3000));
        QVERIFY(!loop.waiting());
        // Unchecked box: no wait; disarming cancels a running one.
        states({4, 2}, false, 1s);
        QVERIFY(!loop.waiting());
        states({4, 2}, true, 1s);
        loop.disarm();
        QVERIFY(!loop.waiting());
        QVERIFY(!over.wait(1500));
    }

    void commandLine_data()
    {
        using A = CommandLine::Action;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("address"); // host:port to connect to
        QTest::newRow("no argument shows the window") << QStringList{} << A::ShowWindow << ":0";
        QTest::newRow("host alone: port 23") << QStringList{"h"} << A::Connect << "h:23";
        QTest::newRow("host and port") << QStringList{"h", "2323"} << A::Connect << "h:2323";
        QTest::newRow("port no number: 0") << QStringList{"b", "x"} << A::Connect << "b:0";
        QTest::newRow("port out of range: 0") << QStringList{"b", "70000"} << A::Connect << "b:0";
        QTest::newRow("three arguments do not connect")
            << QStringList{"a", "23", "x"} << A::ShowWindow << ":0";
        QTest::newRow("help") << QStringList{"--help"} << A::PrintHelp << ":0";
        QTest::newRow("short help") << QStringList{"-h"} << A::PrintHelp << ":0";
        QTest::newRow("help after a host") << QStringList{"b", "--help"} << A::PrintHelp << ":0";
        QTest::newRow("short version") << QStringList{"-v"} << A::PrintVersion << ":0";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, address);
        const CommandLine::Request request = CommandLine::parse(arguments);
        QCOMPARE(request.action, action);
        QCOMPARE(QStringLiteral("%1:%2").arg(request.address.host).arg(request.address.port),
                 address);
    }

    void linesBothWays()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        QSignalSpy sent(&c.channel, &ConsoleChannel::lineSent);
        c.channel.send(QStringLiteral("led\r\n 1"));
        QCOMPARE(readBytes(c.peer, 7), QByteArray("led 1\r\n"));
        QCOMPARE(texts(sent), QStringList{"led 1"});
        c.peer->write("one\r\ntw");
        QTRY_COMPARE(c.lines.size(), 1);
        c.peer->write("o\n");
        QTRY_COMPARE(texts(c.lines), (QStringList{"one", "two"}));
    }

    void pacedRunAdvancesOneLinePerReply()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        c.run({"a", "#note", "", "b", "c"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
        QCOMPARE(readBytes(c.peer, 1, 200), QByteArray()); // nothing before the board answers
        // Any arrival, even half a line, lets the next line go once no complete line is left.
        c.peer->write("ok\r\nha");
        QCOMPARE(readBytes(c.peer, 3), QByteArray("b\r\n"));
        c.peer->write("lf\n");
        QCOMPARE(readBytes(c.peer, 3), QByteArray("c\r\n"));
        QCOMPARE(texts(c.progress), (QStringList{"1/3", "2/3", "3/3"}));
        QCOMPARE(c.finished.size(), 1);
        c.peer->write("done\n");
        QCOMPARE(readBytes(c.peer, 1, 200), QByteArray());
    }

    void floodOfRepliesSendsTheNextLineOnceAllAreHandled()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        c.run({"a", "b", "c"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
        // More lines than one turn of the event loop handles.
        const int count = 3 * ConsoleChannel::kLinesPerTurn + 7;
        c.peer->write(QByteArray("r\n").repeated(count));
        QTRY_COMPARE(c.lines.size(), count);
        QCOMPARE(readBytes(c.peer, 100, 300), QByteArray("b\r\n"));
    }

    void acceptedBoardReplacesTheClient()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        QVERIFY(c.channel.listen(kServerPort));
        c.run({"a", "b"});
        QSignalSpy ended(&c.channel, &ConsoleChannel::disconnected);
        QSignalSpy accepted(&c.channel, &ConsoleChannel::accepted);
        connect(&c.channel, &ConsoleChannel::accepted, this, [&] { QCOMPARE(ended.size(), 1); });
        QTcpSocket board;
        board.connectToHost(QHostAddress::LocalHost, kServerPort);
        QVERIFY(accepted.wait(3000));
        QCOMPARE(ended.size(), 1); // the client's end was reported before the board came
        QTRY_COMPARE(c.peer->state(), QAbstractSocket::UnconnectedState);
        board.write("hello\n");
        QTRY_COMPARE(texts(c.lines), QStringList{"hello"});
        QCOMPARE(readBytes(&board, 100, 300), QByteArray()); // the old run does not go on here
        board.close();
        QVERIFY(ended.wait(3000));
        QVERIFY(!c.channel.isOpen());
    }

    void lentConnectionIsReadByTheBorrowerUntilGivenBack()
    {
        ClientChannel c;
        QVERIFY(c.peer);
        c.run({"a", "b"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("a\r\n"));
        QTcpSocket *borrowed = c.channel.lend();
        QVERIFY(borrowed);
        c.peer->write("BL>");
        QCOMPARE(readBytes(borrowed, 3), QByteArray("BL>"));
        c.peer->write("back\n");
        QTRY_COMPARE(borrowed->bytesAvailable(), qint64(5));
        QVERIFY(c.lines.isEmpty());
        // Given back: what waits is read at once and the run goes on.
        c.channel.takeBack();
        QCOMPARE(texts(c.lines), QStringList{"back"});
        QCOMPARE(readBytes(c.peer, 3), QByteArray("b\r\n"));
    }

    void failedConnectLeavesNoConnection()
    {
        ConsoleChannel channel;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QSignalSpy ended(&channel, &ConsoleChannel::disconnected);
        QSignalSpy sent(&channel, &ConsoleChannel::lineSent);
        QVERIFY(!channel.connectTo(QStringLiteral("127.0.0.1"), port));
        QVERIFY(!channel.errorString().isEmpty());
        channel.send(QStringLiteral("stop"));
        QCOMPARE(ended.size() + sent.size(), 0); // nothing was open, so nothing ended or went
        QVERIFY(!channel.lend());
    }
};

QTEST_GUILESS_MAIN(TestConsoleUnits)
#include "tst_consoleunits.moc"
