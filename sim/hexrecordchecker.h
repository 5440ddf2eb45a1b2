#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The simulated bootloader's own judge of Intel HEX record lines: it checks every line
// (format, length, checksum, record type, address) and builds the flash image the accepted
// data records describe. Image offset 0 is flash address 0x08000000; the flash is 2 MiB.
class HexRecordChecker
{
public:
    static constexpr int kFlashSize = 0x200000;
    static constexpr int64_t kFlashStart = 0x08000000;

    struct Verdict
    {
        bool accepted = false;
        QString reason; // why a line was refused
    };

    HexRecordChecker();

    Verdict check(const QByteArray &line);

    bool endOfFileSeen() const { return endSeen; }
    // Flash bytes 0 .. highest written offset; never-written gaps read 0x00.
    QByteArray image() const;
    // Fletcher-16 over image().
    uint16_t checksum() const;

private:
    Verdict acceptData(int address, const QByteArray &data);

    QByteArray flash;
    int64_t upperBase = 0; // set by type 04, relative to the flash start
    int highest = -1;
    bool endSeen = false;
    bool startSeen = false;
};
