#pragma once

// Telemetry records as the decoder builds them, for the status panel's tests.

#include "tbtubelogdata.h"

#include <QStringList>

// The record's IP field of a dotted text: the first number of the text in the lowest byte.
inline uint32_t recordIp(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    uint32_t ip = 0;
    for (int i = 0; i < 4; ++i)
        ip |= parts.at(i).toUInt() << (8 * i);
    return ip;
}

inline TBTubeLogData telemetryRecord(const QString &ip,
                                     const QString &mac = QStringLiteral("00564f524e01"))
{
    TBTubeLogData record;
    record.ip = recordIp(ip);
    record.macHigh = mac.left(8).toUInt(nullptr, 16);
    record.macLow = mac.mid(8).toUInt(nullptr, 16);
    return record;
}
