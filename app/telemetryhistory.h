#pragma once

#include "tbtubelogdata.h"

#include <QDateTime>
#include <QPointF>
#include <QVector>
#include <chrono>
#include <deque>

class QIODevice;

// The connected board's telemetry of the last hour, oldest first, each record with the
// moment it arrived: what the plot draws its series from and exports. Samples older than an
// hour leave as new ones come; a board that sends far faster than usual is bounded by count.
class TelemetryHistory
{
public:
    enum class Quantity { TempIn, TempH1, TempH2, TempHat, Flow, Power };
    static constexpr Quantity kQuantities[] = {Quantity::TempIn, Quantity::TempH1,
                                               Quantity::TempH2, Quantity::TempHat,
                                               Quantity::Flow,   Quantity::Power};

    static constexpr std::chrono::minutes kKept{60};
    static constexpr int kMaxSamples = 36000; // ten records a second for an hour

    struct Sample
    {
        QDateTime time;
        TBTubeLogData record;
    };

    void append(const QDateTime &time, const TBTubeLogData &record);
    int size() const { return int(samples.size()); }

    // One quantity of the samples from `from` to `to` (both included) as points of
    // (milliseconds since the epoch, value).
    QVector<QPointF> points(Quantity quantity, const QDateTime &from, const QDateTime &to) const;

    // The same samples in vorne-monitor's CSV: its header row, then one row per sample.
    bool writeCsv(QIODevice *device, const QDateTime &from, const QDateTime &to) const;

    static double value(const TBTubeLogData &record, Quantity quantity);

private:
    template<typename Visit>
    void forEachBetween(const QDateTime &from, const QDateTime &to, Visit visit) const;

    std::deque<Sample> samples;
};
