#pragma once

#include <QString>
#include <QVector>
#include <optional>

// The hotkey file beside each script: thirteen lines "#hotkeyN|caption|command\r\n". The
// same line sent from the editor defines one hotkey.
namespace HotkeyFile {

constexpr int kCount = 13;

struct Hotkey
{
    QString caption; // the button's text
    QString command; // commands separated by ";"
};

struct Definition
{
    int number; // 1 to kCount
    Hotkey hotkey;
};

// The text without what a line cannot hold and read back: "|" (the field separator) and
// line ends are removed.
QString storable(const QString &text);
// "#hotkeyN|caption|command\r\n", both fields trimmed and storable.
QString line(int number, const Hotkey &hotkey);
// The lines of hotkeys 1 to hotkeys.size(), in order.
QString build(const QVector<Hotkey> &hotkeys);
// A definition from a line starting with "#hotkey" with exactly three "|"-separated fields
// and a number from 1 to kCount; fields trimmed. Anything else is no definition.
std::optional<Definition> parse(const QString &line);

} // namespace HotkeyFile
