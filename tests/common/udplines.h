#pragma once

// The boards' UDP lines and what the decoder makes of each, for every test that sends, checks
// or shows UDP lines: one table, so that a line and its meaning are written down once.

#include "udppacketdecoder.h"

#include <QStringList>
#include <QVector>

namespace UdpLines {

// A tube board 0004a3123412 and the main board 0004a3123414, both at 192.168.1.20.
inline const QString tubeMac = QStringLiteral("0004a3123412");
inline const QString mainMac = QStringLiteral("0004a3123414");

// The tube's telemetry of its first `count` numbers (e1 to e31), e`element` set to value. All
// 31: brewing (macro 998, e20) thermos 3, 194 s left, hw 12, sw 190918.01, counter 17 (e31).
inline QString telemetry(int element = 1, const QString &value = "4", int count = 31)
{
    QStringList e = QString("4:163:18:13330:20:1:168:192:4:20.5:90.25:91.125:85:123.4:5.26:250:"
                            "6.5:40:1800:998:1:1500:1500:105:1950:194:3:7:12:190918.01:17")
                        .split(':')
                        .mid(0, count);
    e[element - 1] = value;
    return "T:101:" + e.join(':') + ":$";
}

// The tube board announcing itself as `type`.
inline QString announce(int type, int counter, const QString &name = "Tube")
{
    return QString("@:%1:0:4:163:18:13330:20:1:168:192:1.0:2.3:\"%2\":%3:$")
        .arg(type)
        .arg(name)
        .arg(counter, 2, 10, QLatin1Char('0'));
}

// Output 11 switched on, reported by the main board or by the tube board.
inline QString object(int counter, bool fromMain = true)
{
    return QString("X:100:0:4:163:18:52:%1:11:1:0:%2:$").arg(fromMain ? 20 : 18).arg(counter);
}

// Brew start ('+') or end ('-') of thermos 3 by the tube board: 194 s left, or 194 minutes.
inline QString brew(char lead, int counter)
{
    return QString("%1:0:4:163:18:13330:3:194:\"r\":\"Morning\":%2:$").arg(lead).arg(counter);
}

inline QString macroLine(int number, const QString &text)
{
    return QString("!:%1:%2:0:$").arg(number).arg(text);
}

// What the decoder makes of a line, as one text a table row can state.
inline QString decoded(const QString &line)
{
    const UdpPacket p = UdpPacketDecoder::decode(line);
    const auto n = [](qint64 value) { return QString::number(value); };
    const QString from = p.mac + " #" + n(p.counter) + ' ';
    switch (p.kind) {
    case UdpPacket::Kind::NoMatch:
        return "none";
    case UdpPacket::Kind::ShortTelemetry:
        return "short telemetry";
    case UdpPacket::Kind::Announce:
        return "announce " + from + QStringList{p.ip, n(p.type), p.hw, p.sw, p.name}.join(' ');
    case UdpPacket::Kind::ObjectValue:
        return "object " + from + n(p.objectId) + '=' + n(p.value);
    case UdpPacket::Kind::Telemetry:
        return "telemetry " + from +
               QStringList{
                   p.log.ipText(), n(p.log.state),     n(p.log.macro), n(p.log.flowTicksLiter),
                   n(p.log.eta),   n(p.log.thermosId), n(p.log.aux),   p.log.hwId,
                   p.log.swId}
                   .join(' ');
    case UdpPacket::Kind::BrewStart:
    case UdpPacket::Kind::BrewEnd:
        return (p.kind == UdpPacket::Kind::BrewStart ? "start " : "end ") + from +
               QStringList{n(p.thermosId), n(p.time), '[' + p.recipe + ']', p.name}.join(' ');
    case UdpPacket::Kind::MacroLine:
        return "macro " + n(p.lineNumber) + ' ' + p.text;
    }
    return QString();
}

struct Row
{
    const char *name; // the behaviour or the fault the line guards
    QString text;     // as the receiver hands it on: no CR or LF, one character per byte
    QString decoded;  // announce: mac #counter ip type hw sw name; telemetry: mac #counter ip
                      // state macro ticks eta thermos aux hw sw; brew: mac #counter thermos
                      // time [recipe] name
};

// The simulated tube (MAC 00564f524e01, 192.168.1.20, SimTube, hw 71405, sw 190918) in the
// order its packet writer test writes them.
inline const QVector<Row> &simulatedTube()
{
    static const QVector<Row> rows{
        {"simulated announce, counter in two digits",
         "@:2:0:86:79:82:19969:20:1:168:192:71405:190918:\"SimTube\":01:$",
         "announce 00564f524e01 #1 192.168.1.20 2 71405 190918 SimTube"},
        {"simulated telemetry, three decimals at most and no exponent",
         "\u00a4:101:86:79:82:19969:20:1:168:192:4:166.667:91.25:0:0:450:0:12345678:0:0:0:998:0:0:"
         "0:0:0:125:3:0:71405:190918:2:$",
         "telemetry 00564f524e01 #2 192.168.1.20 4 998 0 125 3 0 71405 190918"},
        {"simulated output", "\u00a4:100:0:86:79:82:78:1:323:920:0:3:$",
         "object 00564f524e01 #3 323=920"},
        {"simulated brew start", "+:0:86:79:82:19969:3:194:\"2:100:98\":\"Big \"Brew\": one\":4:$",
         "start 00564f524e01 #4 3 194 [2:100:98] Big \"Brew\": one"},
        {"simulated brew end", "-:0:86:79:82:19969:3:50:\"2:100:98\":\"Big \"Brew\": one\":5:$",
         "end 00564f524e01 #5 3 50 [2:100:98] Big \"Brew\": one"},
        {"simulated macro, first line", "!:0:MACRO 10:0:$", "macro 0 MACRO 10"},
        {"simulated macro, line with colon", "!:1:SET: 92:1:$", "macro 1 SET: 92"},
        {"simulated macro, last line", "!:255:END:255:$", "macro 255 END"},
    };
    return rows;
}

// Every kind, the number forms, greedy texts, the conversions, and lines that match nothing;
// the simulated tube's lines hold the plain forms (led by the currency sign, brew end, macro).
inline const QVector<Row> &table()
{
    static const QVector<Row> rows = [] {
        const QString full = "telemetry 0004a3123412 #17 192.168.1.20 4 998 1950 194 3 7 12 "
                             "190918.01";
        const auto fullWith = [&full](const char *from, const char *to) {
            return QString(full).replace(from, to);
        };
        const QString tube = "announce 0004a3123412 #12 192.168.1.20 ";
        const QString brewn = "0004a3123412 #9 3 194 ";
        const QString main = "object 0004a3123414 #5 11=";
        QVector<Row> r{
            {"announce", announce(1, 12, "Main board"), tube + "1 1.0 2.3 Main board"},
            {"announce one-digit counter refused", announce(1, 7).replace(":07:", ":7:"), "none"},
            {"announce name greedy", announce(3, 12, "T \"A\":1"), tube + "3 1.0 2.3 T \"A\":1"},
            {"announce empty name refused", announce(1, 12, ""), "none"},
            {"announce trailing blank refused", announce(1, 12) + ' ', "none"},
            {"announce signs and dots, counter with fraction 0",
             "@:+2:0:4:163:18:13330:20:1:168:192:1.:-2:\"M\":+1.5:$",
             "announce 0004a3123412 #0 192.168.1.20 2 1. -2 M"},
            {"object", object(5), main + "1"},
            {"object nine numbers refused", object(5).replace(":11:", ":"), "none"},
            {"object eleven numbers refused", object(5).replace(":11:", ":11:11:"), "none"},
            {"object two lead characters refused", 'X' + object(5), "none"},
            {"object largest value", object(5).replace(":11:1:", ":11:4294967295:"),
             main + "4294967295"},
            {"object overflow counts 0", object(5).replace(":11:1:", ":11:4294967296:"),
             main + "0"},
            {"telemetry of 32 elements", telemetry(), full},
            {"telemetry of 31 elements: swId the counter", telemetry(1, "4", 30),
             fullWith("#17", "#0")},
            {"telemetry of 30 elements: eta to swId not carried", telemetry(1, "4", 29),
             "telemetry 0004a3123412 #12 192.168.1.20 4 998 1950 0 0 0  "},
            {"telemetry of 27 elements dropped", telemetry(1, "4", 26), "short telemetry"},
            {"short telemetry not taken for a macro line", "!:101:1:2:$", "short telemetry"},
            {"telemetry four decimals refused", telemetry(10, "20.5555"), "none"},
            {"telemetry empty field refused", telemetry(10, ""), "none"},
            {"telemetry integer fraction 0", telemetry(20, "998.5"), fullWith(" 998 ", " 0 ")},
            {"telemetry state beyond 8 bits 0", telemetry(9, "260"), fullWith(" 4 ", " 0 ")},
            {"telemetry MAC byte beyond 255 wraps", telemetry(1, "70000"),
             fullWith("0004a3123412", "1170a3123412")},
            {"brew recipe greedy up to the last separator",
             "+:0:4:163:18:13330:3:194:\"a\":\"b\":\"c\":9:$", "start " + brewn + "[a\":\"b] c"},
            {"brew texts with quotes, backslash and tab",
             "+:0:4:163:18:13330:3:194:\"r\\1\":\"A \"B\"\t\":9:$",
             "start " + brewn + "[r\\1] A \"B\"\t"},
            {"brew with one text refused", "+:0:4:163:18:13330:3:194:\"a\":9:$", "none"},
            {"brew with six numbers refused", "+:0:4:163:18:13330:3:\"a\":\"b\":9:$", "none"},
            {"brew with empty name refused", "+:0:4:163:18:13330:3:194:\"a\":\"\":9:$", "none"},
            {"macro line inside the line", "xyz!:3:text:12:$", "macro 3 text"},
            {"macro text may be empty", macroLine(1, ""), "macro 1 "},
            {"macro leftmost usable mark wins", "!x!:4:t:0:$", "macro 4 t"},
            {"macro later mark stays text", "!:2:say !:3:x:0:$", "macro 2 say !:3:x"},
            {"macro without text separator refused", "!:5:$", "none"},
            {"empty line", "", "none"},
        };
        return r + simulatedTube();
    }();
    return rows;
}

// The text of the table's row of that name.
inline QString line(const char *name)
{
    for (const Row &row : table()) {
        if (qstrcmp(row.name, name) == 0)
            return row.text;
    }
    return QString();
}

} // namespace UdpLines
