#include "scriptloop.h"

#include "tubestate.h"

#include <QTimer>

ScriptLoop::ScriptLoop(QObject *parent)
    : QObject(parent)
{}

void ScriptLoop::disarm()
{
    loopArmed = false;
    cancelWait();
}

void ScriptLoop::cancelWait()
{
    if (!waitLoopTimer)
        return;
    waitLoopTimer->disconnect(this);
    waitLoopTimer->stop();
    waitLoopTimer->deleteLater();
    waitLoopTimer = nullptr;
}

void ScriptLoop::tubeState(int state, bool loopChecked, std::chrono::seconds wait)
{
    const bool runEnded =
        TubeState(state) == TubeState::Idle && TubeState(prevTubeState) == TubeState::Running;
    prevTubeState = state;
    if (!runEnded || !loopArmed || !loopChecked)
        return;
    cancelWait(); // a new end of a run restarts the wait from the beginning
    waitLoopTimer = new QTimer(this);
    waitLoopTimer->setSingleShot(true);
    connect(waitLoopTimer, &QTimer::timeout, this, &ScriptLoop::endWait);
    waitLoopTimer->start(wait);
}

std::chrono::milliseconds ScriptLoop::waitInterval() const
{
    return waitLoopTimer ? waitLoopTimer->intervalAsDuration() : std::chrono::milliseconds(0);
}

void ScriptLoop::endWait()
{
    cancelWait();
    emit waitOver();
}
