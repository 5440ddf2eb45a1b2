#include "thermosmachine.h"

#include "netlogging.h"
#include "qdevicemachine.h"

#include <utility>

namespace {
ThermosMachine *theInstance = nullptr;
constexpr qint64 kMsPerSecond = 1000;
constexpr qint64 kMsPerMinute = 60 * kMsPerSecond;
} // namespace

ThermosMachine *ThermosMachine::instance()
{
    if (!theInstance) {
        theInstance = new ThermosMachine();
        // Normally a no-op: the main window has created the registry already.
        QDeviceMachine *hub = QDeviceMachine::instance();
        connect(hub, &QDeviceMachine::brewStart, theInstance, &ThermosMachine::brewStart);
        connect(hub, &QDeviceMachine::brewEnd, theInstance, &ThermosMachine::brewEnd);
        connect(hub, &QDeviceMachine::brewPing, theInstance, &ThermosMachine::brewPing);
    }
    return theInstance;
}

ThermosMachine *ThermosMachine::existingInstance()
{
    return theInstance;
}

ThermosMachine::ThermosMachine(ThermosClock now, QObject *parent)
    : QObject(parent)
    , now(std::move(now))
{
    records.insert(kSpareKey, new ThermosRecord(1, this->now)); // the spare one shows id 1
    for (int id = 1; id <= kThermosCount; ++id)
        records.insert(id, new ThermosRecord(id, this->now));
}

ThermosMachine::~ThermosMachine()
{
    qDeleteAll(records);
    if (theInstance == this)
        theInstance = nullptr;
}

ThermosRecord *ThermosMachine::thermos(int id) const
{
    if (id < 0)
        return nullptr;
    return records.value(id > kThermosCount ? kSpareKey : id);
}

void ThermosMachine::brewStart(QString guid, QString name, QString recipestring, int thermosId,
                               int est_time_left)
{
    qCDebug(lcNetThermos) << "brewStart:" << guid << name << thermosId << est_time_left;
    if (ThermosRecord *t = stamp(thermosId, ThermosRecord::Brewing, est_time_left * kMsPerSecond)) {
        t->name = name;
        t->guid = guid;
        t->recipe = recipestring;
    }
}

void ThermosMachine::brewEnd(QString guid, QString name, QString recipestring, int thermosId,
                             int thermosTimer)
{
    qCDebug(lcNetThermos) << "brewEnd:" << guid << name << thermosId << thermosTimer;
    // The timer is in minutes; name and guid stay those of the brew start.
    if (ThermosRecord *t = stamp(thermosId, ThermosRecord::Brewed, thermosTimer * kMsPerMinute))
        t->recipe = recipestring;
}

ThermosRecord *ThermosMachine::stamp(int thermosId, int state, qint64 msToDeadline)
{
    ThermosRecord *t = thermos(thermosId);
    if (!t)
        return nullptr;
    const QDateTime current = now();
    t->state = state;
    t->started = current.toMSecsSinceEpoch();
    t->deadline = t->started + msToDeadline;
    t->clock = current.toString(QStringLiteral("hh:mm"));
    changed = true;
    return t;
}

void ThermosMachine::brewPing(QString guid, int thermosId, int est_time_left)
{
    qCDebug(lcNetThermos) << "brewPing:" << guid << thermosId << est_time_left;
    ThermosRecord *t = thermos(thermosId);
    if (!t)
        return;
    // A ping for a thermos whose start was missed shows it brewing with its old texts.
    t->state = ThermosRecord::Brewing;
    t->deadline = now().toMSecsSinceEpoch() + est_time_left * kMsPerSecond;
    changed = true;
}

bool ThermosMachine::hasChanges()
{
    return std::exchange(changed, false);
}
