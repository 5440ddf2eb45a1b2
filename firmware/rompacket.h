#pragma once

#include <QByteArray>
#include <cstdint>

// The frames of the board's "put_binary" ROM write: the command line that announces a file
// and the binary packets that carry it. Pure functions, so the wire bytes are easy to test.
namespace RomPacket {

// Data bytes in one packet; the board's receive buffer is sized for this.
constexpr int kMaxData = 240;
// Length byte, four sequence bytes and the two Fletcher-16 bytes around the data.
constexpr int kFraming = 7;

// One packet: length (whole packet), big-endian sequence, data, Fletcher-16 sum1 and sum2
// over everything before them. data must hold 1 to kMaxData bytes.
QByteArray frame(const QByteArray &data, uint32_t sequence);

// "put_binary address:size:checksum\r\n", all three decimal.
QByteArray putBinaryCommand(uint32_t address, uint32_t size, uint32_t checksum);

} // namespace RomPacket
