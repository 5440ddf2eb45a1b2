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
    using Chunks = QList<QByteArray>;
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("rest");
    const auto row = [](const char *name, const Chunks &chunks, const QStringList &lines,
                        const QByteArray &rest) { QTest::newRow(name) << chunks << lines << rest; };
    row("two lines and half a third", {"one\ntwo\nthr"}, {"one", "two"}, "thr");
    row("half line completed by the next chunk", {"one\ntwo\nthr", "ee\n"}, {"one", "two", "three"},
        {});
    row("CR LF ending loses the CR", {"ok\r\n"}, {"ok"}, {});
    row("CR and LF split across chunks", {"ok\r", "\n"}, {"ok"}, {});
    row("NUL becomes a space", {QByteArray("a\0b\n", 4)}, {"a b"}, {});
    row("CR inside a line removed", {"a\rb\n"}, {"ab"}, {});
    row("empty line is a line", {"\n\n"}, {"", ""}, {});
    row("no line feed no line", {"partial"}, {}, "partial");
    row("byte by byte", {"h", "i", "\r", "\n", "x"}, {"hi"}, "x");
    row("Latin-1 byte read as one character", {"K\xf6ln\n"}, {QString::fromUtf8("K\u00f6ln")}, {});

    const int limit = ConsoleLine::kMaxLineBytes;
    const QString full(limit, QLatin1Char('x'));
    row("line of exactly the limit kept whole", {QByteArray(limit, 'x'), "\n"}, {full}, {});
    row("over-long line cut at the limit", {QByteArray(3 * limit + 5, 'x') + "\nok\n"},
        {full, full, full, "xxxxx", "ok"}, {});
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

QTEST_APPLESS_MAIN(TestConsoleLine)
#include "tst_consoleline.moc"
