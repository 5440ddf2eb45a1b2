#include "hotkeyfile.h"

#include <QRegularExpression>
#include <QStringList>

namespace HotkeyFile {

namespace {

const QString kPrefix = QStringLiteral("#hotkey");

} // namespace

QString storable(const QString &text)
{
    static const QRegularExpression unreadable(QStringLiteral("[|\\r\\n]"));
    return QString(text).remove(unreadable);
}

QString line(int number, const Hotkey &hotkey)
{
    return QStringLiteral("%1%2|%3|%4\r\n")
        .arg(kPrefix, QString::number(number), storable(hotkey.caption).trimmed(),
             storable(hotkey.command).trimmed());
}

QString build(const QVector<Hotkey> &hotkeys)
{
    QString text;
    for (int n = 0; n < hotkeys.size(); ++n)
        text += line(n + 1, hotkeys.at(n));
    return text;
}

std::optional<Definition> parse(const QString &line)
{
    if (!line.startsWith(kPrefix))
        return std::nullopt;
    const QStringList fields = line.split(QLatin1Char('|'));
    if (fields.size() != 3)
        return std::nullopt;
    const int number = fields.at(0).mid(kPrefix.size()).toInt(); // 0 when it is no number
    if (number < 1 || number > kCount)
        return std::nullopt;
    return Definition{number, {fields.at(1).trimmed(), fields.at(2).trimmed()}};
}

} // namespace HotkeyFile
