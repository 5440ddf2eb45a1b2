#pragma once

#include <QPair>
#include <QString>
#include <QVector>

#include <chrono>
#include <optional>

// Reads the "IO" log rows a tube board writes on its console and says which control-center
// label shows which text; the control center only applies the result.
class TBRowParser
{
public:
    // After MACRO_DONE with the loop box ticked, the control center runs its loop again
    // after this delay.
    static constexpr std::chrono::milliseconds kLoopRepeatDelay{120000};

    struct Update
    {
        QVector<QPair<QString, QString>> labels; // label object name, new text, in order
        std::optional<int> progress;             // new value of `progressBar`
        bool unlockMacroButtons = false;         // the row was MACRO_DONE
        bool loopDue = false;                    // ... and the loop box was ticked
        QString trace;                           // what the row was taken for
    };

    static Update parse(const QString &aRow, bool loopChecked);
};
