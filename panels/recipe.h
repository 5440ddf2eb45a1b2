#pragma once

#include <QString>

#include <optional>

// A brew recipe as the recipe runner edits it: the numbers the machine brews with, the
// coupling of coffee, ratio and water, the guards that keep invalid brews off the machine,
// and the texts in which presets are stored and recipes are sent to a board.
class Recipe
{
public:
    // The fields a slider edits, with the range the slider allows and the step of its
    // plus and minus buttons.
    enum class Field {
        Temp0,
        Temp30,
        Temp60,
        BrewStrength,
        Grams,
        WaterAmount,
        PreInfPerc,
        PreInfDelay,
        PorOvIt,
        AfterDrip,
        ThermosCountDownTimerVal,
    };
    struct Range
    {
        int minimum;
        int maximum;
        int step;
    };
    static Range range(Field field);

    static constexpr int kThermosCount = 8; // thermosID 0 (disabled) to 8
    // check_values() disables Brew above this many ml per pulse; Brew and Save to machine
    // refuse from it on (the two thresholds differ by one ml).
    static constexpr int kMaxWaterPerPulse = 450;

    int recipeNumber = 9;
    int temp0 = 100;
    int temp30 = 98;
    int temp60 = 98;
    int brewStrength = 60; // grams of coffee per liter of water
    int grams = 108;
    int waterAmount = 1800; // ml, derived from grams and brewStrength
    int preInfPerc = 10;
    int preInfDelay = 45; // seconds
    int porOvIt = 6;      // pulses; below 1 the water flows in one go
    int afterDrip = 90;   // seconds
    int thermosID = 1;
    int thermosCountDownTimerVal = 50; // minutes
    QString name = QStringLiteral("Preset");

    // grams × 1000 / ratio and back, in integer arithmetic; a ratio below 1 (only a
    // damaged preset holds one) gives 0 instead of dividing by it.
    static int waterFor(int grams, int brewStrength);
    static int gramsFor(int waterAmount, int brewStrength);

    // The coupled fields. The water follows coffee and ratio but stays within its range;
    // where it is cut there, the coffee follows the water back, so the three always agree.
    void setGrams(int value);
    void setBrewStrength(int value);
    void setWaterAmount(int value);

    // The water of one pulse after the prebrew share; none for a flow brew (porOvIt < 1).
    std::optional<int> waterPerPulse() const;
    bool pulseTooLarge() const;   // more than kMaxWaterPerPulse: Brew disabled
    bool waterOutOfRange() const; // outside the water slider's range: Brew disabled
    // Brew and Save to machine send only recipes that pass this.
    bool sendable() const;

    // "Flow", or pulses and water per pulse: "6 (270 ml)", without the unit "6 (270)".
    QString pulseText(bool withUnit = true) const;
    static QString minutesSeconds(int seconds); // "01m 30s"
    static QString hoursMinutes(int minutes);   // "00h 50m"

    // The preset text of the "RecipeRunner" store; a text that does not split into its 13
    // parts gives none. The stored recipe number is not read back.
    QString presetText() const;
    static std::optional<Recipe> fromPresetText(const QString &text);

    // The console commands that start the recipe on the machine and store it there.
    QString brewCommand() const;
    QString saveCommand() const;

    // Why a name cannot be a recipe name, or empty when it can: a colon would make the
    // preset unreadable, a double quote would end the quoted name in the commands, and the
    // console carries one Latin-1 byte per character.
    static QString nameRefusal(const QString &name);

private:
    QString numbersText(int leadingNumber) const;
};
