#include "commandline.h"
#include "mainwindow.h"
#include "prompter.h"

#include <QApplication>
#include <QTextCodec>
#include <cstdio>

namespace {

QStringList rawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // Help and version are answered before any window (or display) is needed.
    const CommandLine::Request early = CommandLine::parse(rawArguments(argc, argv));
    if (early.action == CommandLine::Action::PrintHelp) {
        std::fputs(qPrintable(CommandLine::usage(QStringLiteral("vorne-commander"))), stdout);
        return 0;
    }
    if (early.action == CommandLine::Action::PrintVersion) {
        std::fputs(qPrintable(CommandLine::versionText()), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("8859-1"));

    WidgetPrompter prompter;
    MainWindow window(prompter);
    // QApplication has taken its own options (-platform, -style, ...) off the list.
    const CommandLine::Request request = CommandLine::parse(app.arguments().mid(1));
    if (request.action == CommandLine::Action::Connect)
        window.connectToDevice(request.address.host, request.address.port, nullptr);
    window.show();
    return app.exec();
}
