#pragma once

#include <QString>
#include <QStringList>

// The programs a simulated tube keeps in its memory: names and volumes of the numbers the
// control center offers; any other number is a plain 500 ml program.
namespace StoredPrograms {

constexpr int kFirst = 1;
constexpr int kLast = 255;

QString name(int number);
double volumeMl(int number);
// The program as a macro text, as "send_macro" sends it line by line.
QStringList macroText(int number);

} // namespace StoredPrograms
