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

    QTest::newRow("script a, blank, comment, b")
        << QStringList{"a", "", "#comment", "b"} << F::Command << QStringList{"a\r\n", "b\r\n"};
    QTest::newRow("comments, blanks and two commands")
        << QStringList{"# first", "", "   ", "led 1", "#x", "led 0"} << F::Command
        << QStringList{"led 1\r\n", "led 0\r\n"};
    QTest::newRow("only comments and blanks send nothing")
        << QStringList{"#a", " ", "", "  # b"} << F::Command << QStringList{};
    QTest::newRow("script lines with CR LF sent with one CR LF")
        << QStringList{"a\r", "b\r", ""} << F::Command << QStringList{"a\r\n", "b\r\n"};
    QTest::newRow("first line keeps its blanks, later lines are trimmed")
        << QStringList{"  a  ", "  b  "} << F::Command << QStringList{"  a  \r\n", "b\r\n"};
    QTest::newRow("hotkey parts with empty and comment parts")
        << QStringList{"led 1", "", "#off", "led 0"} << F::Command
        << QStringList{"led 1\r\n", "led 0\r\n"};
    QTest::newRow("empty hotkey sends nothing") << QStringList{""} << F::Command << QStringList{};
    QTest::newRow("hotkey definition may go first in a selection")
        << QStringList{"#hotkey3|Beep|do_beep 1", "stop"} << F::CommandOrHotkeyDefinition
        << QStringList{"#hotkey3|Beep|do_beep 1\r\n", "stop\r\n"};
    QTest::newRow("hotkey definition is a comment in send all")
        << QStringList{"#hotkey3|Beep|do_beep 1", "stop"} << F::Command << QStringList{"stop\r\n"};
    QTest::newRow("hotkey definition skipped after the first line")
        << QStringList{"a", "#hotkey3|Beep|do_beep 1"} << F::CommandOrHotkeyDefinition
        << QStringList{"a\r\n"};
    QTest::newRow("single line") << QStringList{"stop"} << F::Command << QStringList{"stop\r\n"};
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
    QString line = PacedSending::start(lines, rule, queue, index, paced);
    while (!line.isNull()) {
        got << line;
        line = PacedSending::next(queue, index, paced);
    }
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
    QCOMPARE(
        PacedSending::start({"a", "b", "c"}, PacedSending::FirstLine::Command, queue, index, paced),
        QStringLiteral("a\r\n"));
    QVERIFY(paced);
    QCOMPARE(PacedSending::start({"x", "y"}, PacedSending::FirstLine::Command, queue, index, paced),
             QStringLiteral("x\r\n"));
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
