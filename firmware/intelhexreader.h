#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <iosfwd>
#include <vector>

// Checks Intel HEX record lines one at a time and builds the flat firmware image from the data
// records (image offset 0 = flash address 0x08000000). Its texts go to standard output.
class IntelHexReader
{
public:
    static constexpr quint32 kImageSize = 0x200000;
    static constexpr quint32 kFlashStart = 0x08000000;
    // ":" + count + address + type + checksum, without any data byte.
    static constexpr int kMinRecordLength = 11;
    static constexpr int kMaxRecordLength = 2 * 255 + kMinRecordLength;

    // Why a line was refused; None for an accepted line.
    enum class Refusal {
        None,
        EmptyLine,
        BadCharacter,
        BadLength,
        BadType,
        NonDataAddress,
        BadChecksum,
        TooShortForType,
        SecondEndOfFile,
        SegmentAddress,
        StartSegmentAddress,
        SecondStartAddress,
        TooLarge,
    };

    // The diagnostics go to out (standard output unless a caller wants them elsewhere).
    explicit IntelHexReader(std::ostream &out);
    IntelHexReader();
    IntelHexReader(const IntelHexReader &) = delete;
    IntelHexReader &operator=(const IntelHexReader &) = delete;

    void setOutput(std::ostream &out) { output = &out; }

    // The caller counts lines: call nextLine() before handing over each line of the file.
    void nextLine() { ++lineCount; }
    quint32 lineNumber() const { return lineCount; }

    // line must already be free of carriage returns and line feeds.
    bool parseHexLine(const char *line, int length);
    bool parseHexLine(const QByteArray &line)
    {
        return parseHexLine(line.constData(), line.size());
    }

    Refusal lastRefusal() const { return refusal; }
    static const char *describe(Refusal refusal);

    quint32 base() const { return baseOffset; }
    quint32 cursor() const { return writeCursor; }
    quint32 highest() const { return highestOffset; }
    bool eofSeen() const { return endOfFileSeen; }
    bool startAddressSeen() const { return startSeen; }
    quint32 startAddress() const { return startLinearAddress; }

    // The image bytes 0 .. highest, i.e. what the board holds after the upload.
    const char *image() const { return reinterpret_cast<const char *>(memory.data()); }
    quint32 imageLength() const { return highestOffset + 1; }
    QByteArray imageBytes() const { return QByteArray(image(), int(imageLength())); }
    quint16 imageChecksum() const;

private:
    bool refuse(Refusal why, const char *text);
    bool acceptData(const quint8 *bytes, int count, quint32 address16);
    bool acceptExtended(const quint8 *bytes, int count, quint8 type);

    std::ostream *output;
    std::vector<quint8> memory;
    quint32 baseOffset = 0;
    quint32 writeCursor = 0;
    quint32 highestOffset = 0;
    quint32 lineCount = 0;
    bool endOfFileSeen = false;
    bool startSeen = false;
    quint32 startLinearAddress = 0;
    Refusal refusal = Refusal::None;
};
