#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>

class MonitorEvent;
class QDeviceMachine;
class QIODevice;

// Writes every decoder signal of the registry to an output device, one line per signal.
// Give it an unbuffered device so that a tool reading a pipe sees each event as it comes.
class DeviceMonitor : public QObject
{
    Q_OBJECT
public:
    enum class Format {
        Json, // every signal as a JSON object
        Csv,  // telemetry only, as CSV rows under a header row
    };
    using Clock = std::function<QDateTime()>;

    DeviceMonitor(QDeviceMachine *hub, QIODevice *out, Format format, bool raw,
                  Clock now = &QDateTime::currentDateTime, QObject *parent = nullptr);

private:
    // The parameters brew start and end share; each adds its own time value.
    MonitorEvent brewEvent(const char *event, const QString &guid, const QString &name,
                           const QString &recipestring, int thermosId) const;
    void write(const MonitorEvent &event);

    QIODevice *out;
    Format format;
    Clock now;
};
