#include "consoleaddress.h"

#include "consoleline.h"

ConsoleAddress ConsoleAddress::fromText(const QString &text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {text, ConsoleLine::kBoardConsolePort};
    return {text.left(colon), portFromText(text.section(QLatin1Char(':'), 1, 1))};
}

quint16 ConsoleAddress::portFromText(const QString &text)
{
    bool ok = false;
    const quint16 port = text.toUShort(&ok, 10);
    return ok ? port : 0;
}
