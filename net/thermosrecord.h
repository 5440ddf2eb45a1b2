#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// The current local date and time; injected so that tests need not wait for deadlines.
using ThermosClock = std::function<QDateTime()>;

// One thermos of the machine followed through brewing, brewed and rebrew due, with the
// texts the thermos timers dialog shows for it.
class ThermosRecord
{
public:
    enum State { NoData = 0, Brewing = 1, Brewed = 2, RebrewDue = 3 };

    ThermosRecord(int id, ThermosClock now);

    QString colorStyle() const;
    // Asked every second by the dialog; a brewed thermos past its deadline becomes due here.
    QString timeText();
    QString startText() const;
    QString nameText() const;
    QString guidText() const;
    QString idText() const;
    bool hasData() const { return state != NoData; }

    int id = 0;
    qint64 started = 0; // ms since the epoch of the last brew start or end
    int state = NoData;
    qint64 deadline = 0; // ms since the epoch: end of brewing, or time of the rebrew
    QString name;
    QString clock; // local "hh:mm" of the last brew start or end
    QString guid;
    QString recipe;

private:
    ThermosClock now;
};
