#include "fletcher16.h"
#include "hextestfiles.h"
#include "intelhexreader.h"

#include <QtTest>

#include <sstream>

using Refusal = IntelHexReader::Refusal;
Q_DECLARE_METATYPE(Refusal)

using HexTestFiles::record;

namespace {

QByteArray sixteenBytes(char first)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data.append(char(first + i));
    return data;
}

const QByteArray kBadCharacter = "skr\xC3\xA4ptecken";

} // namespace

// Reads record lines through the reader as the uploader does, capturing its standard output.
class TestIntelHexReader : public QObject
{
    Q_OBJECT

private:
    struct Fed
    {
        std::ostringstream out;
        IntelHexReader reader{out};
        bool feed(const QByteArray &line)
        {
            out.str({});
            reader.nextLine();
            return reader.parseHexLine(line);
        }
    };

private slots:
    void checksOneLine_data();
    void checksOneLine();
    void extendedLinearAddressSetsBase();
    void segmentAddressSetsPlainBaseButIsRefused();
    void gapsBetweenRecordsReadZero();
    void refusedLineLeavesImageUnchanged();
    void emptyDataRecordDoesNotMoveHighest();
    void wrappedBaseCannotWritePastTheImage();
    void startAddressIsStored();
    void imageChecksumOfAbc();
    void imageChecksumCoversZeroTail();
};

void TestIntelHexReader::checksOneLine_data()
{
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<QByteArray>("output");

    const QByteArray data = record(0, 0x0000, sixteenBytes(1));
    const QByteArray eof = ":00000001FF";
    const QByteArrayList none;
    auto notValid = [](const QByteArray &text, int line) {
        return text + "not valid record at line " + QByteArray::number(line) + "\n";
    };

    QTest::newRow("data record accepted") << none << data << true << Refusal::None << QByteArray();
    QTest::newRow("end of file accepted") << none << eof << true << Refusal::None << QByteArray();
    QTest::newRow("second end of file refused without text")
        << QByteArrayList{eof} << eof << false << Refusal::SecondEndOfFile << QByteArray();
    QTest::newRow("empty line refused as stray characters")
        << none << QByteArray() << false << Refusal::EmptyLine << notValid(kBadCharacter, 1);
    QTest::newRow("missing colon refused")
        << none << data.mid(1) << false << Refusal::BadCharacter << notValid(kBadCharacter, 1);
    QTest::newRow("lower-case data digits refused")
        << none << QByteArray(":10000000") + sixteenBytes(0x2A).toHex() + "00" << false
        << Refusal::BadCharacter << notValid(kBadCharacter, 1);
    QTest::newRow("space inside a record refused")
        << none << QByteArray(":00000001 FF") << false << Refusal::BadCharacter
        << notValid(kBadCharacter, 1);
    QTest::newRow("stray character counted on its line number")
        << QByteArrayList{data, data} << QByteArray(":00000001FG") << false << Refusal::BadCharacter
        << notValid(kBadCharacter, 3);
    QTest::newRow("one character too many refused")
        << none << data + "0" << false << Refusal::BadLength << notValid("lengthfel", 1);
    QTest::newRow("one character too few refused")
        << none << data.chopped(1) << false << Refusal::BadLength << notValid("lengthfel", 1);
    QTest::newRow("colon alone refused for its length")
        << none << QByteArray(":") << false << Refusal::BadLength << notValid("lengthfel", 1);
    QTest::newRow("type 0A refused")
        << none << QByteArray(":0000000AF6") << false << Refusal::BadType << notValid("typefel", 1);
    QTest::newRow("type 07 refused before its checksum is looked at")
        << none << QByteArray(":0000000700") << false << Refusal::BadType << notValid("typefel", 1);
    QTest::newRow("address record with non-zero address refused")
        << none << QByteArray(":020001040800F1") << false << Refusal::NonDataAddress
        << notValid("Nondatatype", 1);
    QTest::newRow("wrong checksum refused") << none << QByteArray(":00000001FE") << false
                                            << Refusal::BadChecksum << notValid("Checksumfel", 1);
    QTest::newRow("start segment address refused without text")
        << none << record(3, 0, QByteArray(4, 0)) << false << Refusal::StartSegmentAddress
        << QByteArray();
    QTest::newRow("type 06 accepted")
        << none << record(6, 0, {}) << true << Refusal::None << QByteArray();
    QTest::newRow("start linear address accepted")
        << none << record(5, 0, QByteArray::fromHex("08000131")) << true << Refusal::None
        << QByteArray();
    QTest::newRow("second start linear address refused")
        << QByteArrayList{record(5, 0, QByteArray(4, 1))} << record(5, 0, QByteArray(4, 2)) << false
        << Refusal::SecondStartAddress << QByteArray("Error, set EIP twice\n");
    QTest::newRow("address record without its data bytes refused")
        << none << QByteArray(":00000004FC") << false << Refusal::TooShortForType
        << notValid("lengthfel", 1);
    QTest::newRow("record reaching twice its size past the image refused")
        << QByteArrayList{record(4, 0, QByteArray::fromHex("081F"))}
        << record(0, 0xFFE0, sixteenBytes(0)) << false << Refusal::TooLarge
        << QByteArray("Error: line 2, too large, no enough ROM\n");
    QTest::newRow("record ending twice its size below the image end accepted")
        << QByteArrayList{record(4, 0, QByteArray::fromHex("081F"))}
        << record(0, 0xFFDF, sixteenBytes(0)) << true << Refusal::None << QByteArray();
    QTest::newRow("upper address below flash wraps and refuses data")
        << QByteArrayList{record(4, 0, QByteArray::fromHex("0000"))}
        << record(0, 0x0000, sixteenBytes(0)) << false << Refusal::TooLarge
        << QByteArray("Error: line 2, too large, no enough ROM\n");
    QTest::newRow("longest record accepted")
        << none << record(0, 0, QByteArray(255, 'x')) << true << Refusal::None << QByteArray();
}

