#include "monitorevent.h"

#include "tbtubelogdata.h"

#include <charconv>
#include <cmath>

namespace {

QByteArray jsonString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += QByteArray("\\u00") + QByteArray::number(int(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
    return out;
}

QByteArray csvField(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.contains(',') || utf8.contains('"') || utf8.contains('\n') || utf8.contains('\r'))
        return '"' + utf8.replace('"', "\"\"") + '"';
    return utf8;
}

// Shortest text that reads back as the same float ("20.5", not "20.5000000").
QByteArray shortestFloat(float value)
{
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return QByteArray(buf, int(result.ptr - buf));
}

QByteArray isoTime(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs).toUtf8();
}

} // namespace

MonitorEvent::MonitorEvent(const char *event, const QDateTime &time)
    : event(event)
    , time(isoTime(time))
{}

MonitorEvent &MonitorEvent::text(const char *key, const QString &value)
{
    values.append({key, jsonString(value), csvField(value)});
    return *this;
}

MonitorEvent &MonitorEvent::integer(const char *key, qint64 value)
{
    const QByteArray number = QByteArray::number(value);
    values.append({key, number, number});
    return *this;
}

MonitorEvent &MonitorEvent::real(const char *key, float value)
{
    // JSON has no NaN or infinity; the decoder never makes them, but stay valid regardless.
    const QByteArray number = std::isfinite(value) ? shortestFloat(value) : QByteArray("null");
    values.append({key, number, std::isfinite(value) ? number : QByteArray()});
    return *this;
}

QByteArray MonitorEvent::toJson() const
{
    QByteArray out = "{\"event\":\"" + event + "\",\"time\":\"" + time + '"';
    for (const Value &v : values)
        out += ",\"" + v.key + "\":" + v.json;
    return out + "}\n";
}

QByteArray MonitorEvent::csvHeader() const
{
    QByteArray out = "time";
    for (const Value &v : values)
        out += ',' + v.key;
    return out + '\n';
}

QByteArray MonitorEvent::toCsv() const
{
    QByteArray out = time;
    for (const Value &v : values)
        out += ',' + v.csv;
    return out + '\n';
}

MonitorEvent MonitorEvent::telemetry(const TBTubeLogData &d, const QDateTime &time)
{
    MonitorEvent e("logReceived", time);
    e.integer("macHigh", d.macHigh).integer("macLow", d.macLow).integer("ip", d.ip);
    e.integer("state", d.state);
    e.real("tempIn", d.tempIn).real("tempH1", d.tempH1).real("tempH2", d.tempH2);
    e.real("tempHat", d.tempHat).real("currVol", d.currVol).real("currFlow", d.currFlow);
    e.real("targVol", d.targVol).real("targFlow", d.targFlow).real("percent", d.percent);
    e.real("power", d.power).integer("macro", d.macro);
    e.integer("activeMacroCount", d.activeMacroCount);
    e.real("setPowerH1", d.setPowerH1).real("setPowerH2", d.setPowerH2);
    e.real("setOverHeat", d.setOverHeat).integer("flowTicksLiter", d.flowTicksLiter);
    e.integer("eta", d.eta).integer("thermosId", d.thermosId).integer("aux", d.aux);
    e.text("hwId", d.hwId).text("swId", d.swId).integer("logId", d.logId);
    e.text("macText", d.macText()).text("ipText", d.ipText());
    return e;
}
