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
    void objcopyImagesReadBack_data();
    void objcopyImagesReadBack();
};

void TestHexFile::readsLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QList<int>>("lengths");

    const QByteArrayList two = {":00", ":01"};
    const QByteArray longLine = ':' + QByteArray(5000, '0');
    QTest::newRow("LF line ends") << QByteArray(":00\n:01\n") << two << QList<int>{3, 3};
    QTest::newRow("CR LF line ends not counted")
        << QByteArray(":00\r\n:01\r\n") << two << QList<int>{3, 3};
    QTest::newRow("last line without line end")
        << QByteArray(":00\n:01") << two << QList<int>{3, 3};
    QTest::newRow("blank line read as empty")
        << QByteArray(":00\n\n:01\n") << QByteArrayList{":00", "", ":01"} << QList<int>{3, 0, 3};
    QTest::newRow("stray CR removed but counted")
        << QByteArray(":0\r0\n") << QByteArrayList{":00"} << QList<int>{4};
    QTest::newRow("extra blank line at the end")
        << QByteArray(":00\n\n") << QByteArrayList{":00", ""} << QList<int>{3, 0};
    QTest::newRow("overlong line cut but counted")
        << longLine + "\r\n:00000001FF\n"
        << QByteArrayList{longLine.left(HexFile::kMaxKeptLine), ":00000001FF"}
        << QList<int>{5001, 11};
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

void TestHexFile::objcopyImagesReadBack_data()
{
    QTest::addColumn<int>("size"); // 0: the committed fixture
    QTest::addColumn<bool>("crlf");
    QTest::newRow("fixture with CR LF as objcopy writes it") << 0 << true;
    QTest::newRow("fixture with LF line ends") << 0 << false;
    QTest::newRow("one byte") << 1 << true;
    QTest::newRow("across a 64 KiB boundary (second type 04 record)") << 70000 << true;
    QTest::newRow("across a 64 KiB boundary, LF") << 70000 << false;
    QTest::newRow("one MiB") << 0x100000 << true;
}

void TestHexFile::objcopyImagesReadBack()
{
    QFETCH(int, size);
    QFETCH(bool, crlf);
    // small.hex: objcopy -I binary -O ihex --change-addresses 0x08000000 small.bin small.hex
    QByteArray source = readFile(QFINDTESTDATA("data/small.bin"));
    QByteArray text = readFile(QFINDTESTDATA("data/small.hex"));
    const QString hex = scratchPath(QStringLiteral("made.hex"));
    if (size > 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("objcopy")).isEmpty())
            QSKIP("objcopy is not installed; the committed fixture covers its format");
        source = noise(size);
        const QString in = scratchPath(QStringLiteral("made.bin"));
        QVERIFY(writeFile(in, source));
        QProcess objcopy;
        objcopy.start(QStringLiteral("objcopy"),
                      {"-I", "binary", "-O", "ihex", "--change-addresses", "0x08000000", in, hex});
        QVERIFY(objcopy.waitForFinished(30000));
        QCOMPARE(objcopy.exitCode(), 0);
        text = readFile(hex);
    }
    // objcopy ends its lines with CR LF and writes a start linear address record.
    QVERIFY(text.contains("\r\n:0400000508000000EF\r\n"));
    QVERIFY(writeFile(hex, crlf ? text : text.replace("\r\n", "\n")));

    std::ostringstream out;
    IntelHexReader reader(out);
    QCOMPARE(readAll(hex, reader), QList<quint32>());
    QVERIFY(reader.imageBytes() == source);
    QVERIFY(reader.eofSeen());
    QCOMPARE(reader.startAddress(), IntelHexReader::kFlashStart);
    QCOMPARE(reader.imageChecksum(), Fletcher16::of(source));
    QCOMPARE(out.str(), std::string());
}

QTEST_APPLESS_MAIN(TestHexFile)
#include "tst_hexfile.moc"
