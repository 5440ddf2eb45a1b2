#include "tbrowparser.h"

#include "netlogging.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

enum class RowForm { Macro, Heaters, MacroEnd, Run, Object };

struct FormPattern
{
    RowForm form;
    const char *tracePrefix;
    QRegularExpression pattern;
};

// Every field captures greedily and the last one runs up to the end of the row, including
// the LF that parse() appends; letter case is ignored once the row passed the "IO" check.
const QVector<FormPattern> &rowForms()
{
    const auto options =
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;
    const auto form = [options](const char *fields) {
        return QRegularExpression(
            QStringLiteral("^IO \\[(.*)\\]: %1\\z").arg(QLatin1String(fields)), options);
    };
    static const QVector<FormPattern> forms = {
        {RowForm::Macro, "TBMacro LOG: [", form("M:(.*) C:(.*) S:(.*) T:(.*)")},
        {RowForm::Heaters, "TBHeater LOG: [", form("H0:(.*) H1:(.*) H2:(.*) H3:(.*) H4:(.*)")},
        {RowForm::MacroEnd, "TBEnd LOG: [", form("MacroEnd: M(.*) TT:(.*)")},
        {RowForm::Run, "TBRun LOG: [",
         form("I:(.*) H1:(.*) H2:(.*) H:(.*) V:(.*) F:(.*) P:(.*) E:(.*)")},
        {RowForm::Object, "TBObj LOG: [", form("O:(.*) V:(.*) T:(.*)")},
    };
    return forms;
}

float toFloat(const QString &field)
{
    bool ok = false;
    const float value = field.toFloat(&ok);
    return ok && std::isfinite(value) ? value : 0.0f;
}

// The progress bar takes P cut to an integer; values no int can hold (or "nan", "inf",
// which toFloat accepts) count as 0 instead of overflowing the conversion.
int toProgress(const QString &field)
{
    const float value = std::trunc(toFloat(field));
    const bool fits = value >= float(std::numeric_limits<int>::min()) &&
                      value < -float(std::numeric_limits<int>::min());
    return fits ? int(value) : 0;
}

QString onOff(int value, const char *zeroText, const char *otherText)
{
    return QString::fromLatin1(value == 0 ? zeroText : otherText);
}

void objectRow(const QString &idField, const QString &valueField, TBRowParser::Update &u)
{
    const int id = idField.toInt();
    const int value = valueField.toInt();
    const float unitValue = toFloat(valueField);
    const auto set = [&u](const char *label, const QString &text) {
        u.labels.append({QString::fromLatin1(label), text});
    };
    QString name;
    switch (id) {
    case 11:
        name = QStringLiteral("InletValve");
        set("lblStatusInletValve", onOff(value, "OFF", "ON"));
        break;
    case 12:
        name = QStringLiteral("Heater1");
        set("lblStatusH1", onOff(value, "OFF", "ON"));
        break;
    case 13:
        name = QStringLiteral("Heater2");
        set("lblStatusH2", onOff(value, "OFF", "ON"));
        break;
    case 14: // the hat valve is open at 0, unlike the others
        name = QStringLiteral("Hat valve");
        set("lblStatusHat", onOff(value, "OPEN", "CLOSED"));
        break;
    case 65:
        name = QStringLiteral("Filling airbreake allowed");
        break;
    case 120:
        name = QStringLiteral("Flowmeter Pumpmode");
        set("lblStatusPump", valueField);
        break;
    case 261:
        name = QStringLiteral("dispense_target_flow_mls");
        set("lblStatusTargetFlow", QString::asprintf("%0.1f ml/s", double(unitValue / 10)));
        break;
    case 262:
        name = QStringLiteral("Target vol");
        set("lblStatusTargetVol", QString::asprintf("%0.1f liter", double(unitValue / 1000)));
        break;
    case 263: // shares its label with 262
        name = QStringLiteral("pulses per liter");
        set("lblStatusTargetVol", valueField);
        break;
    case 264:
        name = QStringLiteral("fm object to control");
        break;
    case 265:
        name = QStringLiteral("dispense_target_flow_mls");
        break;
    case 323:
        name = QStringLiteral("Set temp");
        set("lblStatusSetTempp", QString::asprintf("%0.1f deg", double(unitValue / 10)));
        break;
    default:
        name = QStringLiteral("Object:%1").arg(id);
        break;
    }
    qCDebug(lcNetRows).noquote() << "object" << name << valueField;
}

void applyForm(RowForm form, const QRegularExpressionMatch &m, TBRowParser::Update &u)
{
    const auto set = [&u, &m](const char *label, int field) {
        u.labels.append({QString::fromLatin1(label), m.captured(field)});
    };
    switch (form) {
    case RowForm::Macro:
        set("lblStatusCurrMacro", 2);
        set("lblStatusRunningMacros", 3);
        set("lblStatusRunningTime", 4);
        break;
    case RowForm::Heaters:
        set("lblStatusT0", 2);
        set("lblStatusT1", 3);
        set("lblStatusT2", 4);
        set("lblStatusT3", 5);
        break;
    case RowForm::MacroEnd:
        break;
    case RowForm::Run:
        set("lblStatusT0", 2);
        set("lblStatusT1", 3);
        set("lblStatusT2", 4);
        set("lblStatusT3", 5);
        u.labels.append({QStringLiteral("lblStatusDispWater"),
                         QString::asprintf("%0.1f ml", double(toFloat(m.captured(6))))});
        u.labels.append({QStringLiteral("lblStatusCurrentFlow"),
                         QString::asprintf("%0.1f ml/s", double(toFloat(m.captured(7))))});
        u.progress = toProgress(m.captured(8));
        set("lblStatusCalcPower", 9);
        break;
    case RowForm::Object:
        objectRow(m.captured(2), m.captured(3), u);
        break;
    }
}

} // namespace

TBRowParser::Update TBRowParser::parse(const QString &aRow, bool loopChecked)
{
    Update u;
    if (!aRow.startsWith(QLatin1String("IO"))) {
        if (aRow.startsWith(QLatin1String("MACRO_DONE"))) {
            u.unlockMacroButtons = true;
            u.loopDue = loopChecked;
        }
        return u;
    }
    const QString row = aRow + QLatin1Char('\n');
    QString shown = aRow;
    shown.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    for (const FormPattern &f : rowForms()) {
        const QRegularExpressionMatch m = f.pattern.match(row);
        if (m.hasMatch()) {
            applyForm(f.form, m, u);
            u.trace = QLatin1String(f.tracePrefix) + shown + QLatin1Char(']');
            qCDebug(lcNetRows).noquote() << u.trace;
            return u;
        }
    }
    u.trace = QStringLiteral("TBUnknown LOG: [") + shown + QLatin1Char(']');
    qCDebug(lcNetRows).noquote() << u.trace;
    return u;
}
