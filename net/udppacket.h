#pragma once

#include "tbtubelogdata.h"

#include <QString>
#include <cstdint>

// One UDP text line after decoding: its kind and the fields the registry hands on.
struct UdpPacket
{
    enum class Kind {
        NoMatch,        // matches no kind; dropped
        Announce,       // "@": a board announces itself
        ObjectValue,    // ":100": an object of a board changed its value
        Telemetry,      // ":101" with 28 or more elements
        ShortTelemetry, // ":101" with fewer than 28 elements: dropped, no later kind tried
        BrewStart,      // "+": a brew began
        BrewEnd,        // "-": a brew finished
        MacroLine,      // "!": one numbered line of a macro text
    };

    Kind kind = Kind::NoMatch;
    QString mac;     // sender's MAC text; every kind but macro lines
    int counter = 0; // sender's packet counter; every kind but macro lines

    // Announce
    int type = 0;
    QString ip;
    QString hw;
    QString sw;
    QString name; // also brew start and end

    // Object value
    uint32_t objectId = 0;
    uint32_t value = 0;

    // Telemetry
    TBTubeLogData log;

    // Brew start and end
    QString recipe;
    int thermosId = 0;
    int time = 0; // seconds left at a brew start, thermos timer in minutes at a brew end

    // Macro line
    int lineNumber = 0;
    QString text;
};
