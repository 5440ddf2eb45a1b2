#pragma once

#include <QString>
#include <QVector>

#include <chrono>

// What the control center sends to the tube board: its stored programs by number, the
// stop, and the keep-alive ping.
namespace ControlCenterCommands {

// While the control center is visible it pings the board this often.
constexpr std::chrono::milliseconds kPingInterval{60000};
// "Loop 25" repeats this program after each MACRO_DONE.
constexpr int kLoopProgram = 25;

// The programs that have a button, in the order of the panel; button "btnN" runs program N.
const QVector<int> &programs();
QString buttonName(int program);

QString programCommand(int program); // "/em N"
QString stopCommand();
QString pingCommand();

} // namespace ControlCenterCommands
