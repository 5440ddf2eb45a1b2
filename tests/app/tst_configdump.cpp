#include "configdump.h"

#include <QtTest>

// Configuration dumps between CONFIG_START and CONFIG_END lines.
class TestConfigDump : public QObject
{
    Q_OBJECT
private slots:
    void dump_data();
    void dump();
};

void TestConfigDump::dump_data()
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
    row("end with trailing blanks ends the dump", "> CONFIG_START [MAC:01]\nCONFIG_END   ", "SF",
        "MAC:01\r\n");
    row("lower-case end does not end the dump", "> CONFIG_START [MAC:01]\nconfig_end\nCONFIG_END",
        "SCF", "MAC:01\r\nconfig_end\r\n");
    row("lines are trimmed", "> CONFIG_START [MAC:01]\n   key = 1   \nCONFIG_END", "SCF",
        "MAC:01\r\nkey = 1\r\n");
    row("new start restarts the collection",
        "> CONFIG_START [MAC:01]\nold\n> CONFIG_START [MAC:02]\nnew\nCONFIG_END", "SCSCF",
        "MAC:02\r\nnew\r\n");
    row("announcement inside a dump not collected",
        "> CONFIG_START [MAC:01]\na|b|HW:1:|SW:1:|NAME:n:|MAC:01:|X:\nCONFIG_END", "SOF",
        "MAC:01\r\n");
    row("lines outside a dump are other lines", "hello\nworld", "OO", "");
    row("stray end does not deliver an old text",
        "> CONFIG_START [MAC:01]\na\nCONFIG_END\nCONFIG_END", "SCFO", "MAC:01\r\na\r\n");
    row("UTF-8 configuration text decoded",
        QString::fromLatin1("> CONFIG_START [MAC:01]\nname=K\xc3\xb6ln\nCONFIG_END"), "SCF",
        QString::fromUtf8("MAC:01\r\nname=K\u00f6ln\r\n"));
}

void TestConfigDump::dump()
{
    QFETCH(QString, lines);
    QFETCH(QString, steps);
    QFETCH(QString, text);
    using S = ConfigDump::Step;
    const QMap<S, QChar> letters = {
        {S::Started, 'S'}, {S::Collected, 'C'}, {S::Finished, 'F'}, {S::Other, 'O'}};
    const QRegExp start = ConfigDump::startPattern();
    const QRegExp end = ConfigDump::endPattern();
    bool collecting = false;
    QString collected;
    QString got;
    for (const QString &line : lines.split(QLatin1Char('\n')))
        got += letters.value(ConfigDump::take(line, start, end, collecting, collected));
    QCOMPARE(got, steps);
    QCOMPARE(collected, text);
}

QTEST_APPLESS_MAIN(TestConfigDump)
#include "tst_configdump.moc"
