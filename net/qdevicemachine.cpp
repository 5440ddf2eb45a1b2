#include "qdevicemachine.h"

#include "netlogging.h"
#include "udppacketdecoder.h"
#include "udpreciver.h"

#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

namespace {
QDeviceMachine *theInstance = nullptr;
std::optional<quint16> receivePortSetting = UDPReciver::kDefaultPort;

constexpr int kBrewMacroFirst = 997; // telemetry of these macros also reports brew progress
constexpr int kBrewMacroSecond = 998;
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

void QDeviceMachine::setReceivePort(std::optional<quint16> port)
{
    receivePortSetting = port;
}

QDeviceMachine::QDeviceMachine(QObject *parent)
    : QObject(parent)
    , lookupTimer(new QTimer(this))
    , sendSocket(new QUdpSocket(this))
{
    qRegisterMetaType<TBTubeLogData>("TBTubeLogData");
    qRegisterMetaType<Device *>("Device*");
    if (receivePortSetting) {
        receiver = new UDPReciver(this, *receivePortSetting);
        connect(receiver, &UDPReciver::gotData, this, &QDeviceMachine::gotUDPPacket);
    }
    lookupTimer->setSingleShot(true);
    lookupTimer->setTimerType(Qt::PreciseTimer); // replies count for the full second
    lookupTimer->setInterval(kLookupDuration);
    connect(lookupTimer, &QTimer::timeout, this, &QDeviceMachine::lookupFinished);
}

quint16 QDeviceMachine::receivePort() const
{
    return receiver ? receiver->localPort() : 0;
}

QString QDeviceMachine::receiveError() const
{
    return receiver ? receiver->bindError() : QString();
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
    for (auto it = table->cbegin(); it != table->cend(); ++it)
        seenOrder.forget({type, it.key()});
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

void QDeviceMachine::lookup(int selector)
{
    lookupRunning = true;
    // The request is the byte 0xA4 ("¤" in Latin-1), ":0:", the selector and CR LF.
    const QByteArray payload = QByteArray("\xA4:0:") + QByteArray::number(selector) + "\r\n";
    clearAll(); // boards that still exist answer within the lookup time
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            const QHostAddress address = entry.ip();
            if (address.protocol() != QAbstractSocket::IPv4Protocol || entry.broadcast().isNull() ||
                address.isLoopback() || address.isLinkLocal()) {
                continue;
            }
            sendSocket->writeDatagram(payload, entry.broadcast(), kDiscoveryPort);
            sendSocket->flush();
            qCDebug(lcNetRegistry).noquote()
                << "lookup to" << entry.broadcast().toString() << entry.netmask().toString()
                << (address.isLinkLocal() ? "true" : "false") << address.toString();
        }
    }
    lookupTimer->start(); // a lookup during a lookup starts the wait again
}

void QDeviceMachine::gotUDPPacket(QString aLine)
{
    emit udpPacketRecived(aLine);
    handlePacket(UdpPacketDecoder::decode(aLine));
}

void QDeviceMachine::handlePacket(const UdpPacket &p)
{
    switch (p.kind) {
    case UdpPacket::Kind::Announce:
        if (counterPasses(p.mac, p.counter))
            emit seenDevice(p.mac, p.ip, p.name, p.type, p.hw, p.sw);
        break;
    case UdpPacket::Kind::ObjectValue:
        // Only the main device's objects count; others do not even touch the counters.
        if (p.mac == mainMac && counterPasses(p.mac, p.counter))
            emit objectChanged(p.objectId, p.value);
        break;
    case UdpPacket::Kind::Telemetry:
        if (!counterPasses(p.mac, p.counter))
            break;
        if (p.log.macro == kBrewMacroFirst || p.log.macro == kBrewMacroSecond)
            emit brewPing(p.mac, p.log.thermosId, p.log.eta);
        emit logReceived(p.log);
        break;
    case UdpPacket::Kind::BrewStart:
        if (counterPasses(p.mac, p.counter))
            emit brewStart(p.mac, p.name, p.recipe, p.thermosId, p.time);
        break;
    case UdpPacket::Kind::BrewEnd:
        if (counterPasses(p.mac, p.counter))
            emit brewEnd(p.mac, p.name, p.recipe, p.thermosId, p.time);
        break;
    case UdpPacket::Kind::MacroLine:
        takeMacroLine(p.lineNumber, p.text);
        break;
    case UdpPacket::Kind::NoMatch:
    case UdpPacket::Kind::ShortTelemetry:
        break;
    }
}

