#include "rompacketreceiver.h"

#include "fletcher16.h"

#include <QStringList>

bool RomPacketReceiver::parseRequest(const QString &arguments, Request *request, QString *error)
{
    const QStringList parts = arguments.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 3) {
        *error = QStringLiteral("put_binary needs address:size:checksum");
        return false;
    }
    uint32_t values[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = parts.at(i).toUInt(&ok);
        if (!ok) {
            *error = QStringLiteral("put_binary field %1 is not a number").arg(i + 1);
            return false;
        }
    }
    const Request r{values[0], values[1], values[2]};
    if (r.address >= kRomSize || r.size > kRomSize - r.address) {
        *error = QStringLiteral("put_binary area does not fit the ROM");
        return false;
    }
    if (r.checksum > 0xFFFF) {
        *error = QStringLiteral("put_binary checksum is no 16-bit value");
        return false;
    }
    *request = r;
    return true;
}

RomPacketReceiver::RomPacketReceiver(const Request &request)
    : wanted(request)
{}

RomPacketReceiver::Step RomPacketReceiver::start()
{
    if (wanted.size > 0)
        return Step::NeedMore;
    return finish();
}

RomPacketReceiver::Step RomPacketReceiver::take(QByteArray &buffer)
{
    if (!failure.isEmpty())
        return Step::Failed;
    if (buffer.isEmpty())
        return Step::NeedMore;
    const int length = uint8_t(buffer.at(0));
    if (length <= kFraming || length > kMaxData + kFraming)
        return fail(QStringLiteral("packet %1: bad length byte %2").arg(sequence).arg(length));
    if (buffer.size() < length)
        return Step::NeedMore;
    const QByteArray frame = buffer.left(length);
    buffer.remove(0, length);

    const uint32_t number = uint32_t(uint8_t(frame.at(1))) << 24 |
                            uint32_t(uint8_t(frame.at(2))) << 16 |
                            uint32_t(uint8_t(frame.at(3))) << 8 | uint8_t(frame.at(4));
    if (number != sequence)
        return fail(QStringLiteral("packet %1: sequence %2").arg(sequence).arg(number));
    Fletcher16 sums;
    sums.add(frame.constData(), length - 2);
    if (sums.first() != uint8_t(frame.at(length - 2)) ||
        sums.second() != uint8_t(frame.at(length - 1)))
        return fail(QStringLiteral("packet %1: Fletcher bytes do not match").arg(sequence));
    const QByteArray data = frame.mid(5, length - kFraming);
    if (uint32_t(received.size()) + data.size() > wanted.size)
        return fail(QStringLiteral("packet %1: more data than announced").arg(sequence));

    received += data;
    lastSize = data.size();
    ++sequence;
    if (uint32_t(received.size()) < wanted.size)
        return Step::PacketAccepted;
    return finish();
}

RomPacketReceiver::Step RomPacketReceiver::finish()
{
    const uint16_t sum = Fletcher16::of(received);
    if (sum != wanted.checksum)
        return fail(QStringLiteral("file checksum %1, announced %2").arg(sum).arg(wanted.checksum));
    return Step::FileComplete;
}

RomPacketReceiver::Step RomPacketReceiver::fail(const QString &reason)
{
    failure = reason;
    return Step::Failed;
}
