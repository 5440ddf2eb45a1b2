#include "devicemonitor.h"

#include "monitorevent.h"
#include "qdevicemachine.h"

#include <QIODevice>

#include <utility>

DeviceMonitor::DeviceMonitor(QDeviceMachine *hub, QIODevice *out, Format format, bool raw,
                             Clock now, QObject *parent)
    : QObject(parent)
    , out(out)
    , format(format)
    , now(std::move(now))
{
    connect(hub, &QDeviceMachine::logReceived, this,
            [this](TBTubeLogData d) { write(MonitorEvent::telemetry(d, this->now())); });
    if (format == Format::Csv) {
        out->write(MonitorEvent::telemetry(TBTubeLogData(), QDateTime()).csvHeader());
        return;
    }
    connect(hub, &QDeviceMachine::seenDevice, this,
            [this](QString mac, QString ip, QString name, int type, QString hw, QString sw) {
                write(MonitorEvent("seenDevice", this->now())
                          .text("mac", mac)
                          .text("ip", ip)
                          .text("name", name)
                          .integer("type", type)
                          .text("hw", hw)
                          .text("sw", sw));
            });
    connect(hub, &QDeviceMachine::objectChanged, this, [this](ulong objjId, ulong value) {
        write(MonitorEvent("objectChanged", this->now())
                  .integer("objjId", qint64(objjId))
                  .integer("value", qint64(value)));
    });
    connect(
        hub, &QDeviceMachine::brewStart, this,
        [this](QString guid, QString name, QString recipestring, int thermosId, int est_time_left) {
            write(brewEvent("brewStart", guid, name, recipestring, thermosId)
                      .integer("est_time_left", est_time_left));
        });
    connect(
        hub, &QDeviceMachine::brewEnd, this,
        [this](QString guid, QString name, QString recipestring, int thermosId, int thermosTimer) {
            write(brewEvent("brewEnd", guid, name, recipestring, thermosId)
                      .integer("thermosTimer", thermosTimer));
        });
    connect(hub, &QDeviceMachine::brewPing, this,
            [this](QString guid, int thermosId, int est_time_left) {
                write(MonitorEvent("brewPing", this->now())
                          .text("guid", guid)
                          .integer("thermosId", thermosId)
                          .integer("est_time_left", est_time_left));
            });
    connect(hub, &QDeviceMachine::macroRecived, this, [this](QString macro) {
        write(MonitorEvent("macroRecived", this->now()).text("macro", macro));
    });
    if (raw) {
        connect(hub, &QDeviceMachine::udpPacketRecived, this, [this](QString packet) {
            write(MonitorEvent("udpPacketRecived", this->now()).text("packet", packet));
        });
    }
}

MonitorEvent DeviceMonitor::brewEvent(const char *event, const QString &guid, const QString &name,
                                      const QString &recipestring, int thermosId) const
{
    MonitorEvent e(event, now());
    e.text("guid", guid).text("name", name).text("recipestring", recipestring);
    e.integer("thermosId", thermosId);
    return e;
}

void DeviceMonitor::write(const MonitorEvent &event)
{
    out->write(format == Format::Csv ? event.toCsv() : event.toJson());
}
