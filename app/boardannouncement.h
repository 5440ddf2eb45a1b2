#pragma once

#include "device.h"

#include <QString>
#include <optional>

// The line a board prints on its console to say who it is:
// "...|...|HW:<hw>:|SW:<sw>:|NAME:<name>:|MAC:<mac>:|...". Fields 2 to 6 are key:value.
namespace BoardAnnouncement {

// Every announcement carries this marker; such a line is never part of a configuration dump.
bool isAnnouncement(const QString &line);

// 2 tube board ("71405"), 3 spider board ("71407"), 1 main board ("71401"), else 0;
// tested in that order.
int deviceTypeFromHardwareId(const QString &hardwareId);

// The board record of an announcement line (IP "1.1.1.1": the console does not tell it).
// A line without the marker, or with fewer than seven fields, gives nothing.
std::optional<Device> parse(const QString &line);

} // namespace BoardAnnouncement
