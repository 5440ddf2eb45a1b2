#include "flashcommand.h"
#include "hexfile.h"
#include "hexrecordchecker.h"
#include "hexrecords.h"
#include "intelhexreader.h"

#include <QtTest>

#include <sstream>
#include <unistd.h>

using R = IntelHexReader::Refusal;
Q_DECLARE_METATYPE(R)

using namespace HexTestFiles;

// Reading a HEX file line by line, the checks of one record line, and the image the records
// build.
class TestIntelHexReader : public QObject
{
    Q_OBJECT

private slots:
    void readsLines_data();
    void readsLines();
    void recordTable_data();
    void recordTable();
    void buildsImage_data();
    void buildsImage();
};

void TestIntelHexReader::readsLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("piped"); // -1: a file; else the most the pipe may give
    const auto row = [](const char *name, const QByteArray &content, const QByteArrayList &lines,
                        const QList<int> &lengths, int piped = -1) {
        QTest::newRow(name) << content << lines << lengths << piped;
    };
    const QByteArrayList two = {":00", ":01"};
    const QByteArray longLine = ':' + QByteArray(5000, '0');
    row("LF line ends", ":00\n:01\n", two, {3, 3});
    row("CR LF line ends not counted", ":00\r\n:01\r\n", two, {3, 3});
    row("blank line read as empty", ":00\n\n:01\n", {":00", "", ":01"}, {3, 0, 3});
    row("overlong line cut but counted", longLine + "\r\n:00000001FF\n",
        {longLine.left(HexFile::kMaxKeptLine), ":00000001FF"}, {5001, 11});
    row("a pipe read whole", ":00\n:01\n", two, {3, 3}, 8);
    row("a pipe giving more than its limit refused", ":00\n:01\n", {}, {}, 7);
}

void TestIntelHexReader::readsLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArrayList, lines);
    QFETCH(QList<int>, lengths);
    QFETCH(int, piped);
    QString path = QStringLiteral("lines.hex");
    QVERIFY(writeFile(path, content));
    int ends[2]; // a pipe that has given content and ended, opened by its name (Linux)
    if (piped >= 0) {
        QVERIFY(::pipe(ends) == 0 && ::write(ends[1], content.data(), size_t(content.size())) > 0);
        ::close(ends[1]);
        path = QStringLiteral("/dev/fd/%1").arg(ends[0]); // open until the test ends
    }
    HexFile file;
    const bool opened = file.open(path, piped < 0 ? HexFile::kMaxPiped : piped);
    QCOMPARE(opened, !lines.isEmpty());
    if (!opened) {
        QVERIFY(file.errorString().contains("more than 7 bytes"));
        return;
    }
    QByteArray line;
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY(!file.atEnd());
        QCOMPARE(file.readLine(line), lengths.at(i));
        QCOMPARE(line, lines.at(i));
    }
    QVERIFY(file.atEnd());
    QCOMPARE(file.readLine(line), 0); // past the end: an empty line
    QCOMPARE(line, QByteArray());
}

// Every row of the shared table judged three ways side by side: the reader's refusal and its
// text, the simulated bootloader's verdict, and `vorne-flash check` of the whole file, which
// the board must never refuse when check finds it fit.
void TestIntelHexReader::recordTable_data()
{
    QTest::addColumn<int>("row");
    const QList<HexRecords::Case> cases = HexRecords::cases();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases.at(i).name) << i;
}

void TestIntelHexReader::recordTable()
{
    QFETCH(int, row);
    const HexRecords::Case c = HexRecords::cases().at(row);
    std::ostringstream out;
    IntelHexReader reader(out);
    HexRecordChecker board;
    for (int i = 0; i < c.lines.size(); ++i) {
        const bool judged = i == c.lines.size() - 1;
        out.str({});
        reader.nextLine();
        QCOMPARE(reader.parseHexLine(c.lines.at(i)), !judged || c.reader == R::None);
        QCOMPARE(board.check(c.lines.at(i)).accepted, !judged || c.boardAccepts);
    }
    QCOMPARE(reader.lastRefusal(), c.reader);
    QByteArray said = c.readerSays;
    if (!said.isEmpty() && !said.endsWith('\n'))
        said += "not valid record at line " + QByteArray::number(c.lines.size()) + "\n";
    QCOMPARE(QByteArray::fromStdString(out.str()), said);

    const QByteArrayList file = HexRecords::wholeFile(c.lines);
    QVERIFY(writeFile(QStringLiteral("judged.hex"), file.join('\n') + '\n'));
    std::ostringstream report;
    QCOMPARE(FlashCommand(report, report).run({"check", "judged.hex"}), c.stopsAt ? 1 : 0);
    const std::string stop = "an upload would stop at line " + std::to_string(c.stopsAt) + "\n";
    QVERIFY2(!c.stopsAt || report.str().find(stop) != std::string::npos, report.str().data());
    HexRecordChecker whole;
    for (const QByteArray &line : file)
        QVERIFY(c.stopsAt || whole.check(line).accepted);
}

void TestIntelHexReader::buildsImage_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("image"); // the bytes 0 .. highest
    QTest::addColumn<quint32>("base");
    QTest::addColumn<quint16>("checksum");
    const QByteArray abc = record(0, 0, "abc");
    QByteArray wide(0x10011, '\0');
    wide[0] = 0x40;
    wide[0x10010] = 0x7E;
    QByteArray broken = abc;
    broken[broken.size() - 1] = broken.endsWith('0') ? '1' : '0';
    const QByteArray none(1, 0);
    const auto row = [](const char *name, const QByteArrayList &lines, const QByteArray &image,
                        quint32 base, quint16 checksum) {
        QTest::newRow(name) << lines << image << base << checksum;
    };
    row("gap reads zero and moves the checksum", {abc, record(0, 5, "d")},
        QByteArray("abc\0\0d", 6), 0, 0x268B);
    row("type 04 above flash start moves the base",
        {":020000040800F2", record(0, 0, "\x40"), ":020000040801F1", record(0, 0x10, "\x7E")}, wide,
        0x10000, 0x03BE);
    row("empty data record leaves highest at zero", {":0000000000"}, none, 0, 0);
    row("refused line leaves the image unchanged", {broken}, none, 0, 0);
}

void TestIntelHexReader::buildsImage()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, image);
    QFETCH(quint32, base);
    QFETCH(quint16, checksum);
    std::ostringstream out;
    IntelHexReader reader(out);
    for (const QByteArray &line : qAsConst(lines)) {
        reader.nextLine();
        reader.parseHexLine(line);
    }
    QVERIFY(reader.imageBytes() == image);
    QCOMPARE(reader.highest(), quint32(image.size() - 1));
    QCOMPARE(reader.base(), base);
    QCOMPARE(reader.imageChecksum(), checksum);
}

QTEST_APPLESS_MAIN(TestIntelHexReader)
#include "tst_intelhexreader.moc"
