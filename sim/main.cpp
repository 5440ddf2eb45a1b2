// vorne-boardsim: simulated tube, main or spider boards on loopback.
#include "boardsimulator.h"
#include "simoptions.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorne-boardsim"));

    SimOptions options;
    QString message;
    int exitCode = 0;
    if (!SimOptions::parse(app.arguments(), &options, &message, &exitCode)) {
        QTextStream(exitCode == 0 ? stdout : stderr) << message << '\n';
        return exitCode;
    }
    BoardSimulator simulator(options);
    QString error;
    if (!simulator.start(&error)) {
        QTextStream(stderr) << "vorne-boardsim: " << error << '\n';
        return 1;
    }
    QTextStream out(stdout);
    for (const QString &line : simulator.summary())
        out << line << '\n';
    out.flush();
    return app.exec();
}
