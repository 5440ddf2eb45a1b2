#pragma once

#include "brewevent.h"
#include "simrecipe.h"
#include "tubesample.h"

#include <QMap>
#include <QObject>
#include <chrono>
#include <cstdint>

// The simulated tube: runs a stored program ("/em") or a brew ("tb4") for a set time,
// moves temperatures and volumes, and reports console rows, output changes and brew events
// as they happen. It has no timer: its owner advances it, so tests run it step by step.
class TubeSimulation : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBrewMacro = 998;
    static constexpr int kSetTempObject = 323;
    static constexpr int kFirstOutput = 11;
    static constexpr int kLastOutput = 18;

    TubeSimulation(std::chrono::milliseconds runTime, std::chrono::milliseconds rowInterval,
                   QObject *parent = nullptr);

    bool busy() const { return activity != Activity::Idle; }
    int runningMacro() const { return busy() ? macro : 0; }
    // Both refuse (return false) while a program or brew runs.
    bool startProgram(int number);
    bool startBrew(const SimRecipe &recipe);
    // Aborts a run without "MACRO_DONE"; false when nothing ran.
    bool stop();
    void advance(std::chrono::milliseconds step);

    TubeSample sample() const;
    // Outputs 11 to 18 and the set temperature (object 323, tenths of a degree).
    QMap<int, uint32_t> objects() const { return objectValues; }

signals:
    void row(const QString &text);
    void objectChanged(int id, uint32_t value);
    void brewStarted(const BrewEvent &event);
    void brewEnded(const BrewEvent &event);

private:
    enum class Activity { Idle, Program, Brew };

    void begin(Activity what, int macroNumber, double volume);
    void finish();
    void setOutputs(bool on);
    void setObject(int id, uint32_t value);
    void writeProgressRows();
    void writeRunRow();
    void moveTemperatures(double seconds);
    double fraction() const;
    QString prefix() const;
    BrewEvent brewEvent(int timeValue) const;

    const std::chrono::milliseconds runTime;
    const std::chrono::milliseconds rowInterval;
    Activity activity = Activity::Idle;
    int macro = 0;
    double targetVolume = 0;
    std::chrono::milliseconds clock{0};
    std::chrono::milliseconds elapsed{0};
    std::chrono::milliseconds nextRowAt{0};
    SimRecipe brewRecipe;
    double tempIn;
    double tempH1;
    double tempH2;
    double tempHat;
    QMap<int, uint32_t> objectValues;
};