void TestIntelHexReader::checksOneLine()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);
    QFETCH(Refusal, refusal);
    QFETCH(QByteArray, output);

    Fed fed;
    for (const QByteArray &earlier : qAsConst(before))
        fed.feed(earlier);
    QCOMPARE(fed.feed(line), accepted);
    QCOMPARE(fed.reader.lastRefusal(), refusal);
    QCOMPARE(QByteArray::fromStdString(fed.out.str()), output);
}

void TestIntelHexReader::extendedLinearAddressSetsBase()
{
    Fed fed;
    QVERIFY(fed.feed(":020000040800F2"));
    QCOMPARE(fed.reader.base(), 0u);
    QVERIFY(fed.feed(record(0, 0x0000, sixteenBytes(0x40))));
    QCOMPARE(fed.reader.image()[0], char(0x40));
    QVERIFY(fed.feed(":020000040801F1"));
    QCOMPARE(fed.reader.base(), 0x10000u);
    QVERIFY(fed.feed(record(0, 0x0010, QByteArray("\x7E", 1))));
    QCOMPARE(fed.reader.image()[0x10010], char(0x7E));
    QCOMPARE(fed.reader.highest(), 0x10010u);
    QCOMPARE(fed.reader.cursor(), 0x10011u);
}

void TestIntelHexReader::segmentAddressSetsPlainBaseButIsRefused()
{
    Fed fed;
    QVERIFY(!fed.feed(record(2, 0, QByteArray::fromHex("1000"))));
    QCOMPARE(fed.reader.base(), 0x10000u);
    QCOMPARE(fed.out.str(), std::string());
}

void TestIntelHexReader::gapsBetweenRecordsReadZero()
{
    Fed fed;
    QVERIFY(fed.feed(record(0, 0x0000, sixteenBytes(1))));
    QVERIFY(fed.feed(record(0, 0x0100, sixteenBytes(1))));
    QCOMPARE(fed.reader.highest(), 0x010Fu);
    QCOMPARE(fed.reader.imageLength(), 0x0110u);
    const QByteArray image = fed.reader.imageBytes();
    QCOMPARE(image.mid(0x10, 0xF0), QByteArray(0xF0, '\0'));
    QCOMPARE(image.mid(0x100), sixteenBytes(1));
}

void TestIntelHexReader::refusedLineLeavesImageUnchanged()
{
    Fed fed;
    QByteArray broken = record(0, 0x0000, sixteenBytes(1));
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    QVERIFY(!fed.feed(broken));
    QCOMPARE(fed.reader.image()[0], '\0');
    QCOMPARE(fed.reader.highest(), 0u);
}

void TestIntelHexReader::emptyDataRecordDoesNotMoveHighest()
{
    Fed fed;
    QVERIFY(fed.feed(":0000000000"));
    QCOMPARE(fed.reader.highest(), 0u);
    QCOMPARE(fed.reader.imageLength(), 1u);
}

void TestIntelHexReader::wrappedBaseCannotWritePastTheImage()
{
    Fed fed;
    // Upper 0x07FF makes the base 0xFFFF0000; address 0xFFF0 then sits 16 bytes below 4 GiB,
    // and address + twice the count wraps to a small number in 32 bits.
    QVERIFY(fed.feed(record(4, 0, QByteArray::fromHex("07FF"))));
    QCOMPARE(fed.reader.base(), 0xFFFF0000u);
    QVERIFY(!fed.feed(record(0, 0xFFF0, sixteenBytes(1))));
    QCOMPARE(fed.reader.lastRefusal(), Refusal::TooLarge);
}

void TestIntelHexReader::startAddressIsStored()
{
    Fed fed;
    QVERIFY(!fed.reader.startAddressSeen());
    QVERIFY(fed.feed(record(5, 0, QByteArray::fromHex("08000131"))));
    QVERIFY(fed.reader.startAddressSeen());
    QCOMPARE(fed.reader.startAddress(), 0x08000131u);
}

void TestIntelHexReader::imageChecksumOfAbc()
{
    Fed fed;
    QVERIFY(fed.feed(record(0, 0, "abc")));
    QCOMPARE(fed.reader.imageLength(), 3u);
    QCOMPARE(fed.reader.imageChecksum(), quint16(0x4C27));
}

void TestIntelHexReader::imageChecksumCoversZeroTail()
{
    // The checksum runs over 0 .. highest, gaps included: zeros still move sum2.
    Fed fed;
    QVERIFY(fed.feed(record(0, 0, "abc")));
    QVERIFY(fed.feed(record(0, 5, "d")));
    QCOMPARE(fed.reader.imageChecksum(), Fletcher16::of(QByteArray("abc\0\0d", 6)));
}

QTEST_APPLESS_MAIN(TestIntelHexReader)
#include "tst_intelhexreader.moc"
