#pragma once

// One moment of the simulated tube, as its telemetry packet reports it.
struct TubeSample
{
    int state = 2; // 2 idle, 4 running
    double tempIn = 0;
    double tempH1 = 0;
    double tempH2 = 0;
    double tempHat = 0;
    double currVol = 0;
    double currFlow = 0;
    double targVol = 0;
    double targFlow = 0;
    double percent = 0;
    double power = 0;
    int macro = 0;
    int activeMacroCount = 0;
    double setPowerH1 = 0;
    double setPowerH2 = 0;
    double setOverHeat = 0;
    int flowTicksLiter = 0;
    int eta = 0;
    int thermosId = 0;
    int aux = 0;
};
