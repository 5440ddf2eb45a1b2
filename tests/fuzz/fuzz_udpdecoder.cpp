#include "fuzzsupport.h"
#include "qdevicemachine.h"

#include <QCoreApplication>

// Each input is a stream of UDP text lines, handed to the registry's decoder slot as the
// receiver hands them on: Latin-1, without CR, LF or NUL. A fresh registry per input keeps
// every run repeatable (the per-sender counters and the macro text live in it).

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    Fuzz::silenceQt();
    QDeviceMachine::setReceivePort(std::nullopt); // lines come only from the fuzzer
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QDeviceMachine *registry = QDeviceMachine::instance();
    // The first board that announces itself becomes the main device, so that object
    // packets have a sender to match.
    QObject::connect(registry, &QDeviceMachine::newDevice, registry, [registry](Device *d) {
        if (!registry->mainDevice())
            registry->setMainDevice(d);
    });
    for (const QByteArray &line : Fuzz::lines(Fuzz::bytes(data, size), QByteArray("\r\0", 2)))
        registry->gotUDPPacket(QString::fromLatin1(line));
    delete registry;
    return 0;
}
