#include "telemetryhistory.h"

#include "monitorevent.h"

#include <QIODevice>

void TelemetryHistory::append(const QDateTime &time, const TBTubeLogData &record)
{
    const QDateTime oldestKept = time.addSecs(-std::chrono::seconds(kKept).count());
    while (!samples.empty() && samples.front().time < oldestKept)
        samples.pop_front();
    if (int(samples.size()) == kMaxSamples)
        samples.pop_front();
    samples.push_back({time, record});
}

template<typename Visit>
void TelemetryHistory::forEachBetween(const QDateTime &from, const QDateTime &to, Visit visit) const
{
    // A scan rather than a binary search: a clock set back leaves the samples out of order.
    for (const Sample &sample : samples) {
        if (sample.time >= from && sample.time <= to)
            visit(sample);
    }
}

QVector<QPointF> TelemetryHistory::points(Quantity quantity, const QDateTime &from,
                                          const QDateTime &to) const
{
    QVector<QPointF> series;
    forEachBetween(from, to, [&](const Sample &sample) {
        series.append({qreal(sample.time.toMSecsSinceEpoch()), value(sample.record, quantity)});
    });
    return series;
}

bool TelemetryHistory::writeCsv(QIODevice *device, const QDateTime &from, const QDateTime &to) const
{
    bool written = device->write(MonitorEvent::telemetry({}, {}).csvHeader()) >= 0;
    forEachBetween(from, to, [&](const Sample &sample) {
        written = written &&
                  device->write(MonitorEvent::telemetry(sample.record, sample.time).toCsv()) >= 0;
    });
    return written;
}

double TelemetryHistory::value(const TBTubeLogData &record, Quantity quantity)
{
    switch (quantity) {
    case Quantity::TempIn:
        return record.tempIn;
    case Quantity::TempH1:
        return record.tempH1;
    case Quantity::TempH2:
        return record.tempH2;
    case Quantity::TempHat:
        return record.tempHat;
    case Quantity::Flow:
        return record.currFlow;
    case Quantity::Power:
        return record.power;
    }
    return 0;
}
