#include "udppacketdecoder.h"

#include "addresstext.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <cmath>
#include <limits>

// A hand-written scanner rather than regular expressions: every telemetry line of every board
// passes through here. It accepts exactly the grammar the boards speak:
//   NUM   [+-]?[0-9]+[.]?[0-9]{0,3}     (four or more decimals fail the whole line)
//   NUM2  [+-]?[0-9]+[.]?[0-9]+         (announce counter: at least two digits)
//   TEXT  :"(.+)"                       (greedy: may hold quotes and colons itself)
// Every field is led by ':' and every line ends with ":$". Only ASCII digits count as digits.
namespace {

using Field = QStringView;

constexpr int kAnnounceNums = 12;
constexpr int kObjectNums = 10;
constexpr int kBrewNums = 7;
constexpr int kMaxNumDecimals = 3;
constexpr int kExactDoubleDigits = 15; // integers up to this many digits are exact in a double

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isSign(QChar c)
{
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

int skipDigits(Field f, int i)
{
    while (i < f.size() && isDigit(f.at(i)))
        ++i;
    return i;
}

bool isNum(Field f)
{
    int i = (!f.isEmpty() && isSign(f.at(0))) ? 1 : 0;
    const int intStart = i;
    i = skipDigits(f, i);
    if (i == intStart)
        return false;
    if (i < f.size() && f.at(i) == QLatin1Char('.')) {
        const int fracStart = ++i;
        i = skipDigits(f, i);
        if (i - fracStart > kMaxNumDecimals)
            return false;
    }
    return i == f.size();
}

bool isNum2(Field f)
{
    int i = (!f.isEmpty() && isSign(f.at(0))) ? 1 : 0;
    const int intStart = i;
    i = skipDigits(f, i);
    const int intDigits = i - intStart;
    if (i < f.size() && f.at(i) == QLatin1Char('.')) {
        const int fracStart = ++i;
        i = skipDigits(f, i);
        return intDigits >= 1 && i > fracStart && i == f.size();
    }
    return intDigits >= 2 && i == f.size();
}

// Whole decimal number within [minValue, maxValue]; anything else (a fraction, an overflow)
// counts as 0, like every number that fails to convert.
int64_t toWhole(Field f, int64_t minValue, int64_t maxValue)
{
    int i = 0;
    bool negative = false;
    if (!f.isEmpty() && isSign(f.at(0))) {
        negative = f.at(0) == QLatin1Char('-');
        ++i;
    }
    if (i == f.size())
        return 0;
    const int64_t limit = negative ? -minValue : maxValue;
    int64_t value = 0;
    for (; i < f.size(); ++i) {
        if (!isDigit(f.at(i)))
            return 0;
        value = value * 10 + (f.at(i).unicode() - '0');
        if (value > limit)
            return 0;
    }
    return negative ? -value : value;
}

int toInt(Field f)
{
    return int(toWhole(f, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

uint32_t toUInt(Field f)
{
    return uint32_t(toWhole(f, 0, std::numeric_limits<uint32_t>::max()));
}

uint8_t toUInt8(Field f)
{
    return uint8_t(toWhole(f, 0, std::numeric_limits<uint8_t>::max()));
}

// A NUM as float: the decimal value rounded to double, then to float (as QString::toFloat
// does). Values outside the float range count as 0.
float toFloat(Field f)
{
    double value = 0;
    int64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool inFraction = false;
    bool exact = true;
    for (int i = (!f.isEmpty() && isSign(f.at(0))) ? 1 : 0; i < f.size(); ++i) {
        const QChar c = f.at(i);
        if (c == QLatin1Char('.')) {
            inFraction = true;
            continue;
        }
        if (++digits > kExactDoubleDigits) {
            exact = false;
            break;
        }
        mantissa = mantissa * 10 + (c.unicode() - '0');
        decimals += inFraction ? 1 : 0;
    }
    if (exact) {
        static const double powersOfTen[] = {1.0, 10.0, 100.0, 1000.0};
        value = double(mantissa) / powersOfTen[decimals];
        if (!f.isEmpty() && f.at(0) == QLatin1Char('-'))
            value = -value;
    } else {
        value = f.toString().toDouble();
    }
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
        return 0;
    return float(value);
}

// MAC bytes or IP octets, highest first, as one 32-bit number (wrapping, never undefined).
uint32_t packBytes(Field b1, Field b2, Field b3, Field b4)
{
    return (toUInt(b1) << 24) + (toUInt(b2) << 16) + (toUInt(b3) << 8) + toUInt(b4);
}

// Reads `count` fields ":NUM" from p on; p ends on the character after the last one.
bool takeNums(const QChar *&p, const QChar *end, int count, Field *out)
{
    for (int k = 0; k < count; ++k) {
        if (p >= end || *p != QLatin1Char(':'))
            return false;
        const QChar *start = ++p;
        while (p < end && *p != QLatin1Char(':'))
            ++p;
        out[k] = Field(start, p - start);
        if (!isNum(out[k]))
            return false;
    }
    return true;
}

const QChar *lastColon(const QChar *begin, const QChar *end)
{
    for (const QChar *p = end; p > begin;) {
        if (*--p == QLatin1Char(':'))
            return p;
    }
    return nullptr;
}

bool startsWithCode(Field line, const char *code)
{
    return line.size() > 4 && line.mid(1, 4) == QLatin1String(code);
}

// The layout of the kinds with texts: a lead character, `count` NUM fields, `:"`, the texts,
// the closing quote, then `:counter`. The counter field sits between the last colon and the
// closing ":$", so the texts may hold quotes and colons themselves.
bool takeTextPacket(Field line, const QChar *bodyEnd, QChar lead, int count, Field *nums,
                    bool (*isCounter)(Field), Field *texts, Field *counter)
{
    if (line.at(0) != lead)
        return false;
    const QChar *p = line.data() + 1;
    if (!takeNums(p, bodyEnd, count, nums) || bodyEnd - p < 2 || p[0] != QLatin1Char(':') ||
        p[1] != QLatin1Char('"')) {
        return false;
    }
    const QChar *textStart = p + 2;
    const QChar *colon = lastColon(textStart, bodyEnd);
    if (!colon || colon - textStart < 2 || colon[-1] != QLatin1Char('"'))
        return false;
    *counter = Field(colon + 1, bodyEnd - colon - 1);
    *texts = Field(textStart, colon - 1 - textStart);
    return isCounter(*counter);
}

bool decodeAnnounce(Field line, const QChar *bodyEnd, UdpPacket &packet)
{
    Field f[kAnnounceNums];
    Field name;
    Field counter;
    if (!takeTextPacket(line, bodyEnd, QLatin1Char('@'), kAnnounceNums, f, isNum2, &name,
                        &counter)) {
        return false;
    }
    packet.kind = UdpPacket::Kind::Announce;
    packet.type = toInt(f[0]);
    packet.mac = AddressText::mac(packBytes(f[1], f[2], f[3], f[4]), toUInt(f[5]));
    packet.ip = AddressText::ip(toInt(f[9]), toInt(f[8]), toInt(f[7]), toInt(f[6]));
    packet.hw = f[10].toString();
    packet.sw = f[11].toString();
    packet.name = name.toString();
    packet.counter = toInt(counter);
    return true;
}

bool decodeObject(Field line, const QChar *bodyEnd, UdpPacket &packet)
{
    if (!startsWithCode(line, ":100"))
        return false;
    const QChar *p = line.data() + 5;
    Field f[kObjectNums];
    if (!takeNums(p, bodyEnd, kObjectNums, f) || p != bodyEnd)
        return false;
    packet.kind = UdpPacket::Kind::ObjectValue;
    packet.mac =
        AddressText::mac(packBytes(f[0], f[1], f[2], f[3]), toUInt(f[4]) * 256 + toUInt(f[5]));
    packet.objectId = toUInt(f[6]);
    packet.value = toUInt(f[7]);
    packet.counter = toInt(f[9]);
    return true;
}

void fillTelemetry(const Field *e, int count, TBTubeLogData &log)
{
    log.macHigh = packBytes(e[0], e[1], e[2], e[3]);
    log.macLow = toUInt(e[4]);
    log.ip = packBytes(e[5], e[6], e[7], e[8]);
    log.state = toUInt8(e[9]);
    log.tempIn = toFloat(e[10]);
    log.tempH1 = toFloat(e[11]);
    log.tempH2 = toFloat(e[12]);
    log.tempHat = toFloat(e[13]);
    log.currVol = toFloat(e[14]);
    log.currFlow = toFloat(e[15]);
    log.targVol = toFloat(e[16]);
    log.targFlow = toFloat(e[17]);
    log.percent = toFloat(e[18]);
    log.power = toFloat(e[19]);
    log.macro = toInt(e[20]);
    log.activeMacroCount = toInt(e[21]);
    log.setPowerH1 = toFloat(e[22]);
    log.setPowerH2 = toFloat(e[23]);
    log.setOverHeat = toFloat(e[24]);
    log.flowTicksLiter = toInt(e[25]);
    if (count >= UdpPacketDecoder::kFullTelemetryElements) {
        log.eta = toInt(e[26]);
        log.thermosId = toInt(e[27]);
        log.aux = toInt(e[28]);
        log.hwId = e[29].toString();
        log.swId = e[30].toString();
    }
    log.logId = toInt(e[count - 1]);
}

// The telemetry form has no letters, so matching it regardless of letter case changes nothing.
bool decodeTelemetry(Field line, const QChar *bodyEnd, UdpPacket &packet)
{
    if (!startsWithCode(line, ":101"))
        return false;
    static const QChar zero(QLatin1Char('0'));
    QVarLengthArray<Field, 48> elements;
    elements.append(Field(&zero, 1)); // the element list starts with a literal "0"
    const QChar *p = line.data() + 5;
    do {
        Field f;
        if (!takeNums(p, bodyEnd, 1, &f))
            return false;
        elements.append(f);
    } while (p != bodyEnd);
    if (elements.size() < UdpPacketDecoder::kMinTelemetryElements) {
        packet.kind = UdpPacket::Kind::ShortTelemetry;
        return true;
    }
    packet.kind = UdpPacket::Kind::Telemetry;
    fillTelemetry(elements.constData(), elements.size(), packet.log);
    packet.mac = packet.log.macText();
    packet.counter = packet.log.logId;
    return true;
}

bool decodeBrew(Field line, const QChar *bodyEnd, QChar lead, UdpPacket &packet)
{
    Field f[kBrewNums];
    Field both;
    Field counter;
    if (!takeTextPacket(line, bodyEnd, lead, kBrewNums, f, isNum, &both, &counter))
        return false;
    // The first text is greedy: it ends at the last `":"` that leaves the name non-empty.
    const QLatin1String separator("\":\"");
    if (both.size() < separator.size() + 2)
        return false;
    const int split = int(both.lastIndexOf(separator, both.size() - separator.size() - 1));
    if (split < 1)
        return false;
    packet.kind = lead == QLatin1Char('+') ? UdpPacket::Kind::BrewStart : UdpPacket::Kind::BrewEnd;
    packet.mac = AddressText::mac(packBytes(f[0], f[1], f[2], f[3]), toUInt(f[4]));
    packet.thermosId = toInt(f[5]);
    packet.time = toInt(f[6]);
    packet.recipe = both.left(split).toString();
    packet.name = both.mid(split + separator.size()).toString();
    packet.counter = toInt(counter);
    return true;
}

// "!:NUM:text:NUM:$" anywhere in the line; the leftmost '!' that fits starts the match.
bool decodeMacroLine(Field line, const QChar *bodyEnd, UdpPacket &packet)
{
    const QChar *begin = line.data();
    const QChar *tailColon = lastColon(begin, bodyEnd);
    if (!tailColon || !isNum(Field(tailColon + 1, bodyEnd - tailColon - 1)))
        return false;
    for (const QChar *bang = begin; bang + 1 < tailColon; ++bang) {
        if (*bang != QLatin1Char('!') || bang[1] != QLatin1Char(':'))
            continue;
        const QChar *numEnd = bang + 2;
        while (numEnd < tailColon && *numEnd != QLatin1Char(':'))
            ++numEnd;
        const Field number(bang + 2, numEnd - bang - 2);
        if (numEnd >= tailColon || !isNum(number))
            continue;
        packet.kind = UdpPacket::Kind::MacroLine;
        packet.lineNumber = toInt(number);
        packet.text = QString(numEnd + 1, int(tailColon - numEnd - 1));
        return true;
    }
    return false;
}

} // namespace

UdpPacket UdpPacketDecoder::decode(const QString &aLine)
{
    UdpPacket packet;
    const Field line(aLine);
    if (!line.endsWith(QLatin1String(":$")))
        return packet;
    const QChar *bodyEnd = line.data() + line.size() - 2; // the colon of the closing ":$"
    if (decodeAnnounce(line, bodyEnd, packet) || decodeObject(line, bodyEnd, packet) ||
        decodeTelemetry(line, bodyEnd, packet) ||
        decodeBrew(line, bodyEnd, QLatin1Char('+'), packet) ||
        decodeBrew(line, bodyEnd, QLatin1Char('-'), packet) ||
        decodeMacroLine(line, bodyEnd, packet)) {
        return packet;
    }
    return UdpPacket();
}
