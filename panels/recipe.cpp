#include "recipe.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

constexpr int kPresetParts = 13; // twelve numbers and the quoted name

// Damaged presets may hold any number; the products must not overflow.
int bounded(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

} // namespace

Recipe::Range Recipe::range(Field field)
{
    switch (field) {
    case Field::Temp0:
    case Field::Temp30:
    case Field::Temp60:
        return {65, 105, 1};
    case Field::BrewStrength:
        return {45, 90, 1};
    case Field::Grams:
        return {15, 245, 1};
    case Field::WaterAmount:
        return {700, 2500, 10};
    case Field::PreInfPerc:
        return {0, 20, 1};
    case Field::PreInfDelay:
        return {0, 120, 1};
    case Field::PorOvIt:
        return {0, 10, 1};
    case Field::AfterDrip:
        return {0, 255, 5};
    case Field::ThermosCountDownTimerVal:
        return {0, 254, 5};
    }
    return {0, 0, 1};
}

int Recipe::waterFor(int grams, int brewStrength)
{
    if (brewStrength < 1)
        return 0;
    return bounded(qint64(grams) * 1000 / brewStrength);
}

int Recipe::gramsFor(int waterAmount, int brewStrength)
{
    return bounded(qint64(waterAmount) * brewStrength / 1000);
}

void Recipe::setGrams(int value)
{
    grams = value;
    const Range water = range(Field::WaterAmount);
    const int wanted = waterFor(grams, brewStrength);
    waterAmount = std::clamp(wanted, water.minimum, water.maximum);
    if (waterAmount != wanted)
        grams = gramsFor(waterAmount, brewStrength);
}

void Recipe::setBrewStrength(int value)
{
    brewStrength = value;
    setGrams(grams);
}

void Recipe::setWaterAmount(int value)
{
    waterAmount = value;
    grams = gramsFor(waterAmount, brewStrength);
}

std::optional<int> Recipe::waterPerPulse() const
{
    if (porOvIt < 1)
        return std::nullopt;
    const qint64 water = waterAmount;
    return bounded((water - water * preInfPerc / 100) / porOvIt);
}

bool Recipe::pulseTooLarge() const
{
    const std::optional<int> pulse = waterPerPulse();
    return pulse && *pulse > kMaxWaterPerPulse;
}

bool Recipe::waterOutOfRange() const
{
    const Range water = range(Field::WaterAmount);
    return waterAmount < water.minimum || waterAmount > water.maximum;
}

bool Recipe::sendable() const
{
    const std::optional<int> pulse = waterPerPulse();
    return !(pulse && *pulse >= kMaxWaterPerPulse) && !waterOutOfRange();
}

QString Recipe::pulseText(bool withUnit) const
{
    const std::optional<int> pulse = waterPerPulse();
    if (!pulse)
        return QStringLiteral("Flow");
    return QString::asprintf(withUnit ? "%d (%d ml)" : "%d (%d)", porOvIt, *pulse);
}

QString Recipe::minutesSeconds(int seconds)
{
    return QString::asprintf("%02dm %02ds", seconds / 60, seconds % 60);
}

QString Recipe::hoursMinutes(int minutes)
{
    return QString::asprintf("%02dh %02dm", minutes / 60, minutes % 60);
}

QString Recipe::numbersText(int leadingNumber) const
{
    const QList<int> numbers = {leadingNumber, temp0,     temp30,     temp60,
                                brewStrength,  grams,     preInfPerc, preInfDelay,
                                porOvIt,       afterDrip, thermosID,  thermosCountDownTimerVal};
    QStringList parts;
    for (int number : numbers)
        parts << QString::number(number);
    // The name goes between double quotes as it is: nameRefusal() keeps quotes out of it.
    parts << QLatin1Char('"') + name + QLatin1Char('"');
    return parts.join(QLatin1Char(':'));
}

QString Recipe::presetText() const
{
    return numbersText(recipeNumber);
}

std::optional<Recipe> Recipe::fromPresetText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != kPresetParts)
        return std::nullopt;
    Recipe r;
    int *const fields[] = {&r.temp0,
                           &r.temp30,
                           &r.temp60,
                           &r.brewStrength,
                           &r.grams,
                           &r.preInfPerc,
                           &r.preInfDelay,
                           &r.porOvIt,
                           &r.afterDrip,
                           &r.thermosID,
                           &r.thermosCountDownTimerVal};
    int part = 1; // part 0, the stored recipe number, is not read back
    for (int *field : fields)
        *field = parts.at(part++).toInt();
    r.waterAmount = waterFor(r.grams, r.brewStrength);
    r.name = parts.at(kPresetParts - 1);
    r.name.remove(QLatin1Char('"'));
    return r;
}

QString Recipe::brewCommand() const
{
    // The board counts its recipes from 0.
    return QStringLiteral("tb4 ") + numbersText(recipeNumber - 1) + QStringLiteral("\r\n");
}

QString Recipe::saveCommand() const
{
    return QStringLiteral("save_recipe ") + numbersText(recipeNumber) + QStringLiteral("\r\n");
}

QString Recipe::nameRefusal(const QString &name)
{
    for (const QChar c : name) {
        if (c == QLatin1Char(':') || c == QLatin1Char('"'))
            return QStringLiteral("A recipe name cannot hold the character %1.").arg(c);
        if (c.unicode() > 0xff)
            return QStringLiteral("A recipe name can only hold Latin-1 characters.");
    }
    return QString();
}
