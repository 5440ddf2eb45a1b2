#pragma once

#include "tbtubelogdata.h"

#include <optional>

// What the recipe runner's progress display gets from a telemetry record.
namespace RecipeProgress {

struct Progress
{
    int percent = 0;
    int timeLeft = 0; // seconds
};

// IDLE: 100 percent, no time left. During a brew (macro 998): the integer part of the
// dispensed share of the target volume in percent, and the brew time left. Otherwise none.
std::optional<Progress> of(const TBTubeLogData &record);

// currVol * 100 / targVol cut to an integer; 0 without a target volume (a zero or broken
// target would make the division infinite), huge shares bounded to the int range.
int percentOf(float currVol, float targVol);

} // namespace RecipeProgress
