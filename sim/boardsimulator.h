#pragma once

#include "discoveryresponder.h"
#include "simoptions.h"
#include "transcript.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <memory>

class SimBoard;

// The whole vorne-boardsim process: its boards, their shared discovery port and log.
class BoardSimulator : public QObject
{
    Q_OBJECT
public:
    explicit BoardSimulator(const SimOptions &options, QObject *parent = nullptr);
    ~BoardSimulator() override;

    bool start(QString *error);
    // One line per board and service, for the console of whoever started the simulator.
    QStringList summary() const;

private:
    const SimOptions options;
    Transcript transcript;
    DiscoveryResponder discovery;
    QList<SimBoard *> boards;
};
