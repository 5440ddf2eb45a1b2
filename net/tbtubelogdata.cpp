#include "tbtubelogdata.h"

TBTubeLogData::TBTubeLogData(uint32_t macHigh, uint32_t macLow, uint32_t ip, uint8_t state,
                             float tempIn, float tempH1, float tempH2, float tempHat,
                             float currVol, float currFlow, float targVol, float targFlow,
                             float percent, float power, int macro, int activeMacroCount,
                             float setPowerH1, float setPowerH2, float setOverHeat,
                             int flowTicksLiter)
    : macHigh(macHigh), macLow(macLow), ip(ip), state(state), tempIn(tempIn), tempH1(tempH1),
      tempH2(tempH2), tempHat(tempHat), currVol(currVol), currFlow(currFlow), targVol(targVol),
      targFlow(targFlow), percent(percent), power(power), macro(macro),
      activeMacroCount(activeMacroCount), setPowerH1(setPowerH1), setPowerH2(setPowerH2),
      setOverHeat(setOverHeat), flowTicksLiter(flowTicksLiter)
{
}

QString TBTubeLogData::macText() const
{
    return QString::asprintf("%08x%04x", macHigh, macLow);
}

QString TBTubeLogData::ipText() const
{
    return QString::asprintf("%d.%d.%d.%d", ip & 255, (ip >> 8) & 255, (ip >> 16) & 255,
                             ip >> 24);
}
