#pragma once

#include "thermosrecord.h"

#include <QHash>
#include <QObject>
#include <QString>

// Follows the brew state of the machine's eight thermoses from the boards' brew events.
// Holds no timer: the texts work out the time left from stored deadlines when asked.
class ThermosMachine : public QObject
{
    Q_OBJECT
public:
    static constexpr int kThermosCount = 8;
    static constexpr int kSpareKey = 0; // brews for thermos 0 or above 8 land here

    // Creates the single instance on the first call and connects it to the registry's
    // brew events (the main window's constructor, after QDeviceMachine::instance()).
    static ThermosMachine *instance();
    // The instance, or null before instance() was first called; every other user takes this.
    static ThermosMachine *existingInstance();

    // Public so that tests can run one on their own clock; the program uses instance().
    explicit ThermosMachine(ThermosClock now = &QDateTime::currentDateTime,
                            QObject *parent = nullptr);
    ~ThermosMachine() override;

    // Thermos 1 to 8; 0 or above 8 the spare record; a negative id none (null).
    ThermosRecord *thermos(int id) const;

public slots:
    void brewStart(QString guid, QString name, QString recipestring, int thermosId,
                   int est_time_left);
    void brewEnd(QString guid, QString name, QString recipestring, int thermosId, int thermosTimer);
    void brewPing(QString guid, int thermosId, int est_time_left);
    // Whether anything changed since the last call; clears the flag.
    bool hasChanges();

private:
    // A brew start or end: new state, start time, deadline and clock text of the thermos;
    // null (nothing changed) for a negative id.
    ThermosRecord *stamp(int thermosId, int state, qint64 msToDeadline);

    QHash<int, ThermosRecord *> records;
    bool changed = false;
    ThermosClock now;
};
