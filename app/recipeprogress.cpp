#include "recipeprogress.h"

#include "statuspaneltext.h"
#include "tubestate.h"

#include <cmath>
#include <limits>

namespace RecipeProgress {

std::optional<Progress> of(const TBTubeLogData &record)
{
    if (TubeState(record.state) == TubeState::Idle)
        return Progress{100, 0};
    if (record.macro == StatusPanelText::kBrewMacro)
        return Progress{percentOf(record.currVol, record.targVol), record.eta};
    return std::nullopt;
}

int percentOf(float currVol, float targVol)
{
    if (!(targVol > 0))
        return 0;
    const double share = double(currVol) * 100.0 / double(targVol);
    if (std::isnan(share))
        return 0;
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    return int(std::trunc(std::fmin(std::fmax(share, lowest), highest)));
}

} // namespace RecipeProgress
