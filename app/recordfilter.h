#pragma once

#include "device.h"
#include "tbtubelogdata.h"

#include <QString>

// Decides which telemetry records belong to the board the console is connected to.
namespace RecordFilter {

// With a board that connected to us (incomingConsole), a record whose MAC text the main
// device's MAC contains first makes the record's bare IP the connection. A record is then
// accepted only when its IP text equals the connection's host (the text before any colon):
// a text prefix would let 10.0.0.5 pass for a window connected to 10.0.0.50.
bool accept(const TBTubeLogData &record, bool incomingConsole, const Device *mainDevice,
            QString &lastConnection);

} // namespace RecordFilter
