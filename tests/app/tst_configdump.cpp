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

using Steps = QList<ConfigDump::Step>;
Q_DECLARE_METATYPE(Steps)

void TestConfigDump::dump_data()
{
    using S = ConfigDump::Step;
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("text"); // the text when the last Finished came, or as left

    QTest::newRow("dump of two lines")
        << QStringList{"xx CONFIG_START [MAC:0011AA]", "a", "b", "CONFIG_END"}
        << Steps{S::Started, S::Collected, S::Collected, S::Finished} << "MAC:0011AA\r\na\r\nb\r\n";
    QTest::newRow("start in any letter case")
        << QStringList{"> config_start [mac:ff]", "x", "CONFIG_END"}
        << Steps{S::Started, S::Collected, S::Finished} << "MAC:ff\r\nx\r\n";
    QTest::newRow("start needs text before CONFIG_START")
        << QStringList{"CONFIG_START [MAC:01]", "x"} << Steps{S::Other, S::Other} << "";
    QTest::newRow("end with trailing blanks ends the dump")
        << QStringList{"> CONFIG_START [MAC:01]", "CONFIG_END   "} << Steps{S::Started, S::Finished}
        << "MAC:01\r\n";
    QTest::newRow("lower-case end does not end the dump")
        << QStringList{"> CONFIG_START [MAC:01]", "config_end", "CONFIG_END"}
        << Steps{S::Started, S::Collected, S::Finished} << "MAC:01\r\nconfig_end\r\n";
    QTest::newRow("lines are trimmed")
        << QStringList{"> CONFIG_START [MAC:01]", "   key = 1   ", "CONFIG_END"}
        << Steps{S::Started, S::Collected, S::Finished} << "MAC:01\r\nkey = 1\r\n";
    QTest::newRow("new start restarts the collection")
        << QStringList{"> CONFIG_START [MAC:01]", "old", "> CONFIG_START [MAC:02]", "new",
                       "CONFIG_END"}
        << Steps{S::Started, S::Collected, S::Started, S::Collected, S::Finished}
        << "MAC:02\r\nnew\r\n";
    QTest::newRow("announcement inside a dump not collected")
        << QStringList{"> CONFIG_START [MAC:01]",
                       "a|b|HW:1:|SW:1:|NAME:n:|MAC:01:|X:", "CONFIG_END"}
        << Steps{S::Started, S::Other, S::Finished} << "MAC:01\r\n";
    QTest::newRow("lines outside a dump are other lines")
        << QStringList{"hello", "world"} << Steps{S::Other, S::Other} << "";
    QTest::newRow("stray end does not deliver an old text")
        << QStringList{"> CONFIG_START [MAC:01]", "a", "CONFIG_END", "CONFIG_END"}
        << Steps{S::Started, S::Collected, S::Finished, S::Other} << "MAC:01\r\na\r\n";
    QTest::newRow("UTF-8 configuration text decoded")
        << QStringList{"> CONFIG_START [MAC:01]", QString::fromLatin1("name=K\xc3\xb6ln"),
                       "CONFIG_END"}
        << Steps{S::Started, S::Collected, S::Finished}
        << QString::fromUtf8("MAC:01\r\nname=K\u00f6ln\r\n");
}

void TestConfigDump::dump()
{
    QFETCH(QStringList, lines);
    QFETCH(Steps, steps);
    QFETCH(QString, text);
    const QRegExp start = ConfigDump::startPattern();
    const QRegExp end = ConfigDump::endPattern();
    bool collecting = false;
    QString collected;
    Steps got;
    for (const QString &line : lines)
        got << ConfigDump::take(line, start, end, collecting, collected);
    QCOMPARE(got, steps);
    QCOMPARE(collected, text);
}

QTEST_APPLESS_MAIN(TestConfigDump)
#include "tst_configdump.moc"
