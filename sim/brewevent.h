#pragma once

#include <QString>

// A brew starting or ending on the simulated tube, for its "+" and "-" packets.
struct BrewEvent
{
    int thermosId = 0;
    // Start: estimated brew time left in seconds; end: the thermos timer in minutes.
    int timeValue = 0;
    QString recipeText;
    QString name;
};
