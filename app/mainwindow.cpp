#include "mainwindow.h"

#include "applogging.h"
#include "appversion.h"
#include "boardannouncement.h"
#include "consoleaddress.h"
#include "consolechannel.h"
#include "consoleline.h"
#include "consoletab.h"
#include "devicemenu.h"
#include "form_macroeditor.h"
#include "fwromtranferdialog.h"
#include "fwupdatedialog.h"
#include "gitcommands.h"
#include "gitrunner.h"
#include "keypresseater.h"
#include "loadedmacrodialog.h"
#include "plottab.h"
#include "qdevicemachine.h"
#include "recipeprogress.h"
#include "recordfilter.h"
#include "resultlabels.h"
#include "runprogresslabel.h"
#include "scriptloop.h"
#include "sessionlog.h"
#include "settingsstore.h"
#include "statuspaneltext.h"
#include "tbmacro.h"
#include "tbreciperunner.h"
#include "thermosmachine.h"
#include "thermostimersdialog.h"
#include "ui_mainwindow.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTextDocumentFragment>
#include <chrono>
#include <type_traits>

namespace {

constexpr auto kDebugLevelCommand = "debug_level 128\r\n";
const QString kNotAvailable = QStringLiteral("N/A");

struct LoopTime
{
    const char *text;
    int seconds;
};

constexpr LoopTime kLoopTimes[] = {{"1 sec", 1},     {"10 sec", 10},  {"15 sec", 15},
                                   {"30 sec", 30},   {"1 min", 60},   {"30 min", 1800},
                                   {"1 hour", 3600}, {"2 hour", 7200}};
constexpr auto kDefaultLoopTime = "15 sec";

// What a child window offers the main window: a closing(int) report, commands for the board
// (sendData) and a slot for the console rows (gotRow). Each is wired when the window has it.
template<typename Window, typename = void> struct ReportsClosing : std::false_type
{
};
template<typename Window>
struct ReportsClosing<Window, std::void_t<decltype(&Window::closing)>> : std::true_type
{
};
template<typename Window, typename = void> struct SendsCommands : std::false_type
{
};
template<typename Window>
struct SendsCommands<Window, std::void_t<decltype(&Window::sendData)>> : std::true_type
{
};
template<typename Window, typename = void> struct TakesRows : std::false_type
{
};
template<typename Window>
struct TakesRows<Window, std::void_t<decltype(&Window::gotRow)>> : std::true_type
{
};

// The window's state with the given bits cleared and one set, as each child is shown.
void setState(QWidget *window, Qt::WindowStates cleared, Qt::WindowState set)
{
    window->setWindowState((window->windowState() & ~cleared) | set);
}

} // namespace

