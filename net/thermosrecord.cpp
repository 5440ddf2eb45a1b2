#include "thermosrecord.h"

#include <utility>

namespace {
const QString noData = QStringLiteral("No data");
} // namespace

ThermosRecord::ThermosRecord(int id, ThermosClock now)
    : id(id)
    , now(std::move(now))
{}

QString ThermosRecord::colorStyle() const
{
    switch (state) {
    case NoData:
        return QStringLiteral("color:gray;");
    case Brewing:
        return QStringLiteral("color:blue;");
    case Brewed:
        return QStringLiteral("color:green;");
    case RebrewDue:
        return QStringLiteral("color:red;");
    default:
        return QString();
    }
}

QString ThermosRecord::timeText()
{
    const QString due = QStringLiteral("Rebrew in:00m 00s");
    const qint64 nowMs = now().toMSecsSinceEpoch();
    const bool passed = nowMs >= deadline;
    const qint64 seconds = passed ? 0 : (deadline - nowMs) / 1000;
    const qint64 minutes = seconds / 60;
    switch (state) {
    case NoData:
        return noData;
    case Brewing: // minutes are not folded into hours while brewing
        return QString::asprintf("Brewtime left:%02lldm %02llds", minutes, seconds % 60);
    case Brewed:
        if (passed) {
            state = RebrewDue;
            return due;
        }
        return QString::asprintf("Rebrew in:%02lldh %02lldm", seconds / 3600, minutes % 60);
    case RebrewDue:
        return due;
    default:
        return QString();
    }
}

QString ThermosRecord::startText() const
{
    switch (state) {
    case NoData:
        return noData;
    case Brewing:
        return QStringLiteral("Brewstart: %1").arg(clock);
    case Brewed:
    case RebrewDue:
        return QStringLiteral("Brewtime: %1").arg(clock);
    default:
        return QString();
    }
}

QString ThermosRecord::nameText() const
{
    return state >= Brewing && state <= RebrewDue ? name : noData;
}

QString ThermosRecord::guidText() const
{
    return state >= Brewing && state <= RebrewDue ? guid : noData;
}

QString ThermosRecord::idText() const
{
    return QString::number(id);
}
