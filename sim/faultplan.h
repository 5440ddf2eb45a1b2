#pragma once

#include <QString>
#include <chrono>

// Faults a simulated board commits on purpose, for tests and demonstrations; each is off
// (0) unless a --fault option names it.
struct FaultPlan
{
    int refuseRecord = 0; // the bootloader refuses its K-th record line (counted from 1)
    int dropAfter = 0;    // a connection is closed after answering K lines or packets
    std::chrono::milliseconds slow{0}; // every answer is written this late
    int noisePacket = 0; // the K-th ROM packet of a transfer is answered with noise first
    int longLineMiB = 0; // before the first answer, this many MiB without a line feed

    // Adds one "name=value" fault; false with a reason for an unknown name or bad value.
    bool add(const QString &faultText, QString *error);
    // The spellings add() accepts, for the help text.
    static QString spellings();
};
