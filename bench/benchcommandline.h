#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <optional>

// The benchmarks' command lines, checked as the project's other programs check theirs:
// --help prints the options; a wrong option, value or argument prints the problem and the
// usage on standard error and ends the program with exit code 2.
namespace BenchCommandLine {

constexpr int kExitUsage = 2;

inline int usageError(const QCommandLineParser &parser, const QString &problem)
{
    std::fprintf(stderr, "%s: %s\n\n%s", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(problem), qPrintable(parser.helpText()));
    return kExitUsage;
}

// Parses the program's arguments with the options already added and a help option; the
// exit code to end with (help shown, or wrong usage), or no value to go on.
inline std::optional<int> parse(QCommandLineParser &parser)
{
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(parser, QStringLiteral("unexpected argument %1")
                                      .arg(parser.positionalArguments().constFirst()));
    }
    return std::nullopt;
}

// The option's whole number from low to high in *value; false after the usage error.
inline bool number(const QCommandLineParser &parser, const QCommandLineOption &option, int low,
                   int high, int *value)
{
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    if (ok && *value >= low && *value <= high)
        return true;
    usageError(parser, QStringLiteral("--%1 needs a whole number from %2 to %3")
                           .arg(option.names().constFirst())
                           .arg(low)
                           .arg(high));
    return false;
}

} // namespace BenchCommandLine
