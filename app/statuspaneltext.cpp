#include "statuspaneltext.h"

#include "tubestate.h"

namespace StatusPanelText {

namespace {

QString oneDecimal(const char *format, float value)
{
    return QString::asprintf(format, double(value));
}

} // namespace

Texts identityTexts(const QString &mac, const QString &hw, const QString &ip, const QString &sw)
{
    return {{QStringLiteral("btnMAC"), mac},
            {QStringLiteral("lblHWID"), hw},
            {QStringLiteral("lblLogIP"), ip},
            {QStringLiteral("lblSWID"), sw}};
}

Texts telemetryReset()
{
    const QStringList labels =
        QStringLiteral(
            "lbllogMacro lblCurState lblCurrTempIn lblCurrH1 lblCurrH2 lblCurrTempHat "
            "lblCurrTargetFlow lblCurrFlow lblCurrPower lblCurrVol lblTargVol lblPercent "
            "lblSetPowerH1 lblSetPowerH2 lblSetOverHeat lblActiveMacrocount lblFlowticsLiter "
            "lblTargetTemp lblETA")
            .split(QLatin1Char(' '));
    Texts texts;
    for (const QString &label : labels)
        texts.insert(label, QStringLiteral("N/A"));
    return texts;
}

Texts recordTexts(const TBTubeLogData &record)
{
    Texts texts;
    texts.insert(QStringLiteral("lblLogID"), QString::number(record.logId));
    texts.insert(QStringLiteral("lblHWID"), record.hwId);
    texts.insert(QStringLiteral("lblSWID"), record.swId);
    texts.insert(QStringLiteral("lblLogIP"), record.ipText());
    texts.insert(QStringLiteral("btnMAC"), record.macText());
    texts.insert(QStringLiteral("lbllogMacro"), QString::number(record.macro));
    texts.insert(QStringLiteral("lblCurState"), tubeStateName(record.state));

    texts.insert(QStringLiteral("lblCurrTempIn"), oneDecimal("%0.1f deg", record.tempIn));
    texts.insert(QStringLiteral("lblCurrH1"), oneDecimal("%0.1f deg", record.tempH1));
    texts.insert(QStringLiteral("lblCurrH2"), oneDecimal("%0.1f deg", record.tempH2));
    texts.insert(QStringLiteral("lblCurrTempHat"), oneDecimal("%0.1f deg", record.tempHat));

    if (record.macro > 0) {
        texts.insert(QStringLiteral("lblCurrTargetFlow"),
                     oneDecimal("%0.1f ml/s", record.targFlow));
        texts.insert(QStringLiteral("lblCurrFlow"), oneDecimal("%0.1f ml/s", record.currFlow));
        texts.insert(QStringLiteral("lblCurrPower"), oneDecimal("%0.1f w", record.power));
        texts.insert(QStringLiteral("lblCurrVol"), oneDecimal("%0.1f", record.currVol));
        texts.insert(QStringLiteral("lblTargVol"), oneDecimal("%0.1f", record.targVol));
        texts.insert(QStringLiteral("lblPercent"), oneDecimal("%0.1f", record.percent));
    }

    texts.insert(QStringLiteral("lblSetPowerH1"), oneDecimal("%0.1f", record.setPowerH1));
    texts.insert(QStringLiteral("lblSetPowerH2"), oneDecimal("%0.1f", record.setPowerH2));
    texts.insert(QStringLiteral("lblSetOverHeat"), oneDecimal("%0.1f", record.setOverHeat));
    texts.insert(QStringLiteral("lblActiveMacrocount"), QString::number(record.activeMacroCount));
    texts.insert(QStringLiteral("lblFlowticsLiter"), QString::number(record.flowTicksLiter));
    texts.insert(QStringLiteral("lblETA"), etaText(record.macro, record.eta));
    return texts;
}

QString etaText(int macro, int etaSeconds)
{
    if (macro != kBrewMacro && macro != kOtherBrewMacro)
        return QStringLiteral("00:00");
    return QString::asprintf("%02d:%02d", etaSeconds / 60, etaSeconds % 60);
}

std::optional<ObjectText> objectText(ulong id, ulong value)
{
    if (id >= kFirstOutput && id <= kLastOutput)
        return ObjectText{QStringLiteral("lblO%1").arg(id),
                          QStringLiteral("O%1:%2").arg(id).arg(value)};
    if (id == kTargetTemp)
        return ObjectText{
            QStringLiteral("lblTargetTemp"),
            QStringLiteral("%1").arg(double(value / 10), 5, 'f', 1, QLatin1Char('0'))};
    return std::nullopt;
}

} // namespace StatusPanelText
