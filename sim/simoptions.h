#pragma once

#include "boardconfig.h"

#include <QList>
#include <QString>
#include <QStringList>

// The command line of vorne-boardsim, turned into one configuration per simulated board.
struct SimOptions
{
    static constexpr int kMaxBoards = 64;

    QList<BoardConfig> boards;
    quint16 discoveryPort = 7113; // 0: no discovery
    QString logFile;

    // Parses arguments (program name first). On --help or --version, or on an error,
    // returns false and puts the text to show into message; exitCode tells which.
    static bool parse(const QStringList &arguments, SimOptions *options, QString *message,
                      int *exitCode);
};
