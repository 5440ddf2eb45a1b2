#pragma once

#include "tbtubelogdata.h"

#include <QMap>
#include <QString>
#include <optional>

// The texts the "Logdata" page shows for a telemetry record or an object report, keyed by
// the object name of the widget that shows them.
namespace StatusPanelText {

using Texts = QMap<QString, QString>; // widget object name -> text

constexpr int kBrewMacro = 998;      // a brew; also drives the recipe runner's progress
constexpr int kOtherBrewMacro = 997; // the second brew macro; its time left is shown too
constexpr ulong kFirstOutput = 11;   // outputs O11 ...
constexpr ulong kLastOutput = 18;    // ... to O18
constexpr ulong kTargetTemp = 323;   // target temperature in tenths of a degree

// The board's identity on the page: MAC button, hardware id, IP and software id.
Texts identityTexts(const QString &mac, const QString &hw, const QString &ip, const QString &sw);

// A new connection sets every telemetry value to "N/A" until the board's records come.
Texts telemetryReset();

// Every text a record sets. The flows, power, volumes and percent only belong to a running
// macro: with macro 0 or less they are left out, so their labels keep the last values.
Texts recordTexts(const TBTubeLogData &record);

// "mm:ss" of the brew time left while a brew macro runs, else "00:00".
QString etaText(int macro, int etaSeconds);

struct ObjectText
{
    QString widget;
    QString text;
};

// The output label "O11:value" ... "O18:value", or the target temperature: whole degrees
// (tenths dropped) with one decimal, five wide, zero padded (853 gives "085.0"). Other
// objects are not shown.
std::optional<ObjectText> objectText(ulong id, ulong value);

} // namespace StatusPanelText
