#include "recipepresets.h"

#include "settingsstore.h"

namespace RecipePresets {

namespace {

QString storedText(int number)
{
    return value(key(number), QString()).toString();
}

} // namespace

QString key(int number)
{
    return QStringLiteral("preset_%1").arg(number);
}

QVariant value(const QString &key, const QVariant &defaultValue)
{
    return SettingsStore::get(key, defaultValue, QString::fromLatin1(kApplication));
}

void setValue(const QString &key, const QVariant &value)
{
    SettingsStore::set(key, value, QString::fromLatin1(kApplication));
}

std::optional<Recipe> load(int number)
{
    return Recipe::fromPresetText(storedText(number));
}

void save(int number, const Recipe &recipe)
{
    setValue(key(number), recipe.presetText());
}

Caption caption(int number)
{
    const QString text = storedText(number);
    if (text.isEmpty())
        return {false, QStringLiteral("[%1:N/A]").arg(number)};
    if (const std::optional<Recipe> recipe = Recipe::fromPresetText(text))
        return {true, QStringLiteral("[%1:%2]").arg(number).arg(recipe->name)};
    return {true, std::nullopt};
}

} // namespace RecipePresets
