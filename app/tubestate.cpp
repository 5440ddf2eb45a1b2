#include "tubestate.h"

QString tubeStateName(int state)
{
    switch (TubeState(state)) {
    case TubeState::Idle:
        return QStringLiteral("IDLE");
    case TubeState::Running:
        return QStringLiteral("RUNNING");
    case TubeState::HeaterError:
        return QStringLiteral("HEAT.ERR");
    case TubeState::FirmwareUpdate:
        return QStringLiteral("FW.UPD");
    case TubeState::IoError:
        return QStringLiteral("IO ERR");
    case TubeState::WaterSupplyError:
        return QStringLiteral("W.SUPP.ERR");
    case TubeState::FlowmeterError:
        return QStringLiteral("FLOWM.ERR");
    case TubeState::MotorError:
        return QStringLiteral("MOT.ERR");
    }
    return QString::number(state);
}
