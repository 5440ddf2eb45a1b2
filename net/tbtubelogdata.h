#pragma once

#include <QMetaType>
#include <QString>
#include <cstdint>

// One tube telemetry sample, decoded from a ":101" packet and passed by value.
struct TBTubeLogData
{
    TBTubeLogData() = default;
    TBTubeLogData(uint32_t macHigh, uint32_t macLow, uint32_t ip, uint8_t state, float tempIn,
                  float tempH1, float tempH2, float tempHat, float currVol, float currFlow,
                  float targVol, float targFlow, float percent, float power, int macro,
                  int activeMacroCount, float setPowerH1, float setPowerH2, float setOverHeat,
                  int flowTicksLiter);

    uint32_t macHigh = 0;
    uint32_t macLow = 0;
    uint32_t ip = 0;
    uint8_t state = 0;
    float tempIn = 0;
    float tempH1 = 0;
    float tempH2 = 0;
    float tempHat = 0;
    float currVol = 0;
    float currFlow = 0;
    float targVol = 0;
    float targFlow = 0;
    float percent = 0;
    float power = 0;
    int macro = 0;
    int activeMacroCount = 0;
    float setPowerH1 = 0;
    float setPowerH2 = 0;
    float setOverHeat = 0;
    int flowTicksLiter = 0;
    int eta = 0;
    int thermosId = 0;
    int aux = 0;
    QString hwId;
    QString swId;
    int logId = 0;

    QString macText() const; // "%08x%04x" of macHigh, macLow
    QString ipText() const;  // dotted, lowest byte of ip first
};

Q_DECLARE_METATYPE(TBTubeLogData)
