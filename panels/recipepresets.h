#pragma once

#include "recipe.h"

#include <QString>
#include <QVariant>

#include <optional>

// The eight recipe presets, kept in a settings store of their own (application
// "RecipeRunner") under "preset_1" to "preset_8", one preset text each.
namespace RecipePresets {

constexpr int kCount = 8;
constexpr auto kApplication = "RecipeRunner";

QString key(int number);
QVariant value(const QString &key, const QVariant &defaultValue);
void setValue(const QString &key, const QVariant &value);

// The stored recipe, or none when the preset is empty or cannot be read.
std::optional<Recipe> load(int number);
void save(int number, const Recipe &recipe);

// What the preset button of a number shows: whether anything is stored there, and its
// caption, "[N:name]" or "[N:N/A]"; no caption for a stored text that cannot be read, whose
// button keeps the caption it had.
struct Caption
{
    bool stored = false;
    std::optional<QString> text;
};
Caption caption(int number);

} // namespace RecipePresets
