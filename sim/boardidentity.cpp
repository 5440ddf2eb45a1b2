#include "boardidentity.h"

#include <QHostAddress>

namespace {

// What each kind of board is called and reports.
struct KindInfo
{
    BoardKind kind;
    int typeCode;
    const char *text;
    const char *option;
    const char *hardwareId;
    const char *name;
};

constexpr KindInfo kKinds[] = {
    {BoardKind::Main, 1, "MAIN", "main", "71401", "SimMain"},
    {BoardKind::Tube, 2, "TUBE", "tube", "71405", "SimTube"},
    {BoardKind::Spider, 3, "SPIDER", "spider", "71407", "SimSpider"},
};

const KindInfo &infoOf(BoardKind kind)
{
    for (const KindInfo &info : kKinds) {
        if (info.kind == kind)
            return info;
    }
    return kKinds[1];
}

} // namespace

int BoardIdentity::typeCode() const
{
    return infoOf(kind).typeCode;
}

QString BoardIdentity::kindText() const
{
    return QString::fromLatin1(infoOf(kind).text);
}

QString BoardIdentity::macText() const
{
    QString text;
    for (uint8_t byte : mac)
        text += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
    return text;
}

QString BoardIdentity::ipText() const
{
    return QHostAddress(ipv4).toString();
}

QString BoardIdentity::consoleAnnouncement() const
{
    // Fields 2 to 6 are key:value with the value closed by a second colon, so the reader
    // that takes the text between the first and second colon gets exactly the value.
    return QStringLiteral("VORNE|%1|HW:%2:|SW:%3:|NAME:%4:|MAC:%5:|IP:%6:")
        .arg(kindText(), hw, sw, name, macText(), ipText());
}

QString BoardIdentity::defaultHardwareId(BoardKind kind)
{
    return QString::fromLatin1(infoOf(kind).hardwareId);
}

QString BoardIdentity::defaultName(BoardKind kind)
{
    return QString::fromLatin1(infoOf(kind).name);
}

bool BoardIdentity::parseKind(const QString &text, BoardKind *kind)
{
    for (const KindInfo &info : kKinds) {
        if (text.compare(QLatin1String(info.option), Qt::CaseInsensitive) == 0) {
            *kind = info.kind;
            return true;
        }
    }
    return false;
}
