#pragma once

#include "boardidentity.h"
#include "brewevent.h"
#include "tubesample.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <cstdint>

// Formats a board's UDP text packets (announce, telemetry, object, brew start and end,
// macro lines). Every counted packet takes the next number of the board's one counter,
// starting at 1, because the receiver drops a repeated counter and a first counter of 0.
class UdpPacketWriter
{
public:
    explicit UdpPacketWriter(const BoardIdentity &identity);

    QByteArray announce();
    QByteArray telemetry(const TubeSample &sample);
    QByteArray object(int id, uint32_t value);
    QByteArray brewStart(const BrewEvent &event);
    QByteArray brewEnd(const BrewEvent &event);
    // One packet per macro line, numbered 0, 1, ... and 255 for the last; not counted.
    QList<QByteArray> macroLines(const QStringList &lines) const;

    int lastCounter() const { return counter; }
    // A number as the packets carry it: no exponent, at most three decimals.
    static QString number(double value);

private:
    int nextCounter();
    QString macFields(bool lastTwoApart) const;
    QString ipFields() const;
    QByteArray brew(const char *lead, const BrewEvent &event);

    const BoardIdentity identity;
    int counter = 0;
};
