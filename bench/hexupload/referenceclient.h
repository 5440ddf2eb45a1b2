#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// The bootloader exchange written as plainly as possible, for the benchmark to measure the
// uploader against: blocking socket calls, no state machine, no record checks, no signals.
class ReferenceClient
{
public:
    // Uploads hexFile to host:port and waits out the same quiet second after the checksum as
    // the uploader. Returns false with a reason on any surprise.
    static bool upload(const QString &host, quint16 port, const QString &hexFile,
                       const QByteArray &image, QString *reason);
};
