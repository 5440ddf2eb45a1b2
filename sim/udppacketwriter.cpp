#include "udppacketwriter.h"

namespace {

// Telemetry and object packets: one lead byte (0xA4 as the boards send it), then the kind.
constexpr char kTelemetryLead[] = "\xA4:101";
constexpr char kObjectLead[] = "\xA4:100";
constexpr int kLastMacroLine = 255;

// Lead, then every field led by a colon, then ":$" and CR LF.
QByteArray packet(const char *lead, const QStringList &fields)
{
    return QByteArray(lead) + ':' + fields.join(QLatin1Char(':')).toLatin1() + ":$\r\n";
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

UdpPacketWriter::UdpPacketWriter(const BoardIdentity &identity)
    : identity(identity)
{}

QByteArray UdpPacketWriter::announce()
{
    QStringList fields{QString::number(identity.typeCode())};
    fields << macFields(false) << ipFields() << identity.hw << identity.sw
           << quoted(identity.name)
           // The counter needs two digits at least, or the announce does not parse.
           << QStringLiteral("%1").arg(nextCounter(), 2, 10, QLatin1Char('0'));
    return packet("@", fields);
}

QByteArray UdpPacketWriter::telemetry(const TubeSample &s)
{
    // The first MAC byte is not carried: the receiver puts an implied 0 in its place.
    QStringList fields;
    fields << QString::number(identity.mac[1]) << QString::number(identity.mac[2])
           << QString::number(identity.mac[3])
           << QString::number(identity.mac[4] * 256 + identity.mac[5]) << ipFields();
    fields << QString::number(s.state);
    for (double v : {s.tempIn, s.tempH1, s.tempH2, s.tempHat, s.currVol, s.currFlow, s.targVol,
                     s.targFlow, s.percent, s.power})
        fields << number(v);
    fields << QString::number(s.macro) << QString::number(s.activeMacroCount);
    for (double v : {s.setPowerH1, s.setPowerH2, s.setOverHeat})
        fields << number(v);
    fields << QString::number(s.flowTicksLiter) << QString::number(s.eta)
           << QString::number(s.thermosId) << QString::number(s.aux) << identity.hw << identity.sw
           << QString::number(nextCounter());
    return packet(kTelemetryLead, fields);
}

QByteArray UdpPacketWriter::object(int id, uint32_t value)
{
    QStringList fields{macFields(true), QString::number(id), QString::number(value),
                       QStringLiteral("0"), QString::number(nextCounter())};
    return packet(kObjectLead, fields);
}

QByteArray UdpPacketWriter::brewStart(const BrewEvent &event)
{
    return brew("+", event);
}

QByteArray UdpPacketWriter::brewEnd(const BrewEvent &event)
{
    return brew("-", event);
}

QList<QByteArray> UdpPacketWriter::macroLines(const QStringList &lines) const
{
    QList<QByteArray> packets;
    for (int i = 0; i < lines.size(); ++i) {
        const QString n = QString::number(i == lines.size() - 1 ? kLastMacroLine : i);
        // "!", the line number, the text, an unused number: "!:n:text:n:$".
        packets << packet("!", {n, lines.at(i), n});
    }
    return packets;
}

QString UdpPacketWriter::number(double value)
{
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

int UdpPacketWriter::nextCounter()
{
    return ++counter;
}

QString UdpPacketWriter::macFields(bool lastTwoApart) const
{
    const auto &m = identity.mac;
    QStringList fields;
    for (int i = 0; i < 4; ++i)
        fields << QString::number(m[i]);
    if (lastTwoApart)
        fields << QString::number(m[4]) << QString::number(m[5]);
    else
        fields << QString::number(m[4] * 256 + m[5]);
    return fields.join(QLatin1Char(':'));
}

QString UdpPacketWriter::ipFields() const
{
    // Last octet first: the receiver reads the fourth number as the first octet.
    const uint32_t ip = identity.ipv4;
    QStringList fields;
    for (int shift = 0; shift < 32; shift += 8)
        fields << QString::number((ip >> shift) & 0xFF);
    return fields.join(QLatin1Char(':'));
}

QByteArray UdpPacketWriter::brew(const char *lead, const BrewEvent &event)
{
    QStringList fields{macFields(false),
                       QString::number(event.thermosId),
                       QString::number(event.timeValue),
                       quoted(event.recipeText),
                       quoted(event.name),
                       QString::number(nextCounter())};
    return packet(lead, fields);
}
