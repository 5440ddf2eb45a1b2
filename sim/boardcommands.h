#pragma once

#include "boardidentity.h"
#include "simrecipe.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QStringList>

class TubeSimulation;

// The console commands of a simulated board that leave the connection in console mode.
// One per board, shared by all its console connections; every command gets at least one
// reply line, so scripts paced by the replies advance.
class BoardCommands : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCanNodes = 8;

    BoardCommands(const BoardIdentity &identity, TubeSimulation *tube, QObject *parent = nullptr);

    // Reply lines for one non-empty command line.
    QStringList execute(const QString &line);

    QMap<int, SimRecipe> recipes() const { return stored; }
    int debugLevel() const { return level; }
    // Splits a command line at its first blank into the command and its arguments.
    static void split(const QString &line, QString *command, QString *arguments);
    // Whether "can_bl N" names a node behind this board.
    static bool hasCanNode(int node) { return node >= 0 && node < kCanNodes; }

signals:
    // "send_macro": the macro text, for the board to send as UDP macro lines.
    void macroRequested(const QStringList &lines);
    // "restart": the board closes its console connections once the reply is out.
    void restartRequested();

private:
    using Handler = QStringList (BoardCommands::*)(const QString &arguments);

    QStringList debugLevelCommand(const QString &arguments);
    QStringList beep(const QString &arguments);
    QStringList canList(const QString &arguments);
    QStringList stop(const QString &arguments);
    QStringList restart(const QString &arguments);
    QStringList bootMacro(const QString &arguments);
    QStringList mqttReset(const QString &arguments);
    QStringList ping(const QString &arguments);
    QStringList printConfig(const QString &arguments);
    QStringList runProgram(const QString &arguments);
    QStringList brew(const QString &arguments);
    QStringList saveRecipe(const QString &arguments);
    QStringList listRecipes(const QString &arguments);
    QStringList sendMacro(const QString &arguments);
    QStringList help(const QString &arguments);

    const BoardIdentity identity;
    TubeSimulation *const tube;
    const QHash<QString, Handler> handlers;
    QMap<int, SimRecipe> stored;
    int level = 0;
};