MainWindow::MainWindow(Prompter &prompter, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , prompter(prompter)
{
    ui->setupUi(this);
    hotkeys = new HotkeyPanel(this, statusBar());
    resultLabels = new ResultLabels({ui->lblRes1, ui->lblRes2, ui->lblRes3, ui->lblRes4}, this);

    // The registry first: the thermos tracker connects to its brew events.
    QDeviceMachine *registry = QDeviceMachine::instance();
    ThermosMachine::instance();

    connectConsole();
    incomingConsole = false;
    reportPorts(console->listen(ConsoleLine::kServerConsolePort), registry->receiveError());

    setConsoleControlsEnabled(false);
    ui->btnSendSelected->setEnabled(false);
    ui->actionTB_Window->setEnabled(false);
    ui->actionRecipe_runner->setEnabled(false);
    ui->actionUpdate_firmware->setEnabled(false);

    // The console and plot views come after the form's pages, which keep their places.
    ui->tabWidget->addTab(new ConsoleTab(*console, prompter, ui->tabWidget), tr("Console"));
    plotTab = new PlotTab(prompter, ui->tabWidget);
    ui->tabWidget->addTab(plotTab, tr("Plot"));

    keyEater = new KeyPressEater(this);
    ui->txtCommand->installEventFilter(keyEater);
    statusBar()->addPermanentWidget(new RunProgressLabel(console, this));

    for (const LoopTime &loopTime : kLoopTimes)
        ui->cboLoopTime->addItem(QString::fromLatin1(loopTime.text), loopTime.seconds);
    ui->cboLoopTime->setCurrentIndex(ui->cboLoopTime->findText(kDefaultLoopTime));

    git = new GitRunner(this);
    connect(git, &GitRunner::callStarted, this,
            [this](const QString &status) { statusBar()->showMessage(status); });
    connect(git, &GitRunner::finished, this, &MainWindow::gitFinished);

    initWorkspace();
    updateGitControls();

    lastConnection =
        getSettings(QStringLiteral("lastConnection"), QStringLiteral("localhost:23")).toString();
    ui->lblHomeDir->setText(workspace.folder());
    ui->txtlogFile->setText(workspace.fileName());
    ui->btnReconnect->setText(tr("Reconnect (%1)").arg(lastConnection));
    ui->btnReconnect->setEnabled(true);

    deviceMenu = new DeviceMenu(menuBar()->addMenu(tr("Devices")), this);
    connect(deviceMenu, &DeviceMenu::chosen, this, &MainWindow::actionReaction);
    menuBar()->setNativeMenuBar(false);

    connect(keyEater, &KeyPressEater::action, this, &MainWindow::actionTriggered);

    connect(registry, &QDeviceMachine::logReceived, this, &MainWindow::gotLogdata);
    connect(registry, &QDeviceMachine::macroRecived, this, &MainWindow::macroRecived);
    connect(registry, &QDeviceMachine::lookupDone, this, &MainWindow::devices_lookupDone);
    connect(registry, &QDeviceMachine::newDevice, this, &MainWindow::newDevice);
    connect(registry, &QDeviceMachine::objectChanged, this, &MainWindow::objectChanged);
    connect(registry, &QDeviceMachine::udpPacketRecived, this, &MainWindow::got_udpData);
    connect(registry, &QDeviceMachine::deviceDropped, deviceMenu, &DeviceMenu::remove);

    registry->lookup(255);

    ui->actionTB_Admin->setVisible(false);

    setWindowTitle(AppVersion::windowTitle(workspace.inProductionMode()));
}

MainWindow::~MainWindow()
{
    // A connection closing during destruction must not run disconnected() on a dying
    // window: the destructor saves nothing and sends nothing.
    console->disconnect(this);
}

QVariant MainWindow::getSettings(const QString &key, const QVariant &defaultValue) const
{
    return SettingsStore::get(key, defaultValue);
}

void MainWindow::setSettings(const QString &key, const QVariant &value)
{
    SettingsStore::set(key, value);
}

// ---------------------------------------------------------------------------------------
// Console connection

void MainWindow::connectConsole()
{
    console = new ConsoleChannel(this);
    scriptLoop = new ScriptLoop(this);
    connect(console, &ConsoleChannel::readyRead, this, &MainWindow::readyRead);
    connect(console, &ConsoleChannel::lineReceived, this, &MainWindow::handleConsoleLine);
    connect(console, &ConsoleChannel::accepted, this, &MainWindow::newConnection);
    connect(console, &ConsoleChannel::disconnected, this, &MainWindow::disconnected);
    // The "Disconnect" state of the button makes this a full teardown of the connection;
    // child windows keep their connections to this window.
    connect(console, &ConsoleChannel::writeFailed, this, &MainWindow::on_btnReconnect_clicked);
    connect(scriptLoop, &ScriptLoop::waitOver, this, &MainWindow::on_timerWaitLoop);
}

void MainWindow::reportPorts(bool listening, const QString &udpError)
{
    // Without the server the program still works as a client, without UDP it still has its
    // console: the user should know either way.
    QStringList problems;
    if (listening) {
        qCDebug(lcConsole) << "Server started!";
    } else {
        qCWarning(lcConsole) << "Server could not start:" << console->serverError();
        const QString reason = console->portInUse()
                                   ? tr("is in use")
                                   : tr("cannot be opened (%1)").arg(console->serverError());
        problems << tr("Port %1 %2: working as a client only")
                        .arg(ConsoleLine::kServerConsolePort)
                        .arg(reason);
    }
    if (!udpError.isEmpty())
        problems << udpError;
    statusBar()->showMessage(problems.join(QStringLiteral("; ")));
}

bool MainWindow::connectToDevice(const QString &host, quint16 port, Device *device)
{
    scriptLoop->disarm();
    ui->cheLoopCommand->setChecked(false);
    incomingConsole = false;
    if (!console->connectTo(host, port)) {
        enterDisconnectedState();
        ui->btnSendStop->setEnabled(false);
        if (device) {
            ui->btnReconnect->setText(tr("Reconnect (Host:%1(%2))").arg(device->name, device->ip));
            QDeviceMachine::instance()->setMainDevice(device);
        } else {
            ui->btnReconnect->setText(tr("Reconnect (IP:%1)").arg(lastConnection));
        }
        return false;
    }
    ui->btnSend->setEnabled(true);
    ui->txtCommand->setEnabled(true);
    ui->actionTB_Window->setEnabled(true);
    lastConnection = QStringLiteral("%1:%2").arg(host).arg(port);
    setSettings(QStringLiteral("lastConnection"), lastConnection);
    if (device) {
        ui->btnReconnect->setText(tr("Disconnect (Host:%1(%2))").arg(device->name, device->ip));
        QDeviceMachine::instance()->setMainDevice(device);
        setSettings(QStringLiteral("lastMac"), device->mac);
        setSettings(QStringLiteral("lastType"), device->type);
        showTexts(StatusPanelText::identityTexts(device->mac, device->hw, device->ip, device->sw));
    } else {
        ui->btnReconnect->setText(tr("Disconnect (IP:%1)").arg(lastConnection));
        showTexts(StatusPanelText::identityTexts(kNotAvailable, kNotAvailable, kNotAvailable,
                                                 kNotAvailable));
    }
    showTexts(StatusPanelText::telemetryReset());
    enterConnectedState(true);
    return true;
}

void MainWindow::newConnection()
{
    QDeviceMachine::instance()->setMainDevice(nullptr);
    incomingConsole = true;
    setWorkspaceControlsEnabled(true);
    ui->btnSend->setEnabled(true);
    ui->txtCommand->setEnabled(true);
    ui->actionTB_Window->setEnabled(true);
    ui->btnReconnect->setText(tr("Disconnect serversocket"));
    const QString server = QStringLiteral("SERVER");
    showTexts(StatusPanelText::identityTexts(server, server, server, server));
    showTexts(StatusPanelText::telemetryReset());
    enterConnectedState(false);
}

void MainWindow::disconnected()
{
    incomingConsole = false;
    scriptLoop->disarm();
    ui->cheLoopCommand->setChecked(false);
    saveIfChanged();
    setConsoleControlsEnabled(false);
    ui->btnSendSelected->setEnabled(false);
    ui->btnSendStop->setEnabled(false);
    emit close_clilds();
    console->close();
    ui->btnReconnect->setText(tr("Reconnect (%1)").arg(lastConnection));
    ui->btnReconnect->setEnabled(true);
    if (controlCenter && controlCenter->isVisible())
        controlCenter->close();
    ui->actionTB_Window->setEnabled(false);
}

void MainWindow::readyRead()
{
    console->readPending();
}

void MainWindow::handleConsoleLine(const QString &line)
{
    const ConfigDump::Step step = configDump.take(line);
    if (step == ConfigDump::Step::Finished) {
        macroRecived(configDump.text());
    } else if (step == ConfigDump::Step::Other) {
        // An announcement with fewer than seven fields tells nothing usable: ignored.
        if (const std::optional<Device> board = BoardAnnouncement::parse(line))
            applyAnnouncement(*board);
    }
    emit gotRow(line);
    resultLabels->push(line);
}

void MainWindow::applyAnnouncement(const Device &device)
{
    QDeviceMachine::instance()->setMainDevice(&device);
    ui->btnMAC->setText(device.mac);
    ui->lblHWID->setText(device.hw);
    ui->lblSWID->setText(device.sw);
    incomingConsole = true;
}

void MainWindow::sendData(QString aLine)
{
    if (parseHotkeyLine(aLine)) {
        saveActiveFile();
        return;
    }
    console->send(aLine);
}

bool MainWindow::queueLines(const QStringList &lines, PacedQueue::FirstLine rule)
{
    const QString first = console->startQueue(lines, rule);
    if (first.isNull())
        return false;
    sendData(first);
    return true;
}

void MainWindow::enterConnectedState(bool clientConnection)
{
    setWorkspaceControlsEnabled(true);
    ui->btnSendStop->setEnabled(true);
    sendData(QString::fromLatin1(kDebugLevelCommand));
    setBoardCommandsEnabled(true);
    setChildOpenersEnabled(true);
    // TB Admin is offered to a board we connected to, never to one that connected to us.
    ui->actionTB_Admin->setVisible(false);
    ui->actionTB_Admin->setEnabled(clientConnection);
}

void MainWindow::enterDisconnectedState()
{
    setConsoleControlsEnabled(false);
    setChildOpenersEnabled(false);
}

void MainWindow::setConsoleControlsEnabled(bool enabled)
{
    ui->btnSend->setEnabled(enabled);
    ui->txtCommand->setEnabled(enabled);
    setWorkspaceControlsEnabled(enabled);
    setBoardCommandsEnabled(enabled);
}

void MainWindow::setWorkspaceControlsEnabled(bool enabled)
{
    const QList<QWidget *> controls = {ui->cboScriptfiles, ui->cboSubProj,    ui->cmdCreateSCRFile,
                                       ui->cmdGitCommit,   ui->btnDeleteFile, ui->txtCommitMessage,
                                       ui->cmAddMCRFile};
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

void MainWindow::setBoardCommandsEnabled(bool enabled)
{
    hotkeys->setEnabled(enabled);
    ui->btnRunBootMacro->setEnabled(enabled);
    ui->btn_tbConfig->setEnabled(enabled);
    ui->lblShortCommand->setEnabled(enabled);
}

void MainWindow::setChildOpenersEnabled(bool enabled)
{
    ui->actionRecipe_runner->setEnabled(enabled);
    ui->actionUpdate_firmware->setEnabled(enabled);
    ui->btnReicipeMaker->setEnabled(enabled);
    ui->pushButton_4->setEnabled(enabled);
}

void MainWindow::on_btnReconnect_clicked()
{
    if (ui->btnReconnect->text().startsWith(QLatin1String("Disconnect"))) {
        disconnected();
        return;
    }
    const ConsoleAddress address = ConsoleAddress::fromText(lastConnection);
    connectToDevice(address.host, address.port, nullptr);
}

void MainWindow::on_lineEdit_returnPressed()
{
    connectToDevice(ui->lineEdit->text().trimmed(), ConsoleLine::kBoardConsolePort, nullptr);
}

// ---------------------------------------------------------------------------------------
// Board commands

void MainWindow::on_btn_tbConfig_clicked()
{
    sendData(QStringLiteral("print_tb_config\r\n"));
}

void MainWindow::on_btnDoBeep_clicked()
{
    sendData(QStringLiteral("do_beep 62415\r\n"));
}

void MainWindow::on_btnCanListDev_clicked()
{
    sendData(QStringLiteral("can_list_devices\r\n"));
}

void MainWindow::sendStop()
{
    // What is left of a queued script must not run once the user stopped it.
    scriptLoop->disarm();
    ui->cheLoopCommand->setChecked(false);
    console->clearQueue();
    sendData(QStringLiteral("stop\r\n"));
}

void MainWindow::on_btnRunBootMacro_clicked()
{
    sendConfirmed(tr("Run bootmacro"),
                  tr("PLEASE CONFIRM: Do you want to reexecute the bootmacro?"),
                  QStringLiteral("run_boot_macro"));
}

void MainWindow::on_btnRestart_clicked()
{
    sendConfirmed(tr("Restart board"), tr("PLEASE CONFIRM: Do you want to restart the machine?"),
                  QStringLiteral("restart"));
}

void MainWindow::on_resetMQTT_clicked()
{
    sendConfirmed(tr("Reset M2M settings."),
                  tr("PLEASE CONFIRM: Do you want to reset M2M settings to default?"),
                  QStringLiteral("mqtt_rest"));
}

void MainWindow::sendConfirmed(const QString &text, const QString &informativeText,
                               const QString &command)
{
    if (confirmed(text, informativeText))
        sendData(command + QLatin1String("\r\n"));
}

bool MainWindow::confirmed(const QString &text, const QString &informativeText)
{
    return prompter.question(QString(), text, informativeText, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) != QMessageBox::No;
}

// ---------------------------------------------------------------------------------------
// Child windows

template<typename Window, typename Make>
Window *MainWindow::openChild(Window *&slot, Lifetime lifetime, Make make)
{
    if (slot && lifetime == Lifetime::Kept)
        return slot;
    retireChildWindow(slot);
    slot = make();
    if constexpr (ReportsClosing<Window>::value)
        connect(slot, &Window::closing, this, &MainWindow::frmClosing);
    if constexpr (SendsCommands<Window>::value)
        connect(slot, &Window::sendData, this, &MainWindow::sendData);
    if constexpr (TakesRows<Window>::value)
        connect(this, &MainWindow::gotRow, slot, &Window::gotRow);
    return slot;
}

void MainWindow::retireChildWindow(QDialog *window)
{
    if (!window)
        return;
    // Its closing must not clear the pointer of the window that replaces it.
    disconnect(window, nullptr, this, nullptr);
    disconnect(this, nullptr, window, nullptr);
    window->deleteLater();
}

void MainWindow::frmClosing(int aID)
{
    // The closing window is the sender; its connections to and from this window go with it.
    if (QObject *window = sender()) {
        disconnect(window, nullptr, this, nullptr);
        disconnect(this, nullptr, window, nullptr);
    }
    forgetChild(ChildWindowId(aID));
}

void MainWindow::forgetChild(ChildWindowId id)
{
    switch (id) {
    case ChildWindowId::ControlCenter:
        controlCenter = nullptr;
        break;
    case ChildWindowId::LoadedMacro:
        loadedMacroDialog = nullptr;
        break;
    case ChildWindowId::FirmwareUpdate:
        fwUpdateDialog = nullptr;
        console->takeBack(); // a borrowed console is read here again
        break;
    case ChildWindowId::MacroEditor:
        macroEditor = nullptr;
        break;
    case ChildWindowId::RecipeRunner:
        recipeRunner = nullptr;
        break;
    case ChildWindowId::RomManager:
        romManager = nullptr;
        console->takeBack();
        break;
    case ChildWindowId::ThermosTimers:
        thermosDialog = nullptr;
        break;
    case ChildWindowId::None:
        break;
    }
}

QTcpSocket *MainWindow::lendConsoleIfIncoming()
{
    // A board that connected to us is reached only through this connection, so the
    // firmware dialogs borrow it and read the board's answers themselves until they close.
    return incomingConsole ? console->lend() : nullptr;
}

void MainWindow::on_actionMacro_Editor_triggered()
{
    // Opened once: after its first closing the action does nothing.
    if (macroEditor)
        return;
    openChild(macroEditor, Lifetime::Kept, [this] { return new Form_MacroEditor(this); });
    macroEditor->show();
}

void MainWindow::on_actionTB_Window_triggered()
{
    openChild(controlCenter, Lifetime::Kept, [this] { return new TBMacro(this); });
    controlCenter->showFullScreen();
}

void MainWindow::on_actionUpdate_firmware_triggered()
{
    if (!console->isOpen())
        return;
    openChild(fwUpdateDialog, Lifetime::Replaced,
              [this] { return new FWUpdateDialog(this, prompter); });
    if (QTcpSocket *socket = lendConsoleIfIncoming())
        fwUpdateDialog->showWithSocket(socket);
    else
        fwUpdateDialog->showWithHost(lastConnection);
}

void MainWindow::on_actionRom_updater_triggered()
{
    if (!console->isOpen())
        return;
    openChild(romManager, Lifetime::Replaced, [this] {
        QTcpSocket *socket = lendConsoleIfIncoming();
        return socket ? new FWRomTranferDialog(socket, this, prompter)
                      : new FWRomTranferDialog(lastConnection, this, prompter);
    });
    romManager->setControlsEnabled(true);
    romManager->setModal(true);
    romManager->show();
}

void MainWindow::on_actionRecipe_runner_triggered()
{
    openChild(recipeRunner, Lifetime::Kept, [this] {
        auto *runner = new TBRecipeRunner(this, prompter);
        connect(this, &MainWindow::progress, runner, &TBRecipeRunner::progress);
        connect(this, &MainWindow::close_clilds, runner, &TBRecipeRunner::close_window);
        return runner;
    });
    setState(recipeRunner, Qt::WindowMinimized | Qt::WindowFullScreen, Qt::WindowMaximized);
    recipeRunner->setModal(true);
    recipeRunner->showFullScreen();
}

void MainWindow::on_btnReicipeMaker_clicked()
{
    // The same runner, with a close and a maximize button and kept above other windows.
    on_actionRecipe_runner_triggered();
    recipeRunner->setWindowFlags(recipeRunner->windowFlags() | Qt::CustomizeWindowHint |
                                 Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint |
                                 Qt::WindowStaysOnTopHint);
    setState(recipeRunner, Qt::WindowMinimized | Qt::WindowMaximized, Qt::WindowFullScreen);
    recipeRunner->showMaximized();
}

void MainWindow::on_actionThermos_GUI_triggered()
{
    openChild(thermosDialog, Lifetime::Kept,
              [this] { return new ThermosTimersDialog(this, *ThermosMachine::instance()); });
    setState(thermosDialog, Qt::WindowMinimized | Qt::WindowFullScreen, Qt::WindowMaximized);
    thermosDialog->setModal(true);
    thermosDialog->show();
}

void MainWindow::macroRecived(QString macro)
{
    // One dialog for every text; closing it only hides it.
    const bool existed = loadedMacroDialog != nullptr;
    openChild(loadedMacroDialog, Lifetime::Kept,
              [this, &macro] { return new LoadedMacroDialog(macro, this); });
    if (existed)
        loadedMacroDialog->setMacroText(macro);
    loadedMacroDialog->show();
    loadedMacroDialog->raise();
}

void MainWindow::on_actionRescan_devicelist_triggered()
{
    QDeviceMachine::instance()->lookup(255);
}

void MainWindow::on_actionProduction_mode_toggled(bool on)
{
    saveIfChanged(); // the other mode's workspace replaces the script
    ScriptWorkspace::storeProductionMode(on);
    initWorkspace();
    ui->lblHomeDir->setText(workspace.folder());
    ui->txtlogFile->setText(workspace.fileName());
    setWindowTitle(AppVersion::windowTitle(workspace.inProductionMode()));
}

// ---------------------------------------------------------------------------------------
// Device menu, status panel, session logs

void MainWindow::devices_lookupDone()
{
    qCDebug(lcDevices) << "lookup_done";
    deviceMenu->rebuild(QDeviceMachine::instance()->registry());
    menuBar()->update();
    reconnectAfterFirstLookup();
}

void MainWindow::reconnectAfterFirstLookup()
{
    if (!firstLookup)
        return;
    firstLookup = false;
    // Only a connection made from this menu stored these keys.
    const int type = getSettings(QStringLiteral("lastType"), QStringLiteral("0")).toInt();
    const QString mac = getSettings(QStringLiteral("lastMac"), QString()).toString();
    if (Device *device = QDeviceMachine::instance()->deviceFor(type, mac))
        connectToDevice(device->ip, ConsoleLine::kBoardConsolePort, device);
}

void MainWindow::newDevice(Device *d)
{
    // The board that announced itself changes its own entry; the menu reads as after a lookup.
    deviceMenu->update(*d);
    menuBar()->update();
    reconnectAfterFirstLookup();
}

void MainWindow::actionReaction(int type, QString id)
{
    qCDebug(lcDevices) << "chosen" << type << id;
    // The board may have left the registry since the menu was built: then nothing happens.
    if (Device *device = QDeviceMachine::instance()->deviceFor(type, id))
        connectToDevice(device->ip, ConsoleLine::kBoardConsolePort, device);
}

void MainWindow::main_dev_ping(QString guid, QString ip, float hw_type, float sw_ver)
{
    Q_UNUSED(guid)
    Q_UNUSED(ip)
    Q_UNUSED(hw_type)
    Q_UNUSED(sw_ver)
}

void MainWindow::gotLogdata(TBTubeLogData logData)
{
    if (RecordFilter::accept(logData, incomingConsole, QDeviceMachine::instance()->mainDevice(),
                             lastConnection))
        showRecord(logData);
    else
        qCDebug(lcStatus) << "Not this board's record:" << logData.ipText() << logData.macText();
    QCoreApplication::processEvents();
}

void MainWindow::showRecord(const TBTubeLogData &record)
{
    if (recipeRunner) {
        if (const auto shown = RecipeProgress::of(record))
            emit progress(shown->percent, shown->timeLeft);
    }
    lastLogMac = record.macText();
    showTexts(StatusPanelText::recordTexts(record));
    plotTab->addRecord(record);
    scriptLoop->tubeState(record.state, ui->cheLoopCommand->isChecked(),
                          std::chrono::seconds(ui->cboLoopTime->currentData().toInt()));
}

void MainWindow::showTexts(const QMap<QString, QString> &texts)
{
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        if (auto *label = findChild<QLabel *>(it.key()))
            label->setText(it.value());
        else if (auto *button = findChild<QAbstractButton *>(it.key()))
            button->setText(it.value());
    }
}

void MainWindow::objectChanged(ulong objjId, ulong value)
{
    if (const auto shown = StatusPanelText::objectText(objjId, value))
        showTexts({{shown->widget, shown->text}});
    QCoreApplication::processEvents();
}

void MainWindow::on_btnMAC_clicked()
{
    QGuiApplication::clipboard()->setText(ui->btnMAC->text());
}

void MainWindow::got_udpData(QString udpData)
{
    const QString line = ConsoleLine::stripLineEnds(udpData);
    qCDebug(lcSessionLog).noquote() << line;
    if (ui->actionLog_data->isChecked())
        SessionLog::append(QString::fromLatin1(SessionLog::kUdpLogFile),
                           SessionLog::udpRecord(line));
}

void MainWindow::writeHistory(const QString &text)
{
    const QString entry =
        SessionLog::historyEntry(QDateTime::currentDateTime(), lastLogMac, workspace.folder());
    SessionLog::writeHistory(workspace.historyFolder(), entry, text);
}

// ---------------------------------------------------------------------------------------
// Script workspace

void MainWindow::initWorkspace()
{
    workspace.readSettings();
    ui->actionProduction_mode->setChecked(workspace.inProductionMode());
    // Refilling the lists runs their handlers, which store nothing and load nothing now; the
    // sub project's handler fills the script list of the stored sub project.
    workspace.setReady(false);
    ui->cboSubProj->clear();
    ui->cboScriptfiles->clear();
    ui->cboSubProj->addItems(subProjectsOf(workspace.folder()));
    ui->cboSubProj->setCurrentIndex(ui->cboSubProj->findText(workspace.subProjectPath()));
    ui->cboScriptfiles->setCurrentIndex(ui->cboScriptfiles->findText(workspace.fileName()));
    workspace.setReady(true);
    reloadWorkspaceSettings();
}

void MainWindow::loadScriptFile(const QString &path)
{
    ui->txtCommand->setPlainText(ScriptFiles::readText(path));
    hotkeys->applyLines(ScriptFiles::readText(path + ScriptFiles::kHotkeySuffix));
    workspace.markSaved(activeContent());
}

void MainWindow::saveScriptAndHotkeys()
{
    const QString name = workspace.activeScriptName();
    saveWithBackups(workspace.folder(), name, ScriptFiles::encode(ui->txtCommand->toPlainText()),
                    ScriptFiles::kBackupCount, false);
    saveWithBackups(workspace.folder(), name + ScriptFiles::kHotkeySuffix,
                    ScriptFiles::encode(buildHotkeyText()), ScriptFiles::kBackupCount, false);
}

void MainWindow::saveIfChanged()
{
    // Never in production mode, nor while the lists are refilled (nothing is being left).
    if (workspace.isReady() && !workspace.inProductionMode() && !workspace.isSaved(activeContent()))
        saveActiveFile();
}

QByteArray MainWindow::activeContent() const
{
    // The script and its hotkeys as a save writes them: a change to either is worth a save.
    return ScriptFiles::encode(ui->txtCommand->toPlainText() + buildHotkeyText());
}

void MainWindow::updateGitControls()
{
    const bool repository = QFileInfo(workspace.folder() + QLatin1String("/.git")).isDir();
    ui->lblGit->setVisible(repository);
    ui->txtCommitMessage->setVisible(repository);
    ui->cmdGitCommit->setVisible(repository);
    ui->menuGit->menuAction()->setVisible(repository);
}

void MainWindow::on_btnHomeDirectory_clicked()
{
    const QString folder = prompter.getExistingDirectory(tr("Open Directory"), workspace.folder());
    if (folder.isEmpty())
        return;
    saveIfChanged(); // before the script it belongs to is left
    workspace.setFolder(folder);
    ui->lblHomeDir->setText(folder);
    ui->cboScriptfiles->clear();
    ui->cboSubProj->clear();
    // Selects the folder itself, whose handler lists its scripts and opens the first one.
    ui->cboSubProj->addItems(subProjectsOf(folder));
    updateGitControls();
}

void MainWindow::on_cboSubProj_currentIndexChanged(QString text)
{
    saveIfChanged();
    workspace.setSubProject(text);
    ui->cboScriptfiles->clear();
    ui->cboScriptfiles->addItems(listScriptFiles(workspace.scriptFolder()));
}

void MainWindow::on_cboScriptfiles_currentIndexChanged(QString text)
{
    ui->txtlogFile->setText(text);
    saveIfChanged();
    workspace.setWorkingFile(text);
    reloadWorkspaceSettings();
}

void MainWindow::on_txtlogFile_editingFinished()
{
    const QString name = ui->txtlogFile->text();
    const bool edited = !workspace.isSaved(activeContent());
    // Leaving the field without naming another script leaves nothing: the edits stay.
    if (edited && name == workspace.fileName())
        return;
    if (!ScriptFiles::isPlainName(name))
        prompter.warning(tr("Working file"), tr("A script name holds no folder or \"..\"."));
    if (!ScriptFiles::isPlainName(name) || (edited && !mayLeaveEditedScript())) {
        ui->txtlogFile->setText(workspace.fileName());
        return;
    }
    workspace.setWorkingFile(name);
    loadScriptFile(workspace.activeScriptPath());
}

bool MainWindow::mayLeaveEditedScript()
{
    // Keeping the edits is the default: Return in the box must not lose them.
    const QMessageBox::StandardButton answer = prompter.question(
        tr("Confirm change"), tr("Save active file?"), QString(),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        saveScriptAndHotkeys(); // under the name being left
    return answer != QMessageBox::Cancel;
}

void MainWindow::on_cmAddMCRFile_clicked()
{
    createScript(tr("Create macro"),
                 tr("Enter name of maro\n\nRecomentation:\nMacronumber(3digits)_macroname\n\n"
                    "Example:\n290_boot\n002_run_cold"),
                 QStringLiteral(".mcr"), ScriptFiles::macroTemplate());
}

void MainWindow::on_cmdCreateSCRFile_clicked()
{
    createScript(tr("Create script"), tr("Enter name of script file"), QStringLiteral(".scr"),
                 QByteArray());
}

void MainWindow::createScript(const QString &title, const QString &prompt, const QString &extension,
                              const QByteArray &content)
{
    QString name;
    if (!prompter.getText(title, prompt, &name))
        return;      // an empty name is a name
    saveIfChanged(); // before the new file is opened
    if (workspace.createScript(name + extension, content) == ScriptFiles::Creation::Refused)
        prompter.warning(tr("Create file"), tr("A file name holds no folder or \"..\"."));
    else
        initWorkspace();
}

void MainWindow::on_btnDeleteFile_clicked()
{
    if (!confirmed(tr("Delete file"), tr("PLEASE CONFIRM\n\nDo you want delete file?")))
        return;
    workspace.removeActiveScript();
    initWorkspace();
}

// ---------------------------------------------------------------------------------------
// Running scripts

void MainWindow::on_btnSend_clicked()
{
    if (!confirmed(tr("Run all lines."), tr("PLEASE CONFIRM: Do you want run all lines?")))
        return;
    if (ui->cheLoopCommand->isChecked())
        scriptLoop->arm();
    loopCommands();
}

void MainWindow::loopCommands()
{
    saveIfChanged();
    runScript(ui->txtCommand->toPlainText(), PacedQueue::FirstLine::Command);
}

void MainWindow::on_btnSendSelected_clicked()
{
    scriptLoop->disarm();
    ui->cheLoopCommand->setChecked(false);
    const QString selection = ui->txtCommand->textCursor().selection().toPlainText();
    if (selection.isEmpty())
        return;
    saveIfChanged();
    // A selection may start with a hotkey definition, which is applied instead of sent.
    runScript(selection, PacedQueue::FirstLine::CommandOrHotkeyDefinition);
}

void MainWindow::on_txtCommand_selectionChanged()
{
    ui->btnSendSelected->setEnabled(ui->txtCommand->textCursor().hasSelection());
}

void MainWindow::on_cheLoopCommand_stateChanged(int state)
{
    ui->cboLoopTime->setEnabled(state != Qt::Unchecked);
    if (state == Qt::Unchecked)
        scriptLoop->disarm(); // a running wait ends with it
}

void MainWindow::on_timerWaitLoop()
{
    if (ui->cheLoopCommand->isChecked() && scriptLoop->isArmed())
        loopCommands();
}

void MainWindow::actionTriggered(QKeyEvent *action)
{
    const KeyPressEater::Binding binding = KeyPressEater::bindingOf(*action);
    if (binding == KeyPressEater::Binding::SendSelection && ui->btnSendSelected->isEnabled())
        on_btnSendSelected_clicked();
    else if (binding == KeyPressEater::Binding::SendAll)
        on_btnSend_clicked();
    else if (binding == KeyPressEater::Binding::Hotkey13)
        runHotkey(HotkeyFile::kCount);
}

// ---------------------------------------------------------------------------------------
// Hotkeys

void MainWindow::runHotkey(int number)
{
    // Several commands of one hotkey are separated by ";" and paced like script lines.
    if (!queueLines(hotkeys->command(number).split(QLatin1Char(';'))))
        return;
    if (ui->cheAutoSwitch->isChecked())
        ui->tabWidget->setCurrentIndex(0);
}

// ---------------------------------------------------------------------------------------
// Git

void MainWindow::on_cmdGitCommit_clicked()
{
    runGit(GitCommands(workspace.folder())
               .commit(workspace.activeScriptName(), ui->txtCommitMessage->text()),
           false);
}

void MainWindow::on_actionPush_to_server_triggered()
{
    runGit({GitCommands(workspace.folder()).push()}, false);
}

void MainWindow::on_actionPull_latest_from_server_triggered()
{
    runGit({GitCommands(workspace.folder()).pull()}, true);
}

void MainWindow::runGit(const QList<GitCall> &calls, bool reloadAfter)
{
    if (git->isRunning()) // the Git menu stays usable while a command runs: one at a time
        return;
    reloadAfterGit = reloadAfter;
    setControlsEnabled(false);
    saveActiveFile();
    git->run(calls);
}

void MainWindow::gitFinished(bool ok, const QString &text)
{
    if (reloadAfterGit)
        initWorkspace();
    // git ran in the background: the controls follow the connection as it is now.
    setControlsEnabled(console->isOpen());
    statusBar()->showMessage(ok ? text : QString());
    if (!ok)
        prompter.warning(tr("Git"), text);
}

void MainWindow::setControlsEnabled(bool enabled)
{
    ui->btnSend->setEnabled(enabled);
    ui->txtCommand->setEnabled(enabled);
    ui->actionTB_Window->setEnabled(enabled);
    ui->txtHotkey1->setEnabled(enabled);
    // The other hotkeys and the board commands take the state the first hotkey field has now.
    setBoardCommandsEnabled(ui->txtHotkey1->isEnabled());
    ui->lblShortCommand->setEnabled(enabled);
    setChildOpenersEnabled(enabled);
    ui->actionTB_Admin->setVisible(enabled);
    ui->actionTB_Admin->setEnabled(enabled);
    setWorkspaceControlsEnabled(enabled);
    repaint();
}
