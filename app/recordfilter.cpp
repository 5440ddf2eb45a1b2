#include "recordfilter.h"

#include "consoleaddress.h"

namespace RecordFilter {

bool accept(const TBTubeLogData &record, bool incomingConsole, const Device *mainDevice,
            QString &lastConnection)
{
    const QString ip = record.ipText();
    if (incomingConsole && mainDevice && mainDevice->mac.contains(record.macText()))
        lastConnection = ip;
    return ConsoleAddress::fromText(lastConnection).host == ip;
}

} // namespace RecordFilter
