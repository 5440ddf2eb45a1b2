#pragma once

#include "childwindowid.h"
#include "configdump.h"
#include "device.h"
#include "hotkeypanel.h"
#include "pacedqueue.h"
#include "prompter.h"
#include "scriptfiles.h"
#include "scriptworkspace.h"
#include "tbtubelogdata.h"

#include <QByteArray>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

class ConsoleChannel;
class GitRunner;
struct GitCall;
class DeviceMenu;
class KeyPressEater;
class ResultLabels;
class QDialog;
class QTcpSocket;
class ScriptLoop;
class Form_MacroEditor;
class TBRecipeRunner;
class FWRomTranferDialog;
class TBMacro;
class FWUpdateDialog;
class LoadedMacroDialog;
class ThermosTimersDialog;
class PlotTab;

namespace Ui {
class MainWindow;
}

// The console main window: one console connection to a board (as client or server), the
// script workspace, the live status of the board and the child windows that drive it.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Prompter &prompter, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens the console as a client; device is null for the command line and "Reconnect".
    bool connectToDevice(const QString &host, quint16 port, Device *device);
    // Sends the first sendable line now and each further one after the board's next reply;
    // false when no line was sendable.
    bool queueLines(const QStringList &lines,
                    PacedQueue::FirstLine rule = PacedQueue::FirstLine::Command);
    // Appends the history record of a script run: the entry line, then the text as sent.
    void writeHistory(const QString &text);

signals:
    void gotRow(QString aCommand);
    void close_clilds();
    void progress(int aPercent, int time);

public slots:
    void devices_lookupDone();
    void macroRecived(QString macro);
    void gotLogdata(TBTubeLogData logData);
    void sendData(QString aLine);
    void actionTriggered(QKeyEvent *action);
    void main_dev_ping(QString guid, QString ip, float hw_type, float sw_ver);
    void newDevice(Device *d);
    void objectChanged(ulong objjId, ulong value);
    void newConnection();
    void on_timerWaitLoop();
    void loopCommands();
    void got_udpData(QString udpData);
    void actionReaction(int type, QString id);
    void readyRead();
    void disconnected();
    void frmClosing(int aID);

private slots:
    // Child windows and administration
    void on_actionMacro_Editor_triggered();
    void on_actionTB_Window_triggered();
    void on_actionControl_Center_triggered() {}
    void on_actionTB_Admin_triggered() {}
    void on_pushButton_3_clicked() {}
    void on_actionUpdate_firmware_triggered();
    void on_actionRom_updater_triggered();
    void on_pushButton_4_clicked() { on_actionRom_updater_triggered(); }
    void on_actionRecipe_runner_triggered();
    void on_btnReicipeMaker_clicked();
    void on_actionThermos_GUI_triggered();
    void on_pushButton_2_clicked() { on_actionThermos_GUI_triggered(); }
    void on_actionRescan_devicelist_triggered();
    void on_actionProduction_mode_toggled(bool on);

    // Console connection and board commands
    void on_btnReconnect_clicked();
    void on_lineEdit_returnPressed();
    void on_btn_tbConfig_clicked();
    void on_btnDoBeep_clicked();
    void on_btnDoBeep2_clicked() { on_btnDoBeep_clicked(); }
    void on_btnCanListDev_clicked();
    void on_btnSendStop_clicked() { sendStop(); }
    void on_btnStop2_clicked() { sendStop(); }
    void on_btnRunBootMacro_clicked();
    void on_btnRestart_clicked();
    void on_resetMQTT_clicked();

    // Status panel
    void on_btnMAC_clicked();

    // Script workspace
    void on_btnHomeDirectory_clicked();
    void on_cboSubProj_currentIndexChanged(QString text);
    void on_cboScriptfiles_currentIndexChanged(QString text);
    void on_txtlogFile_editingFinished();
    void on_txtlogFile_returnPressed() { on_txtlogFile_editingFinished(); }
    void on_cmAddMCRFile_clicked();
    void on_cmdCreateSCRFile_clicked();
    void on_btnDeleteFile_clicked();

    // Running scripts
    void on_btnSend_clicked();
    void on_btnSendSelected_clicked();
    void on_txtCommand_selectionChanged();
    void on_cheLoopCommand_stateChanged(int state);

    // Hotkeys
    void on_btnHotKey1_clicked() { runHotkey(1); }
    void on_btnHotKey2_clicked() { runHotkey(2); }
    void on_btnHotKey3_clicked() { runHotkey(3); }
    void on_btnHotKey4_clicked() { runHotkey(4); }
    void on_btnHotKey5_clicked() { runHotkey(5); }
    void on_btnHotKey6_clicked() { runHotkey(6); }
    void on_btnHotKey7_clicked() { runHotkey(7); }
    void on_btnHotKey8_clicked() { runHotkey(8); }
    void on_btnHotKey9_clicked() { runHotkey(9); }
    void on_btnHotKey10_clicked() { runHotkey(10); }
    void on_btnHotKey11_clicked() { runHotkey(11); }
    void on_btnHotKey12_clicked() { runHotkey(12); }
    void on_btnHotKey13_clicked() { runHotkey(13); }

    // Git
    void on_cmdGitCommit_clicked();
    void on_actionPush_to_server_triggered();
    void on_actionPull_latest_from_server_triggered();

