#pragma once

#include <QLabel>

class ConsoleChannel;

// How far the console's queued run is ("line 12 of 40"), shown until the run ends or is
// stopped; empty while nothing runs.
class RunProgressLabel : public QLabel
{
    Q_OBJECT
public:
    RunProgressLabel(ConsoleChannel *console, QWidget *parent);
};
