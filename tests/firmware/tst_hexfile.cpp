#include "fletcher16.h"
#include "hexfile.h"
#include "hextestfiles.h"
#include "intelhexreader.h"

#include <QtTest>

#include <sstream>

using namespace HexTestFiles;

namespace {

// Feeds every line of a HEX file to a reader as the uploader does; returns the refused lines.
QList<quint32> readAll(const QString &path, IntelHexReader &reader)
{
    HexFile file;
    QList<quint32> refused;
    if (!file.open(path))
        return {0};
    QByteArray line;
    while (!file.atEnd()) {
        file.readLine(line);
        reader.nextLine();
        if (!reader.parseHexLine(line))
            refused.append(reader.lineNumber());
    }
    return refused;
}

} // namespace

// Reading HEX files line by line: line ends, odd lines, and files made by GNU objcopy read
// back into exactly the bytes they were made from.
class TestHexFile : public QObject
{
    Q_OBJECT

private slots:
    void readsLines_data();
    void readsLines();
    void overlongLineIsCutButCounted();
    void objcopyFixtureReadsBack_data();
    void objcopyFixtureReadsBack();
    void objcopyMadeImagesReadBack_data();
    void objcopyMadeImagesReadBack();
};

void TestHexFile::readsLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QList<int>>("lengths");

    QTest::newRow("LF line ends") << QByteArray(":00\n:01\n") << QByteArrayList{":00", ":01"}
                                  << QList<int>{3, 3};
    QTest::newRow("CR LF line ends not counted")
        << QByteArray(":00\r\n:01\r\n") << QByteArrayList{":00", ":01"} << QList<int>{3, 3};
    QTest::newRow("last line without line end")
        << QByteArray(":00\n:01") << QByteArrayList{":00", ":01"} << QList<int>{3, 3};
    QTest::newRow("blank line read as empty")
        << QByteArray(":00\n\n:01\n") << QByteArrayList{":00", "", ":01"} << QList<int>{3, 0, 3};
    QTest::newRow("stray CR removed but counted")
        << QByteArray(":0\r0\n") << QByteArrayList{":00"} << QList<int>{4};
    QTest::newRow("extra blank line at the end")
        << QByteArray(":00\n\n") << QByteArrayList{":00", ""} << QList<int>{3, 0};
}

void TestHexFile::readsLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArrayList, lines);
    QFETCH(QList<int>, lengths);

    const QString path = scratchPath(QStringLiteral("lines.hex"));
    QVERIFY(writeFile(path, content));
    HexFile file;
    QVERIFY(file.open(path));
    QByteArray line;
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY(!file.atEnd());
        QCOMPARE(file.readLine(line), lengths.at(i));
        QCOMPARE(line, lines.at(i));
    }
    QVERIFY(file.atEnd());
    QCOMPARE(file.readLine(line), 0);
    QCOMPARE(line, QByteArray());
}

void TestHexFile::overlongLineIsCutButCounted()
{
    const QString path = scratchPath(QStringLiteral("long.hex"));
    QVERIFY(writeFile(path, ':' + QByteArray(5000, '0') + "\r\n:00000001FF\n"));
    HexFile file;
    QVERIFY(file.open(path));
    QByteArray line;
    QCOMPARE(file.readLine(line), 5001);
    QCOMPARE(line.size(), HexFile::kMaxKeptLine);
    QCOMPARE(file.readLine(line), 11);
    QCOMPARE(line, QByteArray(":00000001FF"));
}

void TestHexFile::objcopyFixtureReadsBack_data()
{
    QTest::addColumn<bool>("crlf");
    QTest::newRow("CR LF as objcopy writes it") << true;
    QTest::newRow("LF line ends") << false;
}

void TestHexFile::objcopyFixtureReadsBack()
{
    QFETCH(bool, crlf);
    // small.hex: objcopy -I binary -O ihex --change-addresses 0x08000000 small.bin small.hex
    QByteArray hex = readFile(QFINDTESTDATA("data/small.hex"));
    const QByteArray source = readFile(QFINDTESTDATA("data/small.bin"));
    QVERIFY(!hex.isEmpty() && !source.isEmpty());
    if (!crlf)
        hex.replace("\r\n", "\n");
    const QString path = scratchPath(QStringLiteral("fixture.hex"));
    QVERIFY(writeFile(path, hex));

    std::ostringstream out;
    IntelHexReader reader(out);
    QCOMPARE(readAll(path, reader), QList<quint32>());
    QCOMPARE(reader.imageBytes(), source);
    QVERIFY(reader.eofSeen());
    QCOMPARE(out.str(), std::string());
}

void TestHexFile::objcopyMadeImagesReadBack_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("crlf");
    QTest::newRow("one byte") << 1 << true;
    QTest::newRow("across a 64 KiB boundary (second type 04 record)") << 70000 << true;
    QTest::newRow("across a 64 KiB boundary, LF") << 70000 << false;
    QTest::newRow("one MiB") << 0x100000 << true;
}

void TestHexFile::objcopyMadeImagesReadBack()
{
    QFETCH(int, size);
    QFETCH(bool, crlf);
    if (QStandardPaths::findExecutable(QStringLiteral("objcopy")).isEmpty())
        QSKIP("objcopy is not installed; the committed fixture covers its format");

    QByteArray source(size, '\0');
    quint32 seed = 2463534242u;
    for (char &byte : source) {
        seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5; // xorshift32
        byte = char(seed);
    }
    const QString bin = scratchPath(QStringLiteral("made.bin"));
    const QString hex = scratchPath(QStringLiteral("made.hex"));
    QVERIFY(writeFile(bin, source));
    QProcess objcopy;
    objcopy.start(QStringLiteral("objcopy"),
                  {"-I", "binary", "-O", "ihex", "--change-addresses", "0x08000000", bin, hex});
    QVERIFY(objcopy.waitForFinished(30000));
    QCOMPARE(objcopy.exitCode(), 0);
    QByteArray text = readFile(hex);
    // objcopy ends its lines with CR LF and writes a start linear address record.
    QVERIFY(text.contains("\r\n:0400000508000000EF\r\n"));
    if (!crlf)
        QVERIFY(writeFile(hex, text.replace("\r\n", "\n")));

    std::ostringstream out;
    IntelHexReader reader(out);
    QCOMPARE(readAll(hex, reader), QList<quint32>());
    QVERIFY(reader.imageBytes() == source);
    QVERIFY(reader.startAddressSeen());
    QCOMPARE(reader.startAddress(), IntelHexReader::kFlashStart);
    QCOMPARE(reader.imageChecksum(), Fletcher16::of(source));
}

QTEST_APPLESS_MAIN(TestHexFile)
#include "tst_hexfile.moc"