// Boards repeat packets; one counter per sender, shared by all kinds, drops the repeats.
bool QDeviceMachine::counterPasses(const QString &mac, int counter)
{
    // Taking the entry out, a repeat leaves none: sent three times, a packet is handled,
    // dropped, handled. Updated in place, which is the same without a node per packet.
    const auto entry = lastCounter.find(mac);
    const int last = entry == lastCounter.end() ? 0 : *entry; // 0 for a sender not seen yet
    if (counter == last) {
        if (entry != lastCounter.end())
            lastCounter.erase(entry);
        return false;
    }
    if (entry != lastCounter.end()) {
        *entry = counter;
        return true;
    }
    if (lastCounter.size() >= kMaxTrackedSenders) {
        // Only a flood of made-up senders gets here; forgetting costs one repeat per board.
        qCWarning(lcNetUdp) << "too many UDP senders; forgetting their packet counters";
        lastCounter.clear();
    }
    lastCounter.insert(mac, counter);
    return true;
}

void QDeviceMachine::takeMacroLine(int number, const QString &text)
{
    const QLatin1String lineEnd("\r\n");
    if (number == 0) {
        macroBuffer = text + lineEnd;
        expectedLine = 1;
        return;
    }
    // Every line after a lost one is recorded as ERROR: expectedLine only ever counts up.
    const QString line = number == kLastMacroLine || number == expectedLine
                             ? text + lineEnd
                             : QStringLiteral("ERROR") + lineEnd;
    if (macroBuffer.size() + line.size() <= kMaxMacroText)
        macroBuffer += line;
    else
        qCWarning(lcNetUdp) << "macro text longer than" << kMaxMacroText << "characters";
    if (number == kLastMacroLine) {
        emit macroRecived(macroBuffer);
        return;
    }
    ++expectedLine;
}

void QDeviceMachine::local_seenDevice(QString mac, QString ip, QString name, int type, QString hw,
                                      QString sw)
{
    qCDebug(lcNetRegistry).noquote() << type << ip << mac << name << "hw:" << hw << sw;
    const DeviceSeenOrder::Key key(type, mac);
    if (!seenOrder.contains(key) && seenOrder.size() >= kMaxDevices)
        dropLongestUnseen();
    DeviceTable *&table = devices[type];
    if (!table)
        table = new DeviceTable;
    delete table->take(mac); // at once: a board announcing every few seconds must not pile up
    auto *device = new Device(type, mac, ip, hw, sw, name);
    table->insert(mac, device);
    seenOrder.seen(key);
    if (!lookupRunning)
        emit newDevice(device); // during a lookup the menu reads the registry at lookupDone
}

// A registry without bound would grow with every made-up MAC; a real plant with more boards
// than this loses only the one that has been quiet the longest, until it announces again.
void QDeviceMachine::dropLongestUnseen()
{
    const DeviceSeenOrder::Key oldest = seenOrder.longestUnseen();
    qCInfo(lcNetRegistry).noquote()
        << QStringLiteral("registry full at %1 boards: dropping %2 of type %3, the longest unseen")
               .arg(kMaxDevices)
               .arg(oldest.second)
               .arg(oldest.first);
    seenOrder.forget(oldest);
    delete devices.value(oldest.first)->take(oldest.second);
    emit deviceDropped(oldest.first, oldest.second);
}

void QDeviceMachine::lookupFinished()
{
    emit lookupDone();
    lookupRunning = false;
}
