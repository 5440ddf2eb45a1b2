#include "bootloaderreplycutter.h"
#include "romreplycutter.h"

#include <QtTest>

// How the bootloader's and the ROM transfer's replies are cut from what the board sends, read
// by read: the rows are also the seeds of the cutters' fuzz targets.
class TestReplyCutters : public QObject
{
    Q_OBJECT
private slots:
    void bootloader_data();
    void bootloader();
    void rom_data();
    void rom();
};

void TestReplyCutters::bootloader_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QString>("pending");
    const auto row = [](const char *name, const QByteArrayList &reads, const QStringList &replies,
                        const QString &pending = {}) {
        QTest::newRow(name) << reads << replies << pending;
    };
    row("a prompt is a reply without a line end", {"BL>"}, {"BL>\n"});
    row("a carriage return ends a reply", {"OK\rBL"}, {"OK\r\n"}, "BL");
    row("> wins over a carriage return before it", {"Erasing\r\nBL>"}, {"Erasing\rBL>\n"});
    row("a prompt split across reads", {"B", "L", ">"}, {"BL>\n"});
    row("line feeds vanish", {"\nBL\n>"}, {"BL>\n"});
    row("a NUL byte ends a read", {QByteArray("BL>\0ERR>", 8), ">"}, {"BL>\n", ">\n"});
    row("two prompts in one read", {"BL>BL>"}, {"BL>\n", "BL>\n"});
    row("endless text without a delimiter is kept to its limit",
        {QByteArray(BootloaderReplyCutter::kMaxPending, 'x'), "yz"}, {},
        QString(BootloaderReplyCutter::kMaxPending - 2, 'x') + "yz");
}

void TestReplyCutters::bootloader()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(QStringList, replies);
    QFETCH(QString, pending);
    BootloaderReplyCutter cutter;
    QStringList cut;
    for (const QByteArray &read : qAsConst(reads))
        cut += cutter.feed(read);
    QCOMPARE(cut, replies);
    QCOMPARE(cutter.pending(), pending);
}

void TestReplyCutters::rom_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QStringList>("replies");
    QTest::newRow("a bare prompt counts at once") << QByteArray(">") << QStringList{">"};
    QTest::newRow("carriage returns split, empty pieces dropped")
        << QByteArray("\r\nERROR: busy\r\n>") << QStringList{"ERROR: busy", ">"};
    QTest::newRow("line feeds vanish, blanks stay")
        << QByteArray("BL>   \n\r") << QStringList{"BL>   "};
    QTest::newRow("a NUL byte ends the read") << QByteArray("ok\0>", 4) << QStringList{"ok"};
}

void TestReplyCutters::rom()
{
    QFETCH(QByteArray, read);
    QFETCH(QStringList, replies);
    QCOMPARE(RomReplyCutter::cut(read), replies);
}

QTEST_APPLESS_MAIN(TestReplyCutters)
#include "tst_replycutters.moc"
