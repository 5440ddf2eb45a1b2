#include "hexrecordchecker.h"
#include "hextestfiles.h"

#include <QtTest>

using HexTestFiles::record;

namespace {

QByteArray upper(int value)
{
    return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(4, '0'));
}

void row(const char *name, const QByteArray &line, bool ok, const QByteArrayList &before = {})
{
    QTest::newRow(name) << before << line << ok;
}

} // namespace

class TestHexRecordChecker : public QObject
{
    Q_OBJECT
private slots:
    void lastLine_data();
    void lastLine();
};

void TestHexRecordChecker::lastLine_data()
{
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");

    const QByteArray eof = ":00000001FF";
    const QByteArray data = record(0, 0, QByteArray(16, '\x5A'));
    QByteArray badSum = data;
    badSum[badSum.size() - 1] = badSum.back() == '0' ? '1' : '0';
    const QByteArray start = record(5, 0, QByteArray::fromHex("08000131"));
    const QByteArrayList flashTop{record(4, 0, upper(0x081F))};
    row("end of file accepted", eof, true);
    row("second end of file refused", eof, false, {eof});
    row("data after end of file refused", data, false, {eof});
    row("data record accepted", data, true);
    row("lower-case hex refused", data.toLower(), false);
    row("no colon refused", data.mid(1), false);
    row("empty line refused", QByteArray(), false);
    row("blank in record refused", data + ' ', false);
    row("one digit too many refused", data + "00", false);
    row("two digits too few refused", data.left(data.size() - 2), false);
    row("checksum error refused", badSum, false, {record(0, 0x40, "abc")});
    row("unknown type 0A refused", ":0000000AF6", false);
    row("type 04 with address refused", ":020001040800F1", false);
    row("extended address accepted", ":020000040800F2", true);
    row("three-byte extended address refused", record(4, 0, upper(0x0800) + '\0'), false);
    row("segment address refused", record(2, 0, upper(0x1000)), false);
    row("segment start refused", record(3, 0, QByteArray(4, '\0')), false);
    row("start address accepted", start, true);
    row("start address twice refused", start, false, {start});
    row("vendor type 06 accepted", record(6, 0, "x"), true);
    row("end of file with data refused", record(1, 0, "x"), false);
    row("last flash byte accepted", record(0, 0xFFFF, "x"), true, flashTop);
    row("record over the flash end refused", record(0, 0xFFFF, "xy"), false, flashTop);
    row("record above the flash refused", data, false, {record(4, 0, upper(0x0820))});
    row("record below the flash refused", data, false, {record(4, 0, upper(0x0000))});
    row("full 255-byte record accepted", record(0, 0, QByteArray(255, '\1')), true);
}

void TestHexRecordChecker::lastLine()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);

    HexRecordChecker checker;
    for (const QByteArray &earlier : before)
        QVERIFY2(checker.check(earlier).accepted, earlier.constData());
    const QByteArray image = checker.image();
    const HexRecordChecker::Verdict verdict = checker.check(line);
    QCOMPARE(verdict.accepted, accepted);
    QCOMPARE(verdict.reason.isEmpty(), accepted);
    if (!accepted)
        QCOMPARE(checker.image(), image); // a refused line leaves the image alone
}

QTEST_APPLESS_MAIN(TestHexRecordChecker)
#include "tst_hexrecordchecker.moc"
