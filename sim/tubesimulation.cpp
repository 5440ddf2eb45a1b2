#include "tubesimulation.h"

#include "storedprograms.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kColdWater = 20.0;
constexpr double kHeaterStandby = 50.0;
constexpr double kHatRunning = 85.0;
constexpr uint32_t kDefaultSetTemp = 920; // 92.0 degrees
constexpr double kHeatingRate = 20.0;     // degrees per second
constexpr double kHeaterPower = 2450.0;
constexpr double kHeaterSetting = 100.0;
constexpr double kOverheatSetting = 105.0;
constexpr int kFlowTicksLiter = 1950;
constexpr int kInletValve = 11;
constexpr int kHeater1 = 12;
constexpr int kHeater2 = 13;
constexpr int kHatValve = 14;
constexpr int kPump = 15;
constexpr int kThermosValve = 16;

QString decimal(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

double approach(double value, double goal, double maxStep)
{
    if (value < goal)
        return std::min(goal, value + maxStep);
    return std::max(goal, value - maxStep);
}

} // namespace

TubeSimulation::TubeSimulation(std::chrono::milliseconds runTime,
                               std::chrono::milliseconds rowInterval, QObject *parent)
    : QObject(parent)
    , runTime(std::max(runTime, std::chrono::milliseconds(1)))
    , rowInterval(std::max(rowInterval, std::chrono::milliseconds(1)))
    , tempIn(kColdWater)
    , tempH1(kHeaterStandby)
    , tempH2(kHeaterStandby)
    , tempHat(kColdWater)
{
    for (int id = kFirstOutput; id <= kLastOutput; ++id)
        objectValues.insert(id, 0);
    objectValues.insert(kSetTempObject, kDefaultSetTemp);
}

bool TubeSimulation::startProgram(int number)
{
    if (busy())
        return false;
    begin(Activity::Program, number, StoredPrograms::volumeMl(number));
    return true;
}

bool TubeSimulation::startBrew(const SimRecipe &recipe)
{
    if (busy())
        return false;
    brewRecipe = recipe;
    begin(Activity::Brew, kBrewMacro, recipe.waterMl());
    setObject(kSetTempObject, uint32_t(std::max(0, recipe.brewTemperature())) * 10);
    emit brewStarted(brewEvent(sample().eta));
    return true;
}

bool TubeSimulation::stop()
{
    if (!busy())
        return false;
    activity = Activity::Idle;
    setOutputs(false);
    setObject(kSetTempObject, kDefaultSetTemp);
    return true;
}

void TubeSimulation::advance(std::chrono::milliseconds step)
{
    clock += step;
    moveTemperatures(std::chrono::duration<double>(step).count());
    if (!busy())
        return;
    elapsed += step;
    if (elapsed >= runTime) {
        finish();
        return;
    }
    while (elapsed >= nextRowAt) {
        writeProgressRows();
        nextRowAt += rowInterval;
    }
}

TubeSample TubeSimulation::sample() const
{
    TubeSample s;
    s.state = busy() ? 4 : 2;
    s.tempIn = tempIn;
    s.tempH1 = tempH1;
    s.tempH2 = tempH2;
    s.tempHat = tempHat;
    s.setPowerH1 = kHeaterSetting;
    s.setPowerH2 = kHeaterSetting;
    s.setOverHeat = kOverheatSetting;
    s.flowTicksLiter = kFlowTicksLiter;
    if (!busy())
        return s;
    const double seconds = std::chrono::duration<double>(runTime).count();
    s.targVol = targetVolume;
    s.currVol = targetVolume * fraction();
    s.targFlow = targetVolume / seconds;
    s.currFlow = s.targFlow;
    s.percent = 100.0 * fraction();
    s.power = kHeaterPower;
    s.macro = macro;
    s.activeMacroCount = 1;
    s.eta = int(std::ceil(std::chrono::duration<double>(runTime - elapsed).count()));
    s.thermosId = activity == Activity::Brew ? brewRecipe.thermosId() : 0;
    return s;
}

