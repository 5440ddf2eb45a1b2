#include "simrecipe.h"

#include <QStringList>

bool SimRecipe::parse(const QString &text, SimRecipe *recipe, QString *error)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() <= kNumberCount) {
        *error = QStringLiteral("recipe needs %1 numbers and a name").arg(kNumberCount);
        return false;
    }
    SimRecipe parsed;
    for (int i = 0; i < kNumberCount; ++i) {
        bool ok = false;
        parsed.numbers[i] = parts.at(i).toInt(&ok);
        if (!ok) {
            *error = QStringLiteral("recipe field %1 is not a number").arg(i + 1);
            return false;
        }
    }
    // The name is everything after the twelfth colon, so it may hold colons itself.
    const QString quoted = parts.mid(kNumberCount).join(QLatin1Char(':'));
    if (quoted.size() < 2 || !quoted.startsWith(QLatin1Char('"')) ||
        !quoted.endsWith(QLatin1Char('"'))) {
        *error = QStringLiteral("recipe name must stand in double quotes");
        return false;
    }
    parsed.recipeName = quoted.mid(1, quoted.size() - 2);
    // A brew packet's text field holds at least one character: an unnamed brew would never
    // reach the program, so the board refuses it up front.
    if (parsed.recipeName.isEmpty()) {
        *error = QStringLiteral("recipe name must not be empty");
        return false;
    }
    const int ratio = parsed.numbers[4];
    const int grams = parsed.numbers[5];
    if (ratio <= 0 || grams <= 0) {
        *error = QStringLiteral("recipe ratio and grams must be positive");
        return false;
    }
    if (parsed.thermosId() < 0 || parsed.thermosId() > kMaxThermos) {
        *error = QStringLiteral("recipe thermos must be 0 to %1").arg(kMaxThermos);
        return false;
    }
    if (parsed.countdownMinutes() < 0) {
        *error = QStringLiteral("recipe countdown must not be negative");
        return false;
    }
    *recipe = parsed;
    return true;
}

int SimRecipe::waterMl() const
{
    return numbers[5] * 1000 / numbers[4];
}

QString SimRecipe::numbersText() const
{
    QStringList parts;
    for (int n : numbers)
        parts << QString::number(n);
    return parts.join(QLatin1Char(':'));
}

QString SimRecipe::text() const
{
    return QStringLiteral("%1:\"%2\"").arg(numbersText(), recipeName);
}
