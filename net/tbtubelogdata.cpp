#include "tbtubelogdata.h"

#include "addresstext.h"

TBTubeLogData::TBTubeLogData(uint32_t macHigh, uint32_t macLow, uint32_t ip, uint8_t state,
                             float tempIn, float tempH1, float tempH2, float tempHat, float currVol,
                             float currFlow, float targVol, float targFlow, float percent,
                             float power, int macro, int activeMacroCount, float setPowerH1,
                             float setPowerH2, float setOverHeat, int flowTicksLiter)
    : macHigh(macHigh)
    , macLow(macLow)
    , ip(ip)
    , state(state)
    , tempIn(tempIn)
    , tempH1(tempH1)
    , tempH2(tempH2)
    , tempHat(tempHat)
    , currVol(currVol)
    , currFlow(currFlow)
    , targVol(targVol)
    , targFlow(targFlow)
    , percent(percent)
    , power(power)
    , macro(macro)
    , activeMacroCount(activeMacroCount)
    , setPowerH1(setPowerH1)
    , setPowerH2(setPowerH2)
    , setOverHeat(setOverHeat)
    , flowTicksLiter(flowTicksLiter)
{}

QString TBTubeLogData::macText() const
{
    return AddressText::mac(macHigh, macLow);
}

QString TBTubeLogData::ipText() const
{
    return AddressText::ip(int(ip & 255), int((ip >> 8) & 255), int((ip >> 16) & 255),
                           int(ip >> 24));
}
