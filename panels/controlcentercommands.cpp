#include "controlcentercommands.h"

namespace ControlCenterCommands {

const QVector<int> &programs()
{
    static const QVector<int> numbers = {1, 2, 3, 4, 9, 10, 11, 12, 13, 14, 15, 16, 17, 25};
    return numbers;
}

QString buttonName(int program)
{
    return QStringLiteral("btn%1").arg(program);
}

QString programCommand(int program)
{
    return QStringLiteral("/em %1\r\n").arg(program);
}

QString stopCommand()
{
    return QStringLiteral("stop\r\n");
}

QString pingCommand()
{
    return QStringLiteral("ping\r\n");
}

} // namespace ControlCenterCommands
