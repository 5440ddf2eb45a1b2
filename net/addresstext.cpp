#include "addresstext.h"

namespace {

// Appends value as lower-case hex, padded with zeros to at least minDigits.
// Hand-made because the decoder formats a MAC for every telemetry line.
void appendHex(QChar *&out, uint32_t value, int minDigits)
{
    static const char digits[] = "0123456789abcdef";
    char buf[8];
    int n = 0;
    do {
        buf[n++] = digits[value & 15];
        value >>= 4;
    } while (value != 0);
    for (int pad = n; pad < minDigits; ++pad)
        *out++ = QLatin1Char('0');
    while (n > 0)
        *out++ = QLatin1Char(buf[--n]);
}

} // namespace

namespace AddressText {

QString mac(uint32_t high, uint32_t low)
{
    QString text(16, Qt::Uninitialized);
    QChar *out = text.data();
    appendHex(out, high, 8);
    appendHex(out, low, 4);
    text.truncate(int(out - text.constData()));
    return text;
}

QString ip(int first, int second, int third, int fourth)
{
    return QString::number(first) + QLatin1Char('.') + QString::number(second) + QLatin1Char('.') +
           QString::number(third) + QLatin1Char('.') + QString::number(fourth);
}

} // namespace AddressText
