#include "hexrecordchecker.h"

#include "fletcher16.h"

#include <algorithm>

namespace {

enum RecordType {
    kData = 0,
    kEndOfFile = 1,
    kSegmentAddress = 2,
    kSegmentStart = 3,
    kLinearAddress = 4,
    kLinearStart = 5,
    kVendor = 6, // not standard, but the program lets it through; it carries nothing here
};

constexpr int kFraming = 11; // ':' + count, address, type and checksum as hex digits

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower-case digits are refused as well: the bootloader reads upper case
}

HexRecordChecker::Verdict refused(const QString &reason)
{
    return {false, reason};
}

} // namespace

HexRecordChecker::HexRecordChecker()
    : flash(kFlashSize, '\0')
{}

HexRecordChecker::Verdict HexRecordChecker::check(const QByteArray &line)
{
    if (!line.startsWith(':'))
        return refused(QStringLiteral("record does not start with ':'"));
    QByteArray bytes;
    for (int i = 1; i + 1 < line.size(); i += 2) {
        const int high = hexValue(line.at(i));
        const int low = hexValue(line.at(i + 1));
        if (high < 0 || low < 0)
            return refused(QStringLiteral("record holds a character that is no upper-case hex"));
        bytes.append(char(high * 16 + low));
    }
    if (line.size() < kFraming || line.size() % 2 == 0 || hexValue(line.back()) < 0)
        return refused(QStringLiteral("record too short or of odd length"));
    const int count = uint8_t(bytes.at(0));
    if (line.size() != 2 * count + kFraming)
        return refused(QStringLiteral("record length does not match its byte count"));
    uint8_t sum = 0;
    for (char b : bytes)
        sum += uint8_t(b);
    if (sum != 0)
        return refused(QStringLiteral("record checksum error"));

    const int address = uint8_t(bytes.at(1)) * 256 + uint8_t(bytes.at(2));
    const int type = uint8_t(bytes.at(3));
    const QByteArray data = bytes.mid(4, count);
    if (type > kVendor)
        return refused(QStringLiteral("unknown record type %1").arg(type));
    if (type != kData && address != 0)
        return refused(QStringLiteral("address on a record that is not data"));
    if (endSeen)
        return refused(QStringLiteral("record after the end-of-file record"));

    switch (type) {
    case kData:
        return acceptData(address, data);
    case kEndOfFile:
        endSeen = true; // data bytes on it, if any, are not part of the image
        break;
    case kSegmentAddress:
    case kSegmentStart:
        return refused(QStringLiteral("segment addressing is not supported"));
    // The address records carry their value in their first data bytes, as the program's reader
    // takes them; bytes after those are not looked at.
    case kLinearAddress:
        if (count < 2)
            return refused(QStringLiteral("extended address record needs two bytes"));
        upperBase =
            (uint8_t(data.at(0)) * 256 + uint8_t(data.at(1))) * int64_t(0x10000) - kFlashStart;
        break;
    case kLinearStart:
        if (count < 4)
            return refused(QStringLiteral("start address record needs four bytes"));
        if (startSeen)
            return refused(QStringLiteral("start address set twice"));
        startSeen = true;
        break;
    default:
        break;
    }
    return {true, QString()};
}

QByteArray HexRecordChecker::image() const
{
    return flash.left(highest + 1);
}

uint16_t HexRecordChecker::checksum() const
{
    return Fletcher16::of(image());
}

HexRecordChecker::Verdict HexRecordChecker::acceptData(int address, const QByteArray &data)
{
    const int64_t offset = upperBase + address;
    if (offset < 0 || offset + data.size() > kFlashSize)
        return refused(QStringLiteral("data outside the flash"));
    flash.replace(int(offset), data.size(), data);
    if (!data.isEmpty())
        highest = std::max(highest, int(offset) + data.size() - 1);
    return {true, QString()};
}