void TubeSimulation::begin(Activity what, int macroNumber, double volume)
{
    activity = what;
    macro = macroNumber;
    targetVolume = volume;
    elapsed = std::chrono::milliseconds(0);
    nextRowAt = rowInterval;
    setOutputs(true);
    // Every run shows all row forms at once, however short it is configured.
    writeProgressRows();
}

void TubeSimulation::finish()
{
    elapsed = runTime;
    writeRunRow();
    const auto total = std::chrono::duration_cast<std::chrono::seconds>(runTime).count();
    emit row(prefix() + QStringLiteral("MacroEnd: M%1 TT:%2").arg(macro).arg(total));
    const bool brewing = activity == Activity::Brew;
    activity = Activity::Idle;
    setOutputs(false);
    if (brewing) {
        setObject(kSetTempObject, kDefaultSetTemp);
        emit brewEnded(brewEvent(brewRecipe.countdownMinutes()));
    }
    emit row(QStringLiteral("MACRO_DONE"));
}

void TubeSimulation::setOutputs(bool on)
{
    const uint32_t value = on ? 1 : 0;
    for (int id : {kInletValve, kHeater1, kHeater2, kHatValve, kPump})
        setObject(id, value);
    setObject(kThermosValve, on && activity == Activity::Brew ? 1 : 0);
}

void TubeSimulation::setObject(int id, uint32_t value)
{
    if (objectValues.value(id) == value)
        return;
    objectValues.insert(id, value);
    emit objectChanged(id, value);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    emit row(prefix() + QStringLiteral("O:%1 V:%2 T:%3").arg(id).arg(value).arg(seconds));
}

void TubeSimulation::writeProgressRows()
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    const auto total = std::chrono::duration_cast<std::chrono::seconds>(runTime).count();
    emit row(prefix() + QStringLiteral("M:%1 C:%2 S:%3 T:%4")
                            .arg(macro)
                            .arg(sample().activeMacroCount)
                            .arg(seconds)
                            .arg(total));
    emit row(prefix() + QStringLiteral("H0:%1 H1:%2 H2:%3 H3:%4 H4:%5")
                            .arg(decimal(tempIn), decimal(tempH1), decimal(tempH2),
                                 decimal(tempHat), decimal(kColdWater)));
    writeRunRow();
}

void TubeSimulation::writeRunRow()
{
    const TubeSample s = sample();
    emit row(prefix() + QStringLiteral("I:%1 H1:%2 H2:%3 H:%4 V:%5 F:%6 P:%7 E:%8")
                            .arg(decimal(tempIn), decimal(tempH1), decimal(tempH2),
                                 decimal(tempHat), decimal(s.currVol), decimal(s.currFlow, 2))
                            .arg(int(s.percent))
                            .arg(int(s.power)));
}

void TubeSimulation::moveTemperatures(double seconds)
{
    const double step = kHeatingRate * seconds;
    const double heaterGoal = busy() ? objectValues.value(kSetTempObject) / 10.0 : kHeaterStandby;
    tempH1 = approach(tempH1, heaterGoal, step);
    tempH2 = approach(tempH2, heaterGoal, step);
    tempHat = approach(tempHat, busy() ? kHatRunning : kColdWater, step);
    tempIn = kColdWater;
}

double TubeSimulation::fraction() const
{
    return std::chrono::duration<double>(elapsed) / std::chrono::duration<double>(runTime);
}

QString TubeSimulation::prefix() const
{
    const double seconds = std::chrono::duration<double>(clock).count();
    return QStringLiteral("IO [%1]: ").arg(decimal(seconds, 3));
}

BrewEvent TubeSimulation::brewEvent(int timeValue) const
{
    BrewEvent event;
    event.thermosId = brewRecipe.thermosId();
    event.timeValue = timeValue;
    event.recipeText = brewRecipe.numbersText();
    event.name = brewRecipe.name();
    return event;
}
