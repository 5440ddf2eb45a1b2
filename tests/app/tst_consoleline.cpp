#include "consoleline.h"

#include <QtTest>

// Console lines: the wire bytes of a command and the cutting of received bytes into lines.
class TestConsoleLine : public QObject
{
    Q_OBJECT
private slots:
    void encode_data();
    void encode();
    void cutting_data();
    void cutting();
    void overLongLineIsCut();
    void lineOfExactlyTheLimitIsKept();
};

void TestConsoleLine::encode_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("plain command gets CR LF") << "stop" << QByteArray("stop\r\n");
    QTest::newRow("own CR LF is not doubled") << "stop\r\n" << QByteArray("stop\r\n");
    QTest::newRow("CR and LF inside removed") << "led\r 1\n" << QByteArray("led 1\r\n");
    QTest::newRow("LF only ending") << "restart\n" << QByteArray("restart\r\n");
    QTest::newRow("empty command is a bare line end") << "" << QByteArray("\r\n");
    QTest::newRow("Latin-1 one byte per character")
        << QString::fromUtf8("set_name K\u00f6ln") << QByteArray("set_name K\xf6ln\r\n");
    QTest::newRow("leading blanks kept") << "  do_beep 1" << QByteArray("  do_beep 1\r\n");
}

void TestConsoleLine::encode()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, wire);
    QCOMPARE(ConsoleLine::encode(command), wire);
}

void TestConsoleLine::cutting_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("rest");
    QTest::newRow("two lines and half a third")
        << QList<QByteArray>{"one\ntwo\nthr"} << QStringList{"one", "two"} << QByteArray("thr");
    QTest::newRow("half line completed by the next chunk")
        << QList<QByteArray>{"one\ntwo\nthr", "ee\n"} << QStringList{"one", "two", "three"}
        << QByteArray();
    QTest::newRow("CR LF ending loses the CR")
        << QList<QByteArray>{"ok\r\n"} << QStringList{"ok"} << QByteArray();
    QTest::newRow("CR and LF split across chunks")
        << QList<QByteArray>{"ok\r", "\n"} << QStringList{"ok"} << QByteArray();
    QTest::newRow("NUL becomes a space")
        << QList<QByteArray>{QByteArray("a\0b\n", 4)} << QStringList{"a b"} << QByteArray();
    QTest::newRow("CR inside a line removed")
        << QList<QByteArray>{"a\rb\n"} << QStringList{"ab"} << QByteArray();
    QTest::newRow("empty line is a line")
        << QList<QByteArray>{"\n\n"} << QStringList{"", ""} << QByteArray();
    QTest::newRow("no line feed no line")
        << QList<QByteArray>{"partial"} << QStringList{} << QByteArray("partial");
    QTest::newRow("byte by byte") << QList<QByteArray>{"h", "i", "\r", "\n", "x"}
                                  << QStringList{"hi"} << QByteArray("x");
    QTest::newRow("Latin-1 byte read as one character")
        << QList<QByteArray>{"K\xf6ln\n"} << QStringList{QString::fromUtf8("K\u00f6ln")}
        << QByteArray();
}

void TestConsoleLine::cutting()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, rest);
    QByteArray buffer;
    QStringList got;
    for (const QByteArray &chunk : chunks) {
        buffer.append(chunk);
        QString line;
        while (ConsoleLine::takeLine(buffer, &line))
            got << line;
        QVERIFY(!ConsoleLine::hasLine(buffer));
    }
    QCOMPARE(got, lines);
    QCOMPARE(buffer, rest);
}

void TestConsoleLine::overLongLineIsCut()
{
    const int limit = ConsoleLine::kMaxLineBytes;
    QByteArray buffer(3 * limit + 5, 'x');
    buffer.append("\nok\n");
    QStringList got;
    QString line;
    while (ConsoleLine::takeLine(buffer, &line))
        got << line;
    QCOMPARE(got.size(), 5);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(got.at(i).size(), limit);
    QCOMPARE(got.at(3), QString(5, QLatin1Char('x')));
    QCOMPARE(got.at(4), QStringLiteral("ok"));
    QVERIFY(buffer.isEmpty());
}

void TestConsoleLine::lineOfExactlyTheLimitIsKept()
{
    QByteArray buffer(ConsoleLine::kMaxLineBytes, 'y');
    QVERIFY(!ConsoleLine::hasLine(buffer));
    buffer.append('\n');
    QString line;
    QVERIFY(ConsoleLine::takeLine(buffer, &line));
    QCOMPARE(line.size(), ConsoleLine::kMaxLineBytes);
    QVERIFY(buffer.isEmpty());
}

QTEST_APPLESS_MAIN(TestConsoleLine)
#include "tst_consoleline.moc"
