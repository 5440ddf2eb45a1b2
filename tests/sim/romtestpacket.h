#pragma once

#include "fletcher16.h"

#include <QByteArray>
#include <cstdint>

// A ROM packet framed as the program sends it: length, big-endian sequence, data, and the
// Fletcher-16 sum1 and sum2 over everything before them.
inline QByteArray romTestPacket(const QByteArray &data, uint32_t sequence)
{
    QByteArray bytes(1, char(data.size() + 7));
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char((sequence >> shift) & 0xFF));
    bytes.append(data);
    Fletcher16 sums;
    sums.add(bytes);
    bytes.append(char(sums.first()));
    bytes.append(char(sums.second()));
    return bytes;
}
