#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Receives one file announced by "put_binary address:size:checksum": takes the framed
// packets from the stream and checks each one (length byte, sequence, the two Fletcher-16
// bytes) and, at the end, the Fletcher-16 of the whole file.
class RomPacketReceiver
{
public:
    static constexpr uint32_t kRomSize = 0x800000; // the board's 8 MiB external ROM
    static constexpr int kMaxData = 240;
    static constexpr int kFraming = 7; // length byte, 4 sequence bytes, 2 Fletcher bytes

    struct Request
    {
        uint32_t address = 0;
        uint32_t size = 0;
        uint32_t checksum = 0;
    };
    enum class Step { NeedMore, PacketAccepted, FileComplete, Failed };

    // Parses the arguments "address:size:checksum" (decimal); false with a reason.
    static bool parseRequest(const QString &arguments, Request *request, QString *error);

    explicit RomPacketReceiver(const Request &request);

    // An empty file is complete at once (its checksum must be 0); any other needs packets.
    Step start();

    // Takes at most one packet from the front of buffer. After Failed the receiver is spent.
    Step take(QByteArray &buffer);

    const Request &request() const { return wanted; }
    QString error() const { return failure; }
    const QByteArray &data() const { return received; }
    uint32_t packets() const { return sequence; }
    // The data bytes of the last accepted packet.
    int lastPacketSize() const { return lastSize; }

private:
    Step finish();
    Step fail(const QString &reason);

    const Request wanted;
    QByteArray received;
    uint32_t sequence = 0;
    int lastSize = 0;
    QString failure;
};
