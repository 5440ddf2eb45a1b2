#pragma once

#include <QString>

// Tube state codes of the telemetry record that the program names or acts on.
enum class TubeState : int {
    Idle = 2,
    Running = 4,
    HeaterError = 16,
    FirmwareUpdate = 18,
    IoError = 19,
    WaterSupplyError = 20,
    FlowmeterError = 22,
    MotorError = 23,
};

// The status panel's name of a state code ("IDLE", "RUNNING", ...); any other code as
// its decimal number.
QString tubeStateName(int state);
