#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

struct TBTubeLogData;

// One decoder signal as named values in order, printed as one JSON object per line or, for
// telemetry, as one CSV row: vorne-monitor's output, and the Plot tab's CSV export.
class MonitorEvent
{
public:
    MonitorEvent(const char *event, const QDateTime &time);

    MonitorEvent &text(const char *key, const QString &value);
    MonitorEvent &integer(const char *key, qint64 value);
    MonitorEvent &real(const char *key, float value);

    // "event", "time", then the values; ends with LF.
    QByteArray toJson() const;
    // "time", then the values' keys / values; ends with LF.
    QByteArray csvHeader() const;
    QByteArray toCsv() const;

    // Every member of the record by its name, then "macText" and "ipText".
    static MonitorEvent telemetry(const TBTubeLogData &d, const QDateTime &time);

private:
    struct Value
    {
        QByteArray key;
        QByteArray json;
        QByteArray csv;
    };

    QByteArray event;
    QByteArray time;
    QVector<Value> values;
};
