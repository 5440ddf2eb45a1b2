#include "intelhexreader.h"

#include "fletcher16.h"

#include <cstring>
#include <iostream>

namespace {

enum RecordType : quint8 {
    Data = 0x00,
    EndOfFile = 0x01,
    ExtendedSegmentAddress = 0x02,
    StartSegmentAddress = 0x03,
    ExtendedLinearAddress = 0x04,
    StartLinearAddress = 0x05,
    HighestType = 0x06,
};

// Value of every upper-case hex digit, -1 for any other character (lower case included: the
// bootloader only takes upper-case records).
struct HexDigits
{
    constexpr HexDigits()
    {
        for (int c = 0; c < 256; ++c)
            value[c] = -1;
        for (int c = '0'; c <= '9'; ++c)
            value[c] = static_cast<signed char>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c)
            value[c] = static_cast<signed char>(c - 'A' + 10);
    }
    signed char value[256] = {};
};
constexpr HexDigits kHexDigits;

int digit(char c)
{
    return kHexDigits.value[static_cast<unsigned char>(c)];
}

// "skräptecken" in UTF-8, whatever the source file's encoding.
constexpr char kBadCharacterText[] = "skr\xC3\xA4ptecken";
constexpr char kBadLengthText[] = "lengthfel";

} // namespace

IntelHexReader::IntelHexReader(std::ostream &out)
    : output(&out)
    , memory(kImageSize, 0)
{}

IntelHexReader::IntelHexReader()
    : IntelHexReader(std::cout)
{}

bool IntelHexReader::parseHexLine(const char *line, int length)
{
    refusal = Refusal::None;
    if (length < 1)
        return refuse(Refusal::EmptyLine, kBadCharacterText);
    if (line[0] != ':')
        return refuse(Refusal::BadCharacter, kBadCharacterText);
    for (int i = 1; i < length; ++i) {
        if (digit(line[i]) < 0)
            return refuse(Refusal::BadCharacter, kBadCharacterText);
    }
    const int count = length >= 3 ? digit(line[1]) * 16 + digit(line[2]) : -1;
    if (length != 2 * count + kMinRecordLength)
        return refuse(Refusal::BadLength, kBadLengthText);

    // count, address high, address low, type, data..., checksum
    quint8 bytes[(kMaxRecordLength - 1) / 2];
    const int byteCount = (length - 1) / 2;
    unsigned sum = 0;
    for (int i = 0; i < byteCount; ++i) {
        bytes[i] = static_cast<quint8>(digit(line[1 + 2 * i]) * 16 + digit(line[2 + 2 * i]));
        sum += bytes[i];
    }
    const quint8 type = bytes[3];
    const quint32 address16 = quint32(bytes[1]) << 8 | bytes[2];
    if (type > HighestType)
        return refuse(Refusal::BadType, "typefel");
    if (type != Data && address16 != 0)
        return refuse(Refusal::NonDataAddress, "Nondatatype");
    if ((sum & 0xFF) != 0)
        return refuse(Refusal::BadChecksum, "Checksumfel");

    if (type == Data)
        return acceptData(bytes + 4, count, address16);
    return acceptExtended(bytes + 4, count, type);
}

bool IntelHexReader::refuse(Refusal why, const char *text)
{
    refusal = why;
    if (text)
        *output << text << "not valid record at line " << lineCount << "\n" << std::flush;
    return false;
}

bool IntelHexReader::acceptData(const quint8 *bytes, int count, quint32 address16)
{
    const quint32 address = address16 + baseOffset;
    if (address != writeCursor)
        writeCursor = address;
    // The limit is twice the byte count, as the bootloader checks it. Summed in 64 bits so an
    // address near 4 GiB (a base from a wrapped type 04 record) cannot wrap past the check.
    if (quint64(address) + 2 * quint64(count) >= kImageSize) {
        refusal = Refusal::TooLarge;
        *output << "Error: line " << lineCount << ", too large, no enough ROM\n" << std::flush;
        return false;
    }
    std::memcpy(memory.data() + writeCursor, bytes, size_t(count));
    writeCursor += quint32(count);
    // A record without data bytes writes nothing, so it cannot move highest (at offset 0 it
    // would otherwise make it 0xFFFFFFFF).
    if (count > 0 && writeCursor - 1 > highestOffset)
        highestOffset = writeCursor - 1;
    return true;
}

bool IntelHexReader::acceptExtended(const quint8 *bytes, int count, quint8 type)
{
    // The address records carry their value in the first data bytes; a record too short to
    // hold it is refused rather than read into its checksum and beyond.
    const int needed = type == StartLinearAddress                                        ? 4
                       : type == ExtendedSegmentAddress || type == ExtendedLinearAddress ? 2
                                                                                         : 0;
    if (count < needed)
        return refuse(Refusal::TooShortForType, kBadLengthText);
    const quint32 upper = quint32(bytes[0]) << 8 | bytes[1];

    switch (type) {
    case EndOfFile:
        if (endOfFileSeen)
            return refuse(Refusal::SecondEndOfFile, nullptr);
        endOfFileSeen = true;
        return true;
    case ExtendedSegmentAddress:
        // Segment addressing is not used by files for this target: the base is still taken,
        // as a plain segment (no flash offset), but the line is refused.
        baseOffset = upper * 16;
        return refuse(Refusal::SegmentAddress, nullptr);
    case StartSegmentAddress:
        return refuse(Refusal::StartSegmentAddress, nullptr);
    case ExtendedLinearAddress:
        baseOffset = upper * 65536 - kFlashStart;
        return true;
    case StartLinearAddress:
        if (startSeen) {
            refusal = Refusal::SecondStartAddress;
            *output << "Error, set EIP twice\n" << std::flush;
            return false;
        }
        startLinearAddress = upper << 16 | quint32(bytes[2]) << 8 | bytes[3];
        startSeen = true;
        return true;
    default: // type 06: accepted, nothing to do
        return true;
    }
}

quint16 IntelHexReader::imageChecksum() const
{
    Fletcher16 checksum;
    checksum.add(image(), qsizetype(imageLength()));
    return checksum.value();
}

const char *IntelHexReader::describe(Refusal refusal)
{
    switch (refusal) {
    case Refusal::None:
        return "accepted";
    case Refusal::EmptyLine:
        return "empty line (a blank line, or read past the end of the file)";
    case Refusal::BadCharacter:
        return "not a record: it must be \":\" and upper-case hex digits only";
    case Refusal::BadLength:
        return "length does not match the byte count";
    case Refusal::BadType:
        return "record type above 06";
    case Refusal::NonDataAddress:
        return "address not 0000 in a record that is not data";
    case Refusal::BadChecksum:
        return "record checksum wrong";
    case Refusal::TooShortForType:
        return "too few data bytes for its record type";
    case Refusal::SecondEndOfFile:
        return "second end-of-file record";
    case Refusal::SegmentAddress:
        return "extended segment address record (type 02) not supported";
    case Refusal::StartSegmentAddress:
        return "start segment address record (type 03) not supported";
    case Refusal::SecondStartAddress:
        return "second start linear address record";
    case Refusal::TooLarge:
        return "data beyond the 2 MiB image (too large, no enough ROM)";
    }
    return "refused";
}
