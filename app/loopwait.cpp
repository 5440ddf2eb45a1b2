#include "loopwait.h"

#include "tubestate.h"

namespace LoopWait {

bool starts(int previousState, int state, bool loopArmed, bool loopChecked)
{
    return TubeState(state) == TubeState::Idle && TubeState(previousState) == TubeState::Running &&
           loopArmed && loopChecked;
}

} // namespace LoopWait
