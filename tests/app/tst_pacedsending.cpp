#include "pacedsending.h"

#include <QtTest>

// Paced sending: the first sendable line at once, each further one after a reply.
class TestPacedSending : public QObject
{
    Q_OBJECT
private slots:
    void run_data();
    void run();
    void newRunReplacesOldQueue();
    void notPacedSendsNothing();
};

Q_DECLARE_METATYPE(PacedSending::FirstLine)

void TestPacedSending::run_data()
{
    using F = PacedSending::FirstLine;
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<PacedSending::FirstLine>("rule");
    QTest::addColumn<QStringList>("sent"); // first line, then one per reply until null
    const auto row = [](const char *name, const QStringList &lines, F rule,
                        const QStringList &sent) { QTest::newRow(name) << lines << rule << sent; };
    row("script a, blank, comment, b", {"a", "", "#comment", "b"}, F::Command, {"a\r\n", "b\r\n"});
    row("comments and blank lines before, between", {"# first", "", "   ", "led 1", "#x", "led 0"},
        F::Command, {"led 1\r\n", "led 0\r\n"});
    row("only comments and blanks send nothing", {"#a", " ", "", "  # b"}, F::Command, {});
    row("script lines with CR LF sent with one CR LF", {"a\r", "b\r", ""}, F::Command,
        {"a\r\n", "b\r\n"});
    row("first line keeps its blanks, later lines are trimmed", {"  a  ", "  b  "}, F::Command,
        {"  a  \r\n", "b\r\n"});
    row("empty hotkey sends nothing", {""}, F::Command, {});
    row("hotkey definition may go first in a selection", {"#hotkey3|Beep|do_beep 1", "stop"},
        F::CommandOrHotkeyDefinition, {"#hotkey3|Beep|do_beep 1\r\n", "stop\r\n"});
    row("hotkey definition is a comment in send all", {"#hotkey3|Beep|do_beep 1", "stop"},
        F::Command, {"stop\r\n"});
    row("hotkey definition skipped after the first line", {"a", "#hotkey3|Beep|do_beep 1"},
        F::CommandOrHotkeyDefinition, {"a\r\n"});
}

void TestPacedSending::run()
{
    QFETCH(QStringList, lines);
    QFETCH(PacedSending::FirstLine, rule);
    QFETCH(QStringList, sent);
    QStringList queue;
    int index = 0;
    bool paced = false;
    QStringList got;
    for (QString line = PacedSending::start(lines, rule, queue, index, paced); !line.isNull();
         line = PacedSending::next(queue, index, paced))
        got << line;
    QCOMPARE(got, sent);
    QVERIFY(!paced);
    // Further replies after the end send nothing.
    QVERIFY(PacedSending::next(queue, index, paced).isNull());
}

void TestPacedSending::newRunReplacesOldQueue()
{
    QStringList queue;
    int index = 0;
    bool paced = false;
    const auto command = PacedSending::FirstLine::Command;
    QCOMPARE(PacedSending::start({"a", "b", "c"}, command, queue, index, paced), "a\r\n");
    QVERIFY(paced);
    QCOMPARE(PacedSending::start({"x", "y"}, command, queue, index, paced), "x\r\n");
    QCOMPARE(PacedSending::next(queue, index, paced), QStringLiteral("y\r\n"));
    QVERIFY(PacedSending::next(queue, index, paced).isNull());
}

void TestPacedSending::notPacedSendsNothing()
{
    QStringList queue{"a", "b"};
    int index = 0;
    bool paced = false;
    QVERIFY(PacedSending::next(queue, index, paced).isNull());
    QCOMPARE(index, 0);
}

QTEST_APPLESS_MAIN(TestPacedSending)
#include "tst_pacedsending.moc"
