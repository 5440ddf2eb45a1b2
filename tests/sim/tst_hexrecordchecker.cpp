#include "hexrecordchecker.h"
#include "hextestfiles.h"

#include <QtTest>

static QByteArray upper(int value)
{
    return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(4, '0'));
}

class TestHexRecordChecker : public QObject
{
    Q_OBJECT
private slots:
    void lastLine_data();
    void lastLine();
    void imageHasGapsOfZeroAndItsChecksum();
    void refusedLineLeavesImageAlone();
};

void TestHexRecordChecker::lastLine_data()
{
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");

    const QByteArray eof = ":00000001FF";
    const QByteArray sixteen(16, '\x5A');
    const QByteArray data = HexTestFiles::record(0, 0, sixteen);
    QTest::newRow("end of file accepted") << QByteArrayList() << eof << true;
    QTest::newRow("second end of file refused") << QByteArrayList{eof} << eof << false;
    QTest::newRow("data after end of file refused") << QByteArrayList{eof} << data << false;
    QTest::newRow("data record accepted") << QByteArrayList() << data << true;
    QTest::newRow("lower-case hex refused") << QByteArrayList() << data.toLower() << false;
    QTest::newRow("no colon refused") << QByteArrayList() << data.mid(1) << false;
    QTest::newRow("empty line refused") << QByteArrayList() << QByteArray() << false;
    QTest::newRow("blank in record refused") << QByteArrayList() << data + ' ' << false;
    QTest::newRow("one digit too many refused") << QByteArrayList() << data + "00" << false;
    QTest::newRow("two digits too few refused")
        << QByteArrayList() << data.left(data.size() - 2) << false;
    QByteArray badSum = data;
    badSum[badSum.size() - 1] = badSum.back() == '0' ? '1' : '0';
    QTest::newRow("checksum error refused") << QByteArrayList() << badSum << false;
    QTest::newRow("unknown type 0A refused")
        << QByteArrayList() << QByteArray(":0000000AF6") << false;
    QTest::newRow("type 04 with address refused")
        << QByteArrayList() << QByteArray(":020001040800F1") << false;
    QTest::newRow("extended address accepted")
        << QByteArrayList() << QByteArray(":020000040800F2") << true;
    QTest::newRow("extended address of three bytes refused")
        << QByteArrayList() << HexTestFiles::record(4, 0, QByteArray::fromHex("080000")) << false;
    QTest::newRow("segment address refused")
        << QByteArrayList() << HexTestFiles::record(2, 0, upper(0x1000)) << false;
    QTest::newRow("segment start refused")
        << QByteArrayList() << HexTestFiles::record(3, 0, QByteArray(4, '\0')) << false;
    const QByteArray start = HexTestFiles::record(5, 0, QByteArray::fromHex("08000131"));
    QTest::newRow("start address accepted") << QByteArrayList() << start << true;
    QTest::newRow("start address twice refused") << QByteArrayList{start} << start << false;
    QTest::newRow("vendor type 06 accepted")
        << QByteArrayList() << HexTestFiles::record(6, 0, "x") << true;
    QTest::newRow("end of file with data refused")
        << QByteArrayList() << HexTestFiles::record(1, 0, "x") << false;
    QTest::newRow("last flash byte accepted")
        << QByteArrayList{HexTestFiles::record(4, 0, upper(0x081F))}
        << HexTestFiles::record(0, 0xFFFF, "x") << true;
    QTest::newRow("record over the flash end refused")
        << QByteArrayList{HexTestFiles::record(4, 0, upper(0x081F))}
        << HexTestFiles::record(0, 0xFFFF, "xy") << false;
    QTest::newRow("record above the flash refused")
        << QByteArrayList{HexTestFiles::record(4, 0, upper(0x0820))} << data << false;
    QTest::newRow("record below the flash refused")
        << QByteArrayList{HexTestFiles::record(4, 0, upper(0x0000))} << data << false;
    QTest::newRow("full 255-byte record accepted")
        << QByteArrayList() << HexTestFiles::record(0, 0, QByteArray(255, '\1')) << true;
}

void TestHexRecordChecker::lastLine()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);

    HexRecordChecker checker;
    for (const QByteArray &earlier : before)
        QVERIFY2(checker.check(earlier).accepted, earlier.constData());
    const HexRecordChecker::Verdict verdict = checker.check(line);
    QCOMPARE(verdict.accepted, accepted);
    QCOMPARE(verdict.reason.isEmpty(), accepted);
}

void TestHexRecordChecker::imageHasGapsOfZeroAndItsChecksum()
{
    HexRecordChecker checker;
    QVERIFY(checker.check(":020000040800F2").accepted);
    QVERIFY(checker.check(HexTestFiles::record(0, 0x0000, QByteArray(16, 'a'))).accepted);
    QVERIFY(checker.check(HexTestFiles::record(0, 0x0100, QByteArray(16, 'b'))).accepted);
    QVERIFY(checker.check(":00000001FF").accepted);
    QVERIFY(checker.endOfFileSeen());

    const QByteArray image = checker.image();
    QCOMPARE(image.size(), 0x110);
    QCOMPARE(image.mid(0x10, 0xF0), QByteArray(0xF0, '\0'));
    QCOMPARE(image.mid(0x100), QByteArray(16, 'b'));

    HexRecordChecker abc;
    QVERIFY(abc.check(HexTestFiles::record(0, 0, "abc")).accepted);
    QCOMPARE(abc.checksum(), uint16_t(0x4C27));
}

void TestHexRecordChecker::refusedLineLeavesImageAlone()
{
    HexRecordChecker checker;
    QVERIFY(checker.check(HexTestFiles::record(0, 0, "abc")).accepted);
    QByteArray bad = HexTestFiles::record(0, 0x10, "zzz");
    bad[bad.size() - 1] = bad.back() == 'F' ? 'E' : 'F';
    QVERIFY(!checker.check(bad).accepted);
    QCOMPARE(checker.image(), QByteArray("abc"));
}

QTEST_APPLESS_MAIN(TestHexRecordChecker)
#include "tst_hexrecordchecker.moc"