private:
    QVariant getSettings(const QString &key, const QVariant &defaultValue) const;
    void setSettings(const QString &key, const QVariant &value);

    void initWorkspace();
    // The workspace's files are the units' business; these hand off to them.
    void reloadWorkspaceSettings()
    {
        workspace.reloadSettings();
        if (workspace.isReady())
            loadScriptFile(workspace.activeScriptPath());
    }
    void listSubProjects(const QString &root, const QString &folder, QStringList &list) const
    {
        ScriptFiles::listSubProjects(root, folder, list);
    }
    QStringList subProjectsOf(const QString &folder) const
    {
        QStringList list;
        listSubProjects(folder, folder, list);
        return list;
    }
    QStringList listScriptFiles(const QString &folder) const
    {
        return ScriptFiles::listScriptFiles(folder, workspace.filePatterns());
    }
    bool saveWithBackups(const QString &folder, const QString &name, const QByteArray &bytes,
                         int backupCount, bool append)
    {
        return ScriptFiles::saveWithBackups(folder, name, bytes, backupCount, append);
    }
    void saveActiveFile()
    {
        saveScriptAndHotkeys();
        workspace.markSaved(activeContent());
    }
    QString buildHotkeyText() const { return hotkeys->text(); }
    bool parseHotkeyLine(const QString &line) { return hotkeys->apply(line); }
    void loadScriptFile(const QString &path);
    void saveScriptAndHotkeys();
    void saveIfChanged();
    bool mayLeaveEditedScript();
    QByteArray activeContent() const;
    void createScript(const QString &title, const QString &prompt, const QString &extension,
                      const QByteArray &content);
    void runScript(const QString &text, PacedQueue::FirstLine rule)
    {
        writeHistory(text);
        queueLines(text.split(QLatin1Char('\n')), rule);
    }
    void runHotkey(int number);
    void updateGitControls();
    void setControlsEnabled(bool enabled);
    // Saves the script, then runs the calls with the controls disabled until they end.
    void runGit(const QList<GitCall> &calls, bool reloadAfter);
    void gitFinished(bool ok, const QString &text);

    void connectConsole();
    void reportPorts(bool listening, const QString &udpError);
    void handleConsoleLine(const QString &line);
    void applyAnnouncement(const Device &device);
    void enterConnectedState(bool clientConnection);
    void enterDisconnectedState();
    void setConsoleControlsEnabled(bool enabled);
    void setWorkspaceControlsEnabled(bool enabled);
    void setBoardCommandsEnabled(bool enabled);
    void setChildOpenersEnabled(bool enabled);
    void sendConfirmed(const QString &text, const QString &informativeText, const QString &command);
    bool confirmed(const QString &text, const QString &informativeText);
    void sendStop();

    // Child windows: the kept ones are made once and shown again, the replaced ones are made
    // anew on every opening (the previous one is retired).
    enum class Lifetime { Kept, Replaced };
    template<typename Window, typename Make>
    Window *openChild(Window *&slot, Lifetime lifetime, Make make);
    void retireChildWindow(QDialog *window);
    void forgetChild(ChildWindowId id);
    QTcpSocket *lendConsoleIfIncoming();

    void reconnectAfterFirstLookup();
    void showRecord(const TBTubeLogData &record);
    void showTexts(const QMap<QString, QString> &texts);

    bool firstLookup = true;
    ConfigDump configDump;
    DeviceMenu *deviceMenu = nullptr; // the "Devices" menu and its targets
    QString lastLogMac;
    bool incomingConsole = false;
    ScriptWorkspace workspace; // folder, sub project, active script and its saved content
    QString lastConnection;
    KeyPressEater *keyEater = nullptr;
    std::unique_ptr<Ui::MainWindow> ui;
    Form_MacroEditor *macroEditor = nullptr;
    TBRecipeRunner *recipeRunner = nullptr;
    FWRomTranferDialog *romManager = nullptr;
    TBMacro *controlCenter = nullptr;
    FWUpdateDialog *fwUpdateDialog = nullptr;
    LoadedMacroDialog *loadedMacroDialog = nullptr;
    ThermosTimersDialog *thermosDialog = nullptr;
    ConsoleChannel *console = nullptr; // the console connection and its paced script
    ScriptLoop *scriptLoop = nullptr;  // the "Loop command" of send all
    HotkeyPanel *hotkeys = nullptr;
    ResultLabels *resultLabels = nullptr; // the board's last four lines
    PlotTab *plotTab = nullptr;           // draws the records the status panel shows
    GitRunner *git = nullptr;             // commit, push and pull of the workspace
    bool reloadAfterGit = false;          // a pull: show the pulled script and hotkeys

    Prompter &prompter;
};
