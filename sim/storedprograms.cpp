#include "storedprograms.h"

#include <QHash>

namespace {

constexpr double kDefaultVolume = 500.0;
constexpr double kSetTemperature = 92.0;

struct Program
{
    const char *name;
    double volume;
};

const QHash<int, Program> &programs()
{
    static const QHash<int, Program> table = {
        {1, {"Calibrate 1", 1000}},        {2, {"Calibrate 2", 1000}},
        {3, {"0.25 Liter Cold", 250}},     {4, {"Descale", 2000}},
        {9, {"Experimental", 500}},        {10, {"1.0 Liter Flush", 1000}},
        {11, {"1.0 L Pulse Flush", 1000}}, {12, {"1.8 Liter Flush", 1800}},
        {13, {"1.8 L Pulse Flush", 1800}}, {14, {"2.2 Liter Flush", 2200}},
        {15, {"2.2 L Pulse Flush", 2200}}, {16, {"2.5 Liter Flush", 2500}},
        {17, {"2.5 L Pulse Flush", 2500}}, {25, {"0.3 L Pulse Flush", 300}},
    };
    return table;
}

} // namespace

namespace StoredPrograms {

QString name(int number)
{
    const auto it = programs().constFind(number);
    if (it == programs().constEnd())
        return QStringLiteral("Program %1").arg(number);
    return QString::fromLatin1(it->name);
}

double volumeMl(int number)
{
    return programs().value(number, Program{nullptr, kDefaultVolume}).volume;
}

QStringList macroText(int number)
{
    return {QStringLiteral("MACRO %1 \"%2\"").arg(number).arg(name(number)),
            QStringLiteral("SET_TEMP %1").arg(kSetTemperature, 0, 'f', 1),
            QStringLiteral("OPEN INLET"),
            QStringLiteral("DISPENSE %1 ml").arg(volumeMl(number)),
            QStringLiteral("CLOSE INLET"),
            QStringLiteral("END")};
}

} // namespace StoredPrograms
