#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

// The loop of "send all": armed by a run started with the loop box checked, it waits the
// chosen time after each brew (telemetry going from RUNNING to IDLE) and then reports that
// the script is due again.
class ScriptLoop : public QObject
{
    Q_OBJECT
public:
    explicit ScriptLoop(QObject *parent = nullptr);

    void arm() { loopArmed = true; }
    // Disarms and cancels a running wait (Stop, send selection, box unchecked, connection).
    void disarm();
    void cancelWait();
    bool isArmed() const { return loopArmed; }

    // Every telemetry record the status panel accepts: only the transition RUNNING -> IDLE of
    // an armed loop whose box is checked (re)starts the wait; a second IDLE starts nothing.
    void tubeState(int state, bool loopChecked, std::chrono::seconds wait);

    bool waiting() const { return waitLoopTimer != nullptr; }
    std::chrono::milliseconds waitInterval() const;

signals:
    // The wait is over; the script runs again if the loop is still armed and checked.
    void waitOver();

private:
    void endWait();

    QPointer<QTimer> waitLoopTimer;
    bool loopArmed = false;
    int prevTubeState = 0;
};
