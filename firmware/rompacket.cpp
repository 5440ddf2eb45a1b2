#include "rompacket.h"

#include "fletcher16.h"

namespace RomPacket {

QByteArray frame(const QByteArray &data, uint32_t sequence)
{
    Q_ASSERT(!data.isEmpty() && data.size() <= kMaxData);
    QByteArray packet;
    packet.reserve(data.size() + kFraming);
    packet.append(static_cast<char>(data.size() + kFraming));
    for (int shift = 24; shift >= 0; shift -= 8)
        packet.append(static_cast<char>((sequence >> shift) & 0xff));
    packet.append(data);
    Fletcher16 check;
    check.add(packet);
    packet.append(static_cast<char>(check.first()));
    packet.append(static_cast<char>(check.second()));
    return packet;
}

QByteArray putBinaryCommand(uint32_t address, uint32_t size, uint32_t checksum)
{
    return QByteArrayLiteral("put_binary ") + QByteArray::number(address) + ':' +
           QByteArray::number(size) + ':' + QByteArray::number(checksum) + "\r\n";
}

} // namespace RomPacket
