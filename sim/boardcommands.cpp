#include "boardcommands.h"

#include "storedprograms.h"
#include "tubesimulation.h"

namespace {

constexpr int kMaxDebugLevel = 255;
constexpr int kDefaultBeep = 1000;

QStringList error(const QString &text)
{
    return {QStringLiteral("ERROR: ") + text};
}

// Parses one whole-number argument in [low, high].
bool numberArgument(const QString &arguments, int low, int high, int *value)
{
    bool ok = false;
    *value = arguments.trimmed().toInt(&ok);
    return ok && *value >= low && *value <= high;
}

// A program number argument of command, or the error line to answer.
bool programArgument(const QString &command, const QString &arguments, int *number,
                     QStringList *errorLines)
{
    if (numberArgument(arguments, StoredPrograms::kFirst, StoredPrograms::kLast, number))
        return true;
    *errorLines = error(QStringLiteral("%1 needs a program number %2 to %3")
                            .arg(command)
                            .arg(StoredPrograms::kFirst)
                            .arg(StoredPrograms::kLast));
    return false;
}

QString canNodeName(int node)
{
    return node == 0 ? QStringLiteral("Button panel") : QStringLiteral("Exp %1").arg(node);
}

} // namespace

BoardCommands::BoardCommands(const BoardIdentity &identity, TubeSimulation *tube, QObject *parent)
    : QObject(parent)
    , identity(identity)
    , tube(tube)
    , handlers({
          {QStringLiteral("debug_level"), &BoardCommands::debugLevelCommand},
          {QStringLiteral("do_beep"), &BoardCommands::beep},
          {QStringLiteral("can_list_devices"), &BoardCommands::canList},
          {QStringLiteral("stop"), &BoardCommands::stop},
          {QStringLiteral("restart"), &BoardCommands::restart},
          {QStringLiteral("run_boot_macro"), &BoardCommands::bootMacro},
          {QStringLiteral("mqtt_rest"), &BoardCommands::mqttReset},
          {QStringLiteral("ping"), &BoardCommands::ping},
          {QStringLiteral("print_tb_config"), &BoardCommands::printConfig},
          {QStringLiteral("/em"), &BoardCommands::runProgram},
          {QStringLiteral("tb4"), &BoardCommands::brew},
          {QStringLiteral("save_recipe"), &BoardCommands::saveRecipe},
          {QStringLiteral("list_recipes"), &BoardCommands::listRecipes},
          {QStringLiteral("send_macro"), &BoardCommands::sendMacro},
          {QStringLiteral("help"), &BoardCommands::help},
      })
{}

void BoardCommands::split(const QString &line, QString *command, QString *arguments)
{
    const QString trimmed = line.trimmed();
    const int space = trimmed.indexOf(QLatin1Char(' '));
    *command = space < 0 ? trimmed : trimmed.left(space);
    *arguments = space < 0 ? QString() : trimmed.mid(space + 1).trimmed();
}

QStringList BoardCommands::execute(const QString &line)
{
    QString command;
    QString arguments;
    split(line, &command, &arguments);
    const Handler handler = handlers.value(command);
    if (!handler)
        return error(QStringLiteral("unknown command \"%1\" (help lists them)").arg(command));
    return (this->*handler)(arguments);
}

QStringList BoardCommands::debugLevelCommand(const QString &arguments)
{
    if (!numberArgument(arguments, 0, kMaxDebugLevel, &level))
        return error(QStringLiteral("debug_level needs a number 0 to %1").arg(kMaxDebugLevel));
    return {QStringLiteral("Debug level %1").arg(level)};
}

QStringList BoardCommands::beep(const QString &arguments)
{
    int tone = kDefaultBeep;
    if (!arguments.isEmpty() && !numberArgument(arguments, 0, 0xFFFF, &tone))
        return error(QStringLiteral("do_beep takes a number 0 to 65535"));
    return {QStringLiteral("BEEP %1").arg(tone)};
}

QStringList BoardCommands::canList(const QString &)
{
    QStringList lines;
    for (int node = 0; node < kCanNodes; ++node)
        lines << QStringLiteral("CAN node %1: %2 online").arg(node).arg(canNodeName(node));
    lines << QStringLiteral("%1 CAN devices").arg(kCanNodes);
    return lines;
}

