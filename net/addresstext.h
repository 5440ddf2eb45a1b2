#pragma once

#include <QString>
#include <cstdint>

// Text forms of board addresses shared by the registry, the decoder and the telemetry record.
namespace AddressText {

// "%08x%04x": MAC bytes 1 to 4 as one number, bytes 5 and 6 as another.
QString mac(uint32_t high, uint32_t low);

// "%d.%d.%d.%d" of four numbers in the order given.
QString ip(int first, int second, int third, int fourth);

} // namespace AddressText
