#include "boardannouncement.h"

#include <QtTest>

// The line a board prints to announce itself on its console.
class TestBoardAnnouncement : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestBoardAnnouncement::parse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("device"); // type hw sw [name] mac ip, or "none"
    const auto row = [](const char *name, const char *line, const char *device) {
        QTest::newRow(name) << line << device;
    };
    row("tube board", "BOOT|1|HW:71405-2:x|SW:2.13:|NAME:tube one:|MAC:0011aabbccdd:|IP:0:",
        "2 71405-2 2.13 [tube one] 0011aabbccdd 1.1.1.1");
    row("spider board", "a|b|HW:71407:|SW:1:|NAME:sp:|MAC:00aa:|X:", "3 71407 1 [sp] 00aa 1.1.1.1");
    row("main board", "a|b|HW:71401:|SW:1:|NAME:m:|MAC:01:|X:", "1 71401 1 [m] 01 1.1.1.1");
    row("unknown hardware is type 0",
        "a|b|HW:99999:|SW:1:|NAME:m:|MAC:01:|X:", "0 99999 1 [m] 01 1.1.1.1");
    row("tube id wins over main id",
        "a|b|HW:71401-71405:|SW:1:|NAME:m:|MAC:01:|X:", "2 71401-71405 1 [m] 01 1.1.1.1");
    row("value without closing colon runs to the end", "a|b|HW:71405|SW:7|NAME:n|MAC:02|X",
        "2 71405 7 [n] 02 1.1.1.1");
    row("more than seven fields",
        "a|b|HW:71405:|SW:7:|NAME:n:|MAC:02:|X:|Y:|Z:", "2 71405 7 [n] 02 1.1.1.1");
    row("text after the second colon dropped",
        "a|b|HW:71405:rev:c|SW:7:|NAME:n:|MAC:02:|X:", "2 71405 7 [n] 02 1.1.1.1");
    row("fewer than seven fields ignored", "a|MAC:0011|b", "none");
    row("six fields ignored", "a|b|HW:71405:|SW:1:|NAME:n:|MAC:01:", "none");
    row("marker alone ignored", "|MAC:", "none");
    row("no marker ignored", "a|b|HW:71405:|SW:1:|NAME:n:|mac:01:|X:", "none");
    row("empty line ignored", "", "none");
}

void TestBoardAnnouncement::parse()
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

QTEST_APPLESS_MAIN(TestBoardAnnouncement)
#include "tst_boardannouncement.moc"
