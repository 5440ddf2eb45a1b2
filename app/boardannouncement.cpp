#include "boardannouncement.h"

#include <QStringList>

namespace BoardAnnouncement {

namespace {

constexpr int kFieldCount = 7;
constexpr auto kUnknownIp = "1.1.1.1";

// The value of a key:value field: the text between its first and second colon.
QString fieldValue(const QString &field)
{
    return field.section(QLatin1Char(':'), 1, 1);
}

} // namespace

bool isAnnouncement(const QString &line)
{
    return line.contains(QLatin1String("|MAC:"));
}

int deviceTypeFromHardwareId(const QString &hardwareId)
{
    if (hardwareId.contains(QLatin1String("71405")))
        return 2;
    if (hardwareId.contains(QLatin1String("71407")))
        return 3;
    if (hardwareId.contains(QLatin1String("71401")))
        return 1;
    return 0;
}

std::optional<Device> parse(const QString &line)
{
    if (!isAnnouncement(line))
        return std::nullopt;
    const QStringList fields = line.split(QLatin1Char('|'));
    if (fields.size() < kFieldCount)
        return std::nullopt;
    const QString hw = fieldValue(fields.at(2));
    return Device(deviceTypeFromHardwareId(hw), fieldValue(fields.at(5)), QLatin1String(kUnknownIp),
                  hw, fieldValue(fields.at(3)), fieldValue(fields.at(4)));
}

} // namespace BoardAnnouncement
