#pragma once

#include <QByteArray>
#include <cstdint>

// Fletcher-16 as the boards compute it: both sums start at 0 and are reduced modulo 255
// after every byte; the value is sum2 * 256 + sum1. Used for the firmware image checksum,
// the ROM file checksum and the two check bytes of every ROM packet.
class Fletcher16
{
public:
    void add(const char *data, qsizetype size)
    {
        for (qsizetype i = 0; i < size; ++i) {
            sum1 = (sum1 + static_cast<uint8_t>(data[i])) % 255;
            sum2 = (sum2 + sum1) % 255;
        }
    }
    void add(const QByteArray &bytes) { add(bytes.constData(), bytes.size()); }

    uint8_t first() const { return static_cast<uint8_t>(sum1); }
    uint8_t second() const { return static_cast<uint8_t>(sum2); }
    uint16_t value() const { return static_cast<uint16_t>(sum2 * 256 + sum1); }

    static uint16_t of(const QByteArray &bytes)
    {
        Fletcher16 f;
        f.add(bytes);
        return f.value();
    }

private:
    uint32_t sum1 = 0;
    uint32_t sum2 = 0;
};
