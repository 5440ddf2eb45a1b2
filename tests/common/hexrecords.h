#pragma once

#include "hextestfiles.h"
#include "intelhexreader.h"

#include <QByteArrayList>
#include <QTest>

Q_DECLARE_METATYPE(IntelHexReader::Refusal)

// One table of HEX record lines, each judged three ways side by side: by the program's line
// reader (its refusal and its text on standard output), by the simulated board's bootloader,
// and by `vorne-flash check` for the whole file. The last line of a row is judged; the lines
// before it are accepted.
namespace HexRecords {

inline const QByteArray kEof = ":00000001FF";

// The lines as a file to check: an end-of-file record added when none is there.
inline QByteArrayList wholeFile(QByteArrayList lines)
{
    for (const QByteArray &line : lines) {
        if (line.mid(7, 2) == "01")
            return lines;
    }
    return lines << kEof;
}

inline void addRows()
{
    using R = IntelHexReader::Refusal;
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<R>("reader");
    // The reader's text for the judged line; a word alone stands for the word followed by
    // "not valid record at line N\n".
    QTest::addColumn<QByteArray>("readerSays");
    QTest::addColumn<bool>("boardAccepts"); // the simulated bootloader's verdict on it
    QTest::addColumn<int>("stopsAt"); // where check says an upload of wholeFile() stops; 0: fit
    const auto row = [](const char *name, const QByteArrayList &lines, R reader,
                        const QByteArray &says, bool board, int stopsAt) {
        QTest::newRow(name) << lines << reader << says << board << stopsAt;
    };
    using HexTestFiles::record;
    const QByteArray bad = "skr\xC3\xA4ptecken";
    const QByteArray big = "Error: line 2, too large, no enough ROM\n";
    const QByteArray eip = "Error, set EIP twice\n";
    const QByteArray sixteen(16, '\xAB');
    const QByteArray data = record(0, 0, sixteen);
    const QByteArray top = record(4, 0, QByteArray::fromHex("081F"));  // the image's last 64 KiB
    const QByteArray low = record(4, 0, QByteArray(2, 0));             // below the flash
    const QByteArray wrap = record(4, 0, QByteArray::fromHex("07FF")); // base 0xFFFF0000
    const QByteArray high = record(0, 0xFFF0, sixteen);
    const QByteArray wide = record(4, 0, QByteArray::fromHex("08000000"));
    const QByteArray start = record(5, 0, QByteArray::fromHex("08000131"));
    const QByteArray segment = record(2, 0, QByteArray::fromHex("1000"));
    const QByteArray segmentStart = record(3, 0, QByteArray(4, 0));
    const QByteArray addressed = ":020001040800F1";
    row("end of file accepted", {data, kEof}, R::None, {}, 1, 0);
    row("second end of file refused without text", {kEof, kEof}, R::SecondEndOfFile, {}, 0, 2);
    row("blank line after the end refused", {data, kEof, ""}, R::EmptyLine, bad, 0, 3);
    row("empty line refused as stray characters", {""}, R::EmptyLine, bad, 0, 1);
    row("lower-case data digits refused", {data.toLower()}, R::BadCharacter, bad, 0, 1);
    row("stray character", {data, data, ":00000001FG"}, R::BadCharacter, bad, 0, 3);
    row("one character too many refused", {data + "0"}, R::BadLength, "lengthfel", 0, 1);
    row("one character too few refused", {data.chopped(1)}, R::BadLength, "lengthfel", 0, 1);
    row("type 0A refused", {":0000000AF6"}, R::BadType, "typefel", 0, 1);
    row("address record with an address", {addressed}, R::NonDataAddress, "Nondatatype", 0, 1);
    row("wrong checksum refused", {":00000001FE"}, R::BadChecksum, "Checksumfel", 0, 1);
    row("address record without data", {":00000004FC"}, R::TooShortForType, "lengthfel", 0, 1);
    row("segment address refused without text", {segment}, R::SegmentAddress, {}, 0, 1);
    row("start segment refused without text", {segmentStart}, R::StartSegmentAddress, {}, 0, 1);
    row("second start linear address refused", {start, start}, R::SecondStartAddress, eip, 0, 2);
    // The reader counts twice the byte count against the image, as the bootloader does;
    // the simulated flash would still hold this record.
    row("twice the size past the end", {top, record(0, 0xFFE0, sixteen)}, R::TooLarge, big, 1, 2);
    row("twice the size below the end", {top, record(0, 0xFFDF, sixteen)}, R::None, {}, 1, 0);
    row("upper address below the flash wraps", {low, data}, R::TooLarge, big, 0, 2);
    row("wrapped base cannot write past it", {wrap, high}, R::TooLarge, big, 0, 2);
    row("longest record accepted", {record(0, 0, QByteArray(255, 'x'))}, R::None, {}, 1, 0);
    // The reader takes each of these lines; the rule of the whole file, or the uploader's
    // reading of it, decides.
    row("data after the end-of-file record", {data, kEof, data}, R::None, {}, 0, 3);
    row("end-of-file record with data accepted", {data, record(1, 0, "x")}, R::None, {}, 1, 0);
    row("extended address of four bytes accepted", {wide}, R::None, {}, 1, 0);
    row("a file of the end-of-file record alone is read past it", {kEof}, R::None, {}, 1, 2);
}

} // namespace HexRecords
