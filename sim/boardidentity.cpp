#include "boardidentity.h"

#include <QHostAddress>

int BoardIdentity::typeCode() const
{
    switch (kind) {
    case BoardKind::Main:
        return 1;
    case BoardKind::Tube:
        return 2;
    case BoardKind::Spider:
        return 3;
    }
    return 0;
}

QString BoardIdentity::kindText() const
{
    switch (kind) {
    case BoardKind::Main:
        return QStringLiteral("MAIN");
    case BoardKind::Tube:
        return QStringLiteral("TUBE");
    case BoardKind::Spider:
        return QStringLiteral("SPIDER");
    }
    return QString();
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
    switch (kind) {
    case BoardKind::Main:
        return QStringLiteral("71401");
    case BoardKind::Tube:
        return QStringLiteral("71405");
    case BoardKind::Spider:
        return QStringLiteral("71407");
    }
    return QString();
}

bool BoardIdentity::parseKind(const QString &text, BoardKind *kind)
{
    const QString lower = text.toLower();
    if (lower == QLatin1String("main"))
        *kind = BoardKind::Main;
    else if (lower == QLatin1String("tube"))
        *kind = BoardKind::Tube;
    else if (lower == QLatin1String("spider"))
        *kind = BoardKind::Spider;
    else
        return false;
    return true;
}
