#pragma once

#include "boardidentity.h"
#include "consolesession.h"

#include <QHostAddress>
#include <QString>
#include <chrono>

// Everything one simulated board is started with.
struct BoardConfig
{
    BoardIdentity identity;
    QHostAddress listenAddress{QHostAddress::LocalHost};
    quint16 listenPort = 2323; // 0: any free port
    QString connectHost;       // client mode when not empty
    quint16 connectPort = 7123;
    QHostAddress udpTarget{QHostAddress::LocalHost};
    quint16 udpTargetPort = 7112;
    std::chrono::milliseconds programTime{10000};
    std::chrono::milliseconds telemetryInterval{1000};
    std::chrono::milliseconds announceInterval{5000};
    ConsoleSession::Settings session;
    QString label; // names the board in a shared log; empty for a single board
};
