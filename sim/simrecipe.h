#pragma once

#include <QString>
#include <array>

// A brew recipe as the "tb4" and "save_recipe" commands carry it: twelve numbers and a
// quoted name, "n:temp0:temp30:temp60:ratio:grams:preinf%:preinfdelay:pulses:drip:thermos:
// countdown:\"name\"".
class SimRecipe
{
public:
    static constexpr int kNumberCount = 12;
    static constexpr int kMaxThermos = 8;

    // Returns false with a reason when the text is not a recipe.
    static bool parse(const QString &text, SimRecipe *recipe, QString *error);

    int number() const { return numbers[0]; }
    int brewTemperature() const { return numbers[2]; }
    int waterMl() const; // grams * 1000 / ratio, as the recipe dialog derives it
    int thermosId() const { return numbers[10]; }
    int countdownMinutes() const { return numbers[11]; }
    QString name() const { return recipeName; }
    // The twelve numbers joined by colons, without the name.
    QString numbersText() const;
    // The recipe in the form it was given: numbers and quoted name.
    QString text() const;

private:
    std::array<int, kNumberCount> numbers{};
    QString recipeName;
};