QStringList BoardCommands::stop(const QString &)
{
    const int macro = tube->runningMacro();
    if (!tube->stop())
        return {QStringLiteral("Stopped, nothing was running")};
    return {QStringLiteral("Stopped macro %1").arg(macro)};
}

QStringList BoardCommands::restart(const QString &)
{
    tube->stop();
    level = 0;
    emit restartRequested();
    return {QStringLiteral("Restarting board")};
}

QStringList BoardCommands::bootMacro(const QString &)
{
    return {QStringLiteral("Boot macro executed")};
}

QStringList BoardCommands::mqttReset(const QString &)
{
    return {QStringLiteral("M2M settings reset to default")};
}

QStringList BoardCommands::ping(const QString &)
{
    return {QStringLiteral("pong")};
}

QStringList BoardCommands::printConfig(const QString &)
{
    // Text before CONFIG_START is part of the dump's first line, as the boards write it.
    QStringList lines{
        QStringLiteral("%1 CONFIG_START [MAC:%2]").arg(identity.kindText(), identity.macText()),
        QStringLiteral("NAME:%1").arg(identity.name),
        QStringLiteral("TYPE:%1").arg(identity.kindText()),
        QStringLiteral("HW:%1").arg(identity.hw),
        QStringLiteral("SW:%1").arg(identity.sw),
        QStringLiteral("IP:%1").arg(identity.ipText()),
        QStringLiteral("DEBUG_LEVEL:%1").arg(level),
        QStringLiteral("CAN_NODES:%1").arg(kCanNodes),
    };
    for (const SimRecipe &recipe : stored)
        lines << QStringLiteral("RECIPE %1:%2").arg(recipe.number()).arg(recipe.text());
    lines << QStringLiteral("CONFIG_END");
    return lines;
}

QStringList BoardCommands::runProgram(const QString &arguments)
{
    int number = 0;
    QStringList refusal;
    if (!programArgument(QStringLiteral("/em"), arguments, &number, &refusal))
        return refusal;
    const int running = tube->runningMacro();
    if (!tube->startProgram(number))
        return error(QStringLiteral("busy with macro %1").arg(running));
    return {
        QStringLiteral("Running program %1 \"%2\"").arg(number).arg(StoredPrograms::name(number))};
}

QStringList BoardCommands::brew(const QString &arguments)
{
    SimRecipe recipe;
    QString why;
    if (!SimRecipe::parse(arguments, &recipe, &why))
        return error(why);
    const int running = tube->runningMacro();
    if (!tube->startBrew(recipe))
        return error(QStringLiteral("busy with macro %1").arg(running));
    return {QStringLiteral("Brewing \"%1\", %2 ml, thermos %3")
                .arg(recipe.name(), QString::number(recipe.waterMl()),
                     QString::number(recipe.thermosId()))};
}

QStringList BoardCommands::saveRecipe(const QString &arguments)
{
    SimRecipe recipe;
    QString why;
    if (!SimRecipe::parse(arguments, &recipe, &why))
        return error(why);
    stored.insert(recipe.number(), recipe);
    return {QStringLiteral("Recipe %1 saved: \"%2\"").arg(recipe.number()).arg(recipe.name())};
}

QStringList BoardCommands::listRecipes(const QString &)
{
    QStringList lines;
    for (const SimRecipe &recipe : stored)
        lines << QStringLiteral("Recipe %1: %2").arg(recipe.number()).arg(recipe.text());
    lines << QStringLiteral("%1 recipes stored").arg(stored.size());
    return lines;
}

QStringList BoardCommands::sendMacro(const QString &arguments)
{
    int number = 0;
    QStringList refusal;
    if (!programArgument(QStringLiteral("send_macro"), arguments, &number, &refusal))
        return refusal;
    emit macroRequested(StoredPrograms::macroText(number));
    return {QStringLiteral("Sending macro %1 by UDP").arg(number)};
}

QStringList BoardCommands::help(const QString &)
{
    return {QStringLiteral("Commands: debug_level N, do_beep [N], can_list_devices, stop, "
                           "restart, run_boot_macro, mqtt_rest, ping, print_tb_config, /em N, "
                           "tb4 RECIPE, save_recipe RECIPE, list_recipes, send_macro N, bl, "
                           "can_bl N, put_binary A:S:C, help")};
}
