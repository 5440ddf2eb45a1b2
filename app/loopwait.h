#pragma once

// When telemetry starts the wait before a looped script runs again.
namespace LoopWait {

// Only the transition from RUNNING to IDLE of an armed loop whose box is still checked:
// a second IDLE record in a row starts nothing.
bool starts(int previousState, int state, bool loopArmed, bool loopChecked);

} // namespace LoopWait
