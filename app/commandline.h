#pragma once

#include "consoleaddress.h"

#include <QStringList>

// What the program is asked to do by its command line: no argument shows the window
// unconnected, a host connects to its port 23, a host and a port connect there.
namespace CommandLine {

enum class Action { ShowWindow, Connect, PrintHelp, PrintVersion };

struct Request
{
    Action action = Action::ShowWindow;
    ConsoleAddress address; // for Connect
};

// The arguments without the program name.
Request parse(const QStringList &arguments);

QString usage(const QString &programName);
QString versionText();

} // namespace CommandLine
