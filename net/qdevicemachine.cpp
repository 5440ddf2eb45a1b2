#include "qdevicemachine.h"

namespace {
QDeviceMachine *theInstance = nullptr;
} // namespace

QDeviceMachine *QDeviceMachine::instance()
{
    if (!theInstance) {
        theInstance = new QDeviceMachine();
        connect(theInstance, &QDeviceMachine::seenDevice, theInstance,
                &QDeviceMachine::local_seenDevice);
    }
    return theInstance;
}

QDeviceMachine *QDeviceMachine::existingInstance()
{
    return theInstance;
}

QDeviceMachine::QDeviceMachine(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TBTubeLogData>("TBTubeLogData");
}

QDeviceMachine::~QDeviceMachine()
{
    clearAll();
    delete mainDev;
    if (theInstance == this)
        theInstance = nullptr;
}

void QDeviceMachine::setMainDevice(const Device *d)
{
    delete mainDev;
    mainDev = nullptr;
    if (!d)
        return; // mainMac keeps its last value
    mainDev = new Device(d->type, d->mac, d->ip, d->hw, d->sw, d->name);
    mainMac = d->mac;
}

QDeviceMachine::DeviceTable *QDeviceMachine::devicesOfType(int type) const
{
    return devices.value(type, nullptr);
}

Device *QDeviceMachine::deviceFor(int type, const QString &mac) const
{
    const DeviceTable *table = devicesOfType(type);
    return table ? table->value(mac, nullptr) : nullptr;
}

QString QDeviceMachine::deviceName(int type, const QString &mac) const
{
    const Device *d = deviceFor(type, mac);
    return d ? d->name : mac;
}

void QDeviceMachine::clearType(int type)
{
    DeviceTable *table = devicesOfType(type);
    if (!table)
        return;
    qDeleteAll(*table);
    table->clear();
}

void QDeviceMachine::clearAll()
{
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        clearType(it.key());
        delete it.value();
    }
    devices.clear();
}

void QDeviceMachine::lookup(int) {}
void QDeviceMachine::gotUDPPacket(QString) {}
void QDeviceMachine::local_seenDevice(QString, QString, QString, int, QString, QString) {}
void QDeviceMachine::lookupFinished() {}
