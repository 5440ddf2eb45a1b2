#include "boardannouncement.h"

#include <QtTest>

// The line a board prints to announce itself on its console.
class TestBoardAnnouncement : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void ignored_data();
    void ignored();
};

void TestBoardAnnouncement::parse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("hw");
    QTest::addColumn<QString>("sw");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mac");
    QTest::newRow("tube board")
        << "BOOT|1|HW:71405-2:x|SW:2.13:|NAME:tube one:|MAC:0011aabbccdd:|IP:0:" << 2 << "71405-2"
        << "2.13"
        << "tube one"
        << "0011aabbccdd";
    QTest::newRow("spider board") << "a|b|HW:71407:|SW:1:|NAME:sp:|MAC:00aa:|X:" << 3 << "71407"
                                  << "1"
                                  << "sp"
                                  << "00aa";
    QTest::newRow("main board") << "a|b|HW:71401:|SW:1:|NAME:m:|MAC:01:|X:" << 1 << "71401"
                                << "1"
                                << "m"
                                << "01";
    QTest::newRow("unknown hardware is type 0")
        << "a|b|HW:99999:|SW:1:|NAME:m:|MAC:01:|X:" << 0 << "99999"
        << "1"
        << "m"
        << "01";
    QTest::newRow("tube id wins over main id")
        << "a|b|HW:71401-71405:|SW:1:|NAME:m:|MAC:01:|X:" << 2 << "71401-71405"
        << "1"
        << "m"
        << "01";
    QTest::newRow("value without closing colon runs to the end")
        << "a|b|HW:71405|SW:7|NAME:n|MAC:02|X" << 2 << "71405"
        << "7"
        << "n"
        << "02";
    QTest::newRow("more than seven fields")
        << "a|b|HW:71405:|SW:7:|NAME:n:|MAC:02:|X:|Y:|Z:" << 2 << "71405"
        << "7"
        << "n"
        << "02";
    QTest::newRow("text after the second colon dropped")
        << "a|b|HW:71405:rev:c|SW:7:|NAME:n:|MAC:02:|X:" << 2 << "71405"
        << "7"
        << "n"
        << "02";
}

void TestBoardAnnouncement::parse()
{
    QFETCH(QString, line);
    QFETCH(int, type);
    QFETCH(QString, hw);
    QFETCH(QString, sw);
    QFETCH(QString, name);
    QFETCH(QString, mac);
    const std::optional<Device> device = BoardAnnouncement::parse(line);
    QVERIFY(device.has_value());
    QCOMPARE(device->type, type);
    QCOMPARE(device->hw, hw);
    QCOMPARE(device->sw, sw);
    QCOMPARE(device->name, name);
    QCOMPARE(device->mac, mac);
    QCOMPARE(device->ip, QStringLiteral("1.1.1.1"));
}

void TestBoardAnnouncement::ignored_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("fewer than seven fields") << "a|MAC:0011|b";
    QTest::newRow("six fields") << "a|b|HW:71405:|SW:1:|NAME:n:|MAC:01:";
    QTest::newRow("marker alone") << "|MAC:";
    QTest::newRow("no marker") << "a|b|HW:71405:|SW:1:|NAME:n:|mac:01:|X:";
    QTest::newRow("empty line") << "";
}

void TestBoardAnnouncement::ignored()
{
    QFETCH(QString, line);
    QVERIFY(!BoardAnnouncement::parse(line).has_value());
}

QTEST_APPLESS_MAIN(TestBoardAnnouncement)
#include "tst_boardannouncement.moc"
