#include "hextestfiles.h"
#include "intelhexreader.h"

#include <QtTest>

#include <sstream>

using R = IntelHexReader::Refusal;
Q_DECLARE_METATYPE(R)

using HexTestFiles::record;

namespace {

QByteArray sixteen(char first)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data.append(char(first + i));
    return data;
}

// The reader's text for a refused line: its reason, then where.
QByteArray said(const QByteArray &what, int line = 1)
{
    return what + "not valid record at line " + QByteArray::number(line) + "\n";
}

const QByteArray kBad = said("skr\xC3\xA4ptecken");
const QByteArray kLength = said("lengthfel");
const QByteArray kEof = ":00000001FF";
const QByteArray kData = record(0, 0x0000, sixteen(1));
const QByteArray kTooLarge = "Error: line 2, too large, no enough ROM\n";
const QByteArray kSegment = record(2, 0, QByteArray::fromHex("1000"));
const QByteArray kStart = record(5, 0, QByteArray::fromHex("08000131"));

// Feeds lines to a reader as the uploader does; returns whether the last one was accepted.
bool feed(IntelHexReader &reader, std::ostringstream &out, const QByteArrayList &lines)
{
    bool accepted = false;
    for (const QByteArray &line : lines) {
        out.str({});
        reader.nextLine();
        accepted = reader.parseHexLine(line);
    }
    return accepted;
}

void add(const char *name, const QByteArrayList &before, const QByteArray &line, R refusal,
         const QByteArray &output = {})
{
    QTest::newRow(name) << before << line << refusal << output;
}

} // namespace

// The checks of one record line in their order, with their texts, and the image they build.
class TestIntelHexReader : public QObject
{
    Q_OBJECT

private slots:
    void checksOneLine_data();
    void checksOneLine();
    void buildsImage_data();
    void buildsImage();
};

void TestIntelHexReader::checksOneLine_data()
{
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<R>("refusal");
    QTest::addColumn<QByteArray>("output");

    const QByteArray lower = ":10000000" + sixteen(0x2A).toHex() + "00";
    const QByteArrayList top = {record(4, 0, QByteArray::fromHex("081F"))};
    add("data record accepted", {}, kData, R::None);
    add("end of file accepted", {}, kEof, R::None);
    add("second end of file refused without text", {kEof}, kEof, R::SecondEndOfFile);
    add("empty line refused as stray characters", {}, "", R::EmptyLine, kBad);
    add("missing colon refused", {}, kData.mid(1), R::BadCharacter, kBad);
    add("lower-case data digits refused", {}, lower, R::BadCharacter, kBad);
    add("space inside a record refused", {}, ":00000001 FF", R::BadCharacter, kBad);
    add("stray character counted on its line number", {kData, kData}, ":00000001FG",
        R::BadCharacter, said("skr\xC3\xA4ptecken", 3));
    add("one character too many refused", {}, kData + "0", R::BadLength, kLength);
    add("one character too few refused", {}, kData.chopped(1), R::BadLength, kLength);
    add("colon alone refused for its length", {}, ":", R::BadLength, kLength);
    add("type 0A refused", {}, ":0000000AF6", R::BadType, said("typefel"));
    add("type 07 refused before its checksum", {}, ":0000000700", R::BadType, said("typefel"));
    add("address record with non-zero address refused", {}, ":020001040800F1", R::NonDataAddress,
        said("Nondatatype"));
    add("wrong checksum refused", {}, ":00000001FE", R::BadChecksum, said("Checksumfel"));
    add("address record without its data bytes refused", {}, ":00000004FC", R::TooShortForType,
        kLength);
    add("segment address refused without text", {}, kSegment, R::SegmentAddress);
    add("start segment address refused without text", {}, record(3, 0, QByteArray(4, 0)),
        R::StartSegmentAddress);
    add("type 06 accepted", {}, record(6, 0, {}), R::None);
    add("start linear address accepted", {}, kStart, R::None);
    add("second start linear address refused", {record(5, 0, QByteArray(4, 1))},
        record(5, 0, QByteArray(4, 2)), R::SecondStartAddress, "Error, set EIP twice\n");
    add("record reaching twice its size past the end refused", top, record(0, 0xFFE0, sixteen(0)),
        R::TooLarge, kTooLarge);
    add("record ending twice its size below the image end accepted", top,
        record(0, 0xFFDF, sixteen(0)), R::None);
    add("upper address below flash wraps and refuses data", {record(4, 0, QByteArray(2, 0))},
        record(0, 0x0000, sixteen(0)), R::TooLarge, kTooLarge);
    // Base 0xFFFF0000: address + twice the count wraps to a small number in 32 bits.
    add("wrapped base cannot write past the image", {record(4, 0, QByteArray::fromHex("07FF"))},
        record(0, 0xFFF0, sixteen(1)), R::TooLarge, kTooLarge);
    add("longest record accepted", {}, record(0, 0, QByteArray(255, 'x')), R::None);
}

void TestIntelHexReader::checksOneLine()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, line);
    QFETCH(R, refusal);
    QFETCH(QByteArray, output);

    std::ostringstream out;
    IntelHexReader reader(out);
    feed(reader, out, before);
    QCOMPARE(feed(reader, out, {line}), refusal == R::None);
    QCOMPARE(reader.lastRefusal(), refusal);
    QCOMPARE(QByteArray::fromStdString(out.str()), output);
}

void TestIntelHexReader::buildsImage_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("image"); // the bytes 0 .. highest
    QTest::addColumn<quint32>("base");
    QTest::addColumn<quint32>("cursor");
    QTest::addColumn<quint16>("checksum");
    QTest::addColumn<quint32>("start"); // 0: no start address seen

    const QByteArray abc = record(0, 0, "abc");
    QByteArray wide(0x10011, '\0');
    wide[0] = 0x40;
    wide[0x10010] = 0x7E;
    QByteArray broken = abc;
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    QTest::newRow("abc has the checksum 0x4C27")
        << QByteArrayList{abc} << QByteArray("abc") << 0u << 3u << quint16(0x4C27) << 0u;
    QTest::newRow("gap reads zero and still moves the checksum")
        << QByteArrayList{abc, record(0, 5, "d")} << QByteArray("abc\0\0d", 6) << 0u << 6u
        << quint16(0x268B) << 0u;
    QTest::newRow("type 04 above flash start moves the base")
        << QByteArrayList{":020000040800F2", record(0, 0, "\x40"), ":020000040801F1",
                          record(0, 0x10, "\x7E")}
        << wide << 0x10000u << 0x10011u << quint16(0x03BE) << 0u;
    QTest::newRow("refused segment address still sets a plain base")
        << QByteArrayList{kSegment} << QByteArray(1, 0) << 0x10000u << 0u << quint16(0) << 0u;
    QTest::newRow("empty data record leaves highest at zero")
        << QByteArrayList{":0000000000"} << QByteArray(1, 0) << 0u << 0u << quint16(0) << 0u;
    QTest::newRow("refused line leaves the image unchanged")
        << QByteArrayList{broken} << QByteArray(1, 0) << 0u << 0u << quint16(0) << 0u;
    QTest::newRow("start linear address is kept")
        << QByteArrayList{kStart} << QByteArray(1, 0) << 0u << 0u << quint16(0) << 0x08000131u;
}

void TestIntelHexReader::buildsImage()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, image);
    QFETCH(quint32, base);
    QFETCH(quint32, cursor);
    QFETCH(quint16, checksum);
    QFETCH(quint32, start);

    std::ostringstream out;
    IntelHexReader reader(out);
    feed(reader, out, lines);
    QVERIFY(reader.imageBytes() == image);
    QCOMPARE(reader.highest(), quint32(image.size() - 1));
    QCOMPARE(reader.base(), base);
    QCOMPARE(reader.cursor(), cursor);
    QCOMPARE(reader.imageChecksum(), checksum);
    QCOMPARE(reader.startAddressSeen(), start != 0);
    QCOMPARE(reader.startAddress(), start);
}

QTEST_APPLESS_MAIN(TestIntelHexReader)
#include "tst_intelhexreader.moc"
